#pragma once
// Streaming FLAC encoder for 16-bit samples: the lossless form in which browsers play a voice
// track natively at about half the size of PCM. Frames are coded in blocks of kFlacBlockFrames,
// each channel on its own with the best of the fixed predictors of order 0 to 4 and a Rice-coded
// residual; a channel that would not shrink is stored verbatim. No codec library is needed.

#include "voice/ByteIo.h"
#include "voice/VoiceResult.h"

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr std::uint32_t kFlacBlockFrames = 4096;

class CFlacWriter {
public:
    // Writes the stream marker and a provisional STREAMINFO block. The sink must outlive the writer.
    VoiceResult Begin(IByteSink& sink, std::uint16_t channels, std::uint32_t sampleRate);
    // Appends interleaved frames (count * channels samples).
    VoiceResult Write(const std::int16_t* frames, std::size_t count);
    // Codes the last, shorter block and rewrites STREAMINFO with the frame count and frame sizes.
    VoiceResult Finish();

private:
    VoiceResult FlushBlock();
    VoiceResult WriteStreamInfo(bool rewrite);

    IByteSink* m_sink = nullptr;
    std::uint16_t m_channels = 0;
    std::uint32_t m_sampleRate = 0;
    std::vector<std::int16_t> m_pending;  // interleaved frames of the block being filled
    std::uint64_t m_frameCount = 0;
    std::uint32_t m_blockNumber = 0;
    std::uint32_t m_minFrameBytes = 0;
    std::uint32_t m_maxFrameBytes = 0;
    std::vector<std::uint8_t> m_frameBytes;
};
