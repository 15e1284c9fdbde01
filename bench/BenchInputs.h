#pragma once
// Inputs the benchmarks make for themselves: a speech-like test signal, voice tracks of any
// length encoded by the project's TMV writer, and documents packed by the project's container
// writer.

#include "voice/ByteIo.h"
#include "voice/TmvFormat.h"

#include <cstdint>
#include <string>
#include <vector>

// Two tones under a slow swell, like a voice rising and falling: `frames` mono samples at `rate`
// starting at frame `first`. The signal repeats every ten seconds.
class CTestSignal {
public:
    explicit CTestSignal(std::uint32_t rate);
    std::int16_t At(std::uint64_t frame) const { return m_period[frame % m_period.size()]; }
    void Fill(std::uint64_t first, std::int16_t* samples, std::size_t count) const;

private:
    std::vector<std::int16_t> m_period;
};

// Encodes `frames` of the test signal at the format's rate as a mono track of `format` into
// `sink`. Throws CWrongResult when the writer fails.
TmvHeader EncodeTestSignal(IByteSink& sink, const TmvFormat& format, std::uint64_t frames);
// The same into the file at `path`.
TmvHeader WriteTestTrack(const std::wstring& path, const TmvFormat& format, std::uint64_t frames);

struct DocumentPlan {
    std::wstring path;                      // the container to write
    std::uint64_t voiceFrames = 0;          // length of the voice track at 16 kHz
    std::wstring firstPicture;              // when set, the picture of the first period only
    std::vector<std::wstring> pictures;     // picture files, used in turn, one per period
    std::uint32_t pictureCount = 0;         // pictures in the document
};

struct DocumentFacts {
    std::uint64_t containerBytes = 0;
    std::uint64_t voiceBytes = 0;
    std::uint32_t pictureCount = 0;
    std::uint32_t periodMs = 0;             // pictures start every periodMs from 0
};

// The frames of 16 kHz ADPCM voice that make a document of about `containerBytes` with the
// given pictures.
std::uint64_t VoiceFramesForSize(std::uint64_t containerBytes, std::uint64_t pictureBytes);

// Writes the document: an ADPCM voice track of the test signal and the pictures in equal
// periods over it, named P0001.JPG and on. The voice file made on the way is deleted.
DocumentFacts MakeDocument(const DocumentPlan& plan);

std::uint64_t FileBytes(const std::wstring& path);
