#include "voice/WaveStreamView.h"

#include <algorithm>
#include <cstring>

VoiceResult CWaveStreamView::Open(IByteSource& tmv)
{
    m_length = 0;
    const VoiceResult opened = m_reader.Open(tmv);
    if (opened != VoiceResult::Ok) return opened;
    const TmvHeader& header = m_reader.Header();
    const std::uint64_t maxFrames = kWavMaxDataBytes / (header.channels * 2u);
    if (header.frameCount > maxFrames) return VoiceResult::TooLong;

    const std::uint64_t dataBytes = header.frameCount * header.channels * 2u;
    MakeWavHeader(header.channels, header.sampleRate, static_cast<std::uint32_t>(dataBytes), m_header);
    m_frames.assign(static_cast<std::size_t>(header.framesPerBlock) * header.channels, 0);
    m_length = kWavHeaderSize + dataBytes;
    return VoiceResult::Ok;
}

VoiceResult CWaveStreamView::Read(std::uint64_t offset, std::uint8_t* buffer, std::size_t size, std::size_t& copied)
{
    copied = 0;
    if (!m_reader.IsOpen() || m_length == 0) return VoiceResult::BadState;
    if (offset >= m_length) return VoiceResult::Ok;
    size = static_cast<std::size_t>(std::min<std::uint64_t>(size, m_length - offset));

    if (offset < kWavHeaderSize) {
        const std::size_t take = std::min<std::size_t>(size, kWavHeaderSize - static_cast<std::size_t>(offset));
        std::memcpy(buffer, m_header + offset, take);
        offset += take;
        copied += take;
    }

    // Decode at most one block's worth of frames at a time into the scratch buffer, then copy
    // the requested bytes of them, which may start or end inside a frame.
    const std::uint32_t align = BlockAlign();
    const std::size_t scratchFrames = m_frames.size() / Header().channels;
    while (copied < size) {
        const std::uint64_t dataOffset = offset - kWavHeaderSize;
        const std::uint64_t frame = dataOffset / align;
        const std::size_t skip = static_cast<std::size_t>(dataOffset % align);
        const std::size_t wantBytes = size - copied;
        const std::uint64_t framesLeft = Header().frameCount - frame;
        const std::size_t frames = static_cast<std::size_t>(
            std::min<std::uint64_t>({framesLeft, scratchFrames, (skip + wantBytes + align - 1) / align}));
        const VoiceResult decoded = m_reader.ReadFrames(frame, frames, m_frames.data());
        if (decoded != VoiceResult::Ok) return decoded;

        const std::size_t available = frames * align - skip;
        const std::size_t take = std::min(available, wantBytes);
        for (std::size_t i = 0; i < take; ++i) {
            const std::size_t byte = skip + i;
            const auto sample = static_cast<std::uint16_t>(m_frames[byte / 2]);
            buffer[copied + i] = static_cast<std::uint8_t>(byte % 2 ? sample >> 8 : sample);
        }
        copied += take;
        offset += take;
    }
    return VoiceResult::Ok;
}
