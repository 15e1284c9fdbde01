#pragma once
// The media types of the filters: the byte stream holding a WAVE file that the source filter
// offers to the graph's WAVE parser, and the 16-bit PCM the speed filter takes and gives.

#include <dshow.h>

AM_MEDIA_TYPE WaveStreamType();
// True for the offered type and for partial types (GUID_NULL fields) that it satisfies.
bool AcceptsWaveStream(const AM_MEDIA_TYPE& type);
// A task-memory copy, as IEnumMediaTypes hands out; null when memory runs out.
AM_MEDIA_TYPE* AllocWaveStreamType();

// The wave format of a type that is 16-bit PCM audio with one or two channels; null otherwise.
const WAVEFORMATEX* PcmFormatOf(const AM_MEDIA_TYPE& type);

// A media type that owns its format block (task memory, as the pins hand it over).
class CMediaType {
public:
    CMediaType() = default;
    CMediaType(const CMediaType&) = delete;
    CMediaType& operator=(const CMediaType&) = delete;
    ~CMediaType() { Clear(); }

    bool IsSet() const { return m_set; }
    const AM_MEDIA_TYPE& Get() const { return m_type; }
    // Copies `type` with its format block; E_OUTOFMEMORY leaves this empty.
    HRESULT Set(const AM_MEDIA_TYPE& type);
    void Clear();
    // A copy into `target`, whose old contents the caller has freed.
    HRESULT CopyTo(AM_MEDIA_TYPE& target) const;
    // A task-memory copy of the whole structure; null when memory runs out or nothing is set.
    AM_MEDIA_TYPE* AllocCopy() const;

private:
    static HRESULT CopyFrom(const AM_MEDIA_TYPE& source, AM_MEDIA_TYPE& target);

    AM_MEDIA_TYPE m_type{};
    bool m_set = false;
};
