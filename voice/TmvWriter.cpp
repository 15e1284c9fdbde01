#include "voice/TmvWriter.h"

#include <algorithm>
#include <cstring>

VoiceResult CTmvWriter::Begin(IByteSink& sink, const TmvFormat& format)
{
    m_sink = nullptr;
    TmvHeader header;
    const VoiceResult made = MakeTmvHeader(format, header);
    if (made != VoiceResult::Ok) return made;

    std::uint8_t bytes[kTmvHeaderSize];
    SerializeTmvHeader(header, bytes);
    if (!sink.Write(bytes, sizeof(bytes))) return VoiceResult::WriteError;

    m_header = header;
    m_encoder.Reset(header);
    m_pending.assign(static_cast<std::size_t>(header.framesPerBlock) * header.channels, 0);
    m_pendingFrames = 0;
    m_block.assign(header.blockBytes, 0);
    m_sink = &sink;
    return VoiceResult::Ok;
}

VoiceResult CTmvWriter::Write(const std::int16_t* frames, std::size_t count)
{
    if (!m_sink) return VoiceResult::BadState;
    const std::uint16_t channels = m_header.channels;
    while (count > 0) {
        const std::size_t take = std::min<std::size_t>(count, m_header.framesPerBlock - m_pendingFrames);
        std::memcpy(m_pending.data() + static_cast<std::size_t>(m_pendingFrames) * channels, frames,
                    take * channels * sizeof(std::int16_t));
        m_pendingFrames += static_cast<std::uint32_t>(take);
        frames += take * channels;
        count -= take;
        if (m_pendingFrames == m_header.framesPerBlock) {
            const VoiceResult flushed = FlushBlock();
            if (flushed != VoiceResult::Ok) return flushed;
        }
    }
    return VoiceResult::Ok;
}

VoiceResult CTmvWriter::FlushBlock()
{
    m_encoder.Encode(m_pending.data(), m_pendingFrames, m_block.data());
    if (!m_sink->Write(m_block.data(), m_block.size())) {
        m_sink = nullptr;
        return VoiceResult::WriteError;
    }
    m_header.frameCount += m_pendingFrames;
    m_pendingFrames = 0;
    return VoiceResult::Ok;
}

VoiceResult CTmvWriter::Finish()
{
    if (!m_sink) return VoiceResult::BadState;
    if (m_pendingFrames > 0) {
        const VoiceResult flushed = FlushBlock();
        if (flushed != VoiceResult::Ok) return flushed;
    }
    std::uint8_t bytes[kTmvHeaderSize];
    SerializeTmvHeader(m_header, bytes);
    IByteSink* sink = m_sink;
    m_sink = nullptr;
    return sink->WriteAt(0, bytes, sizeof(bytes)) ? VoiceResult::Ok : VoiceResult::WriteError;
}
