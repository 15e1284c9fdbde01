#pragma once
// RIFF WAVE files with 16-bit PCM samples: the encoder's input and the decoder's output.

#include "voice/ByteIo.h"
#include "voice/VoiceResult.h"

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr std::size_t kWavHeaderSize = 44;
// The RIFF size fields are 32-bit: a WAVE file's samples end before 4 GB.
constexpr std::uint64_t kWavMaxDataBytes = 0xFFFFFFFFull - (kWavHeaderSize - 8);

// The canonical 44-byte header of a 16-bit PCM WAVE file holding `dataBytes` of samples.
void MakeWavHeader(std::uint16_t channels, std::uint32_t sampleRate, std::uint32_t dataBytes,
                   std::uint8_t (&bytes)[kWavHeaderSize]);

// Sequential reader of the samples of a 16-bit PCM WAVE file (plain or extensible format).
// Chunks are found by walking the file, so any extra chunks are skipped; a data chunk that
// claims more than the file holds (as streamed writers leave it) is read up to the file's end.
class CWavReader {
public:
    VoiceResult Open(IByteSource& source);
    std::uint16_t Channels() const { return m_channels; }
    std::uint32_t SampleRate() const { return m_sampleRate; }
    std::uint64_t FrameCount() const { return m_frameCount; }

    // Reads up to `maxFrames` of the next frames; `read` is 0 at the end.
    VoiceResult Read(std::int16_t* frames, std::size_t maxFrames, std::size_t& read);

private:
    VoiceResult ReadFormat(IByteSource& source, std::uint64_t offset, std::uint32_t size);

    IByteSource* m_source = nullptr;
    std::uint16_t m_channels = 0;
    std::uint32_t m_sampleRate = 0;
    std::uint64_t m_dataOffset = 0;
    std::uint64_t m_frameCount = 0;
    std::uint64_t m_nextFrame = 0;
    std::vector<std::uint8_t> m_scratch;
};

class CWavWriter {
public:
    VoiceResult Begin(IByteSink& sink, std::uint16_t channels, std::uint32_t sampleRate);
    VoiceResult Write(const std::int16_t* frames, std::size_t count);
    // Rewrites the header with the final sizes.
    VoiceResult Finish();

private:
    IByteSink* m_sink = nullptr;
    std::uint16_t m_channels = 0;
    std::uint32_t m_sampleRate = 0;
    std::uint64_t m_dataBytes = 0;
    std::vector<std::uint8_t> m_scratch;
};
