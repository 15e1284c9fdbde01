#include "voice/TmvReader.h"

#include "voice/BlockCodec.h"

#include <algorithm>
#include <cstring>

VoiceResult CTmvReader::Open(IByteSource& source)
{
    m_source = nullptr;
    m_haveBlock = false;

    std::uint8_t bytes[kTmvHeaderSize];
    const std::uint64_t size = source.Size();
    const std::size_t available = static_cast<std::size_t>(std::min<std::uint64_t>(size, kTmvHeaderSize));
    if (!source.ReadAt(0, bytes, available)) return VoiceResult::ReadError;

    TmvHeader header;
    const VoiceResult parsed = ParseTmvHeader(bytes, available, header);
    if (parsed != VoiceResult::Ok) return parsed;
    if (size < header.FileSize()) return VoiceResult::Truncated;
    if (size > header.FileSize()) return VoiceResult::TrailingData;

    m_header = header;
    m_blockBytes.assign(header.blockBytes, 0);
    m_blockFrames.assign(static_cast<std::size_t>(header.framesPerBlock) * header.channels, 0);
    m_source = &source;
    return VoiceResult::Ok;
}

VoiceResult CTmvReader::LoadBlock(std::uint64_t block)
{
    if (m_haveBlock && m_loadedBlock == block) return VoiceResult::Ok;
    m_haveBlock = false;
    if (!m_source->ReadAt(m_header.BlockOffset(block), m_blockBytes.data(), m_blockBytes.size()))
        return VoiceResult::ReadError;
    const VoiceResult decoded =
        DecodeBlock(m_header, m_blockBytes.data(), m_header.FramesInBlock(block), m_blockFrames.data());
    if (decoded != VoiceResult::Ok) return decoded;
    m_loadedBlock = block;
    m_haveBlock = true;
    return VoiceResult::Ok;
}

VoiceResult CTmvReader::ReadFrames(std::uint64_t first, std::size_t count, std::int16_t* frames)
{
    if (!m_source) return VoiceResult::BadState;
    if (first > m_header.frameCount || count > m_header.frameCount - first) return VoiceResult::OutOfRange;

    const std::uint16_t channels = m_header.channels;
    while (count > 0) {
        const std::uint64_t block = m_header.BlockOfFrame(first);
        const VoiceResult loaded = LoadBlock(block);
        if (loaded != VoiceResult::Ok) return loaded;

        const std::uint32_t offset = static_cast<std::uint32_t>(first - block * m_header.framesPerBlock);
        const std::size_t take = std::min<std::size_t>(count, m_header.FramesInBlock(block) - offset);
        std::memcpy(frames, m_blockFrames.data() + static_cast<std::size_t>(offset) * channels,
                    take * channels * sizeof(std::int16_t));
        frames += take * channels;
        first += take;
        count -= take;
    }
    return VoiceResult::Ok;
}
