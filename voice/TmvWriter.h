#pragma once
// Streaming TMV encoder: frames go in as they come, one block's worth is buffered, and the
// header is rewritten with the final frame count at the end.

#include "voice/BlockCodec.h"
#include "voice/ByteIo.h"
#include "voice/TmvFormat.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CTmvWriter {
public:
    // Checks the format and writes a provisional header. The sink must outlive the writer.
    VoiceResult Begin(IByteSink& sink, const TmvFormat& format);
    // Appends interleaved frames (count * channels samples).
    VoiceResult Write(const std::int16_t* frames, std::size_t count);
    // Writes the last, padded block and the final header. The track is complete only after this.
    VoiceResult Finish();
    const TmvHeader& Header() const { return m_header; }

private:
    VoiceResult FlushBlock();

    IByteSink* m_sink = nullptr;
    TmvHeader m_header;
    CBlockEncoder m_encoder;
    std::vector<std::int16_t> m_pending;
    std::uint32_t m_pendingFrames = 0;
    std::vector<std::uint8_t> m_block;
};
