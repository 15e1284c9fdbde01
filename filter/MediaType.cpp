#include "filter/MediaType.h"

AM_MEDIA_TYPE WaveStreamType()
{
    AM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Stream;
    type.subtype = MEDIASUBTYPE_WAVE;
    type.bFixedSizeSamples = TRUE;
    type.bTemporalCompression = FALSE;
    type.lSampleSize = 1;
    type.formattype = GUID_NULL;
    return type;
}

bool AcceptsWaveStream(const AM_MEDIA_TYPE& type)
{
    const bool major = IsEqualGUID(type.majortype, GUID_NULL) || IsEqualGUID(type.majortype, MEDIATYPE_Stream);
    const bool sub = IsEqualGUID(type.subtype, GUID_NULL) || IsEqualGUID(type.subtype, MEDIASUBTYPE_WAVE);
    return major && sub;
}

AM_MEDIA_TYPE* AllocWaveStreamType()
{
    auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (type) *type = WaveStreamType();
    return type;
}

const WAVEFORMATEX* PcmFormatOf(const AM_MEDIA_TYPE& type)
{
    if (!IsEqualGUID(type.majortype, MEDIATYPE_Audio) || !IsEqualGUID(type.subtype, MEDIASUBTYPE_PCM) ||
        !IsEqualGUID(type.formattype, FORMAT_WaveFormatEx) || !type.pbFormat || type.cbFormat < sizeof(PCMWAVEFORMAT))
        return nullptr;
    const auto* format = reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat);
    const bool pcm = format->wFormatTag == WAVE_FORMAT_PCM && format->wBitsPerSample == 16 &&
                     (format->nChannels == 1 || format->nChannels == 2) &&
                     format->nBlockAlign == format->nChannels * 2;
    return pcm ? format : nullptr;
}

HRESULT CMediaType::Set(const AM_MEDIA_TYPE& type)
{
    Clear();
    const HRESULT hr = CMediaType::CopyFrom(type, m_type);
    m_set = SUCCEEDED(hr);
    return hr;
}

void CMediaType::Clear()
{
    CoTaskMemFree(m_type.pbFormat);
    if (m_type.pUnk) m_type.pUnk->Release();
    m_type = AM_MEDIA_TYPE{};
    m_set = false;
}

HRESULT CMediaType::CopyTo(AM_MEDIA_TYPE& target) const
{
    return CopyFrom(m_type, target);
}

AM_MEDIA_TYPE* CMediaType::AllocCopy() const
{
    if (!m_set) return nullptr;
    auto* copy = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (copy && FAILED(CopyTo(*copy))) {
        CoTaskMemFree(copy);
        return nullptr;
    }
    return copy;
}

HRESULT CMediaType::CopyFrom(const AM_MEDIA_TYPE& source, AM_MEDIA_TYPE& target)
{
    target = source;
    target.pbFormat = nullptr;
    target.cbFormat = 0;
    if (source.cbFormat && source.pbFormat) {
        target.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source.cbFormat));
        if (!target.pbFormat) {
            target.pUnk = nullptr;
            return E_OUTOFMEMORY;
        }
        CopyMemory(target.pbFormat, source.pbFormat, source.cbFormat);
        target.cbFormat = source.cbFormat;
    }
    if (target.pUnk) target.pUnk->AddRef();
    return S_OK;
}
