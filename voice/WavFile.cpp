#include "voice/WavFile.h"

#include "base/ByteOrder.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::uint32_t kChunkHeaderSize = 8;
// KSDATAFORMAT_SUBTYPE_PCM after its first two bytes (the format tag).
const std::uint8_t kPcmSubtypeTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                          0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

bool HasId(const std::uint8_t* bytes, const char* id) { return std::memcmp(bytes, id, 4) == 0; }
}

void MakeWavHeader(std::uint16_t channels, std::uint32_t sampleRate, std::uint32_t dataBytes,
                   std::uint8_t (&bytes)[kWavHeaderSize])
{
    const std::uint16_t blockAlign = static_cast<std::uint16_t>(channels * 2);
    std::memcpy(bytes, "RIFF", 4);
    StoreLe32(bytes + 4, static_cast<std::uint32_t>(kWavHeaderSize - 8 + dataBytes));
    std::memcpy(bytes + 8, "WAVEfmt ", 8);
    StoreLe32(bytes + 16, 16);
    StoreLe16(bytes + 20, kFormatPcm);
    StoreLe16(bytes + 22, channels);
    StoreLe32(bytes + 24, sampleRate);
    StoreLe32(bytes + 28, sampleRate * blockAlign);
    StoreLe16(bytes + 32, blockAlign);
    StoreLe16(bytes + 34, 16);
    std::memcpy(bytes + 36, "data", 4);
    StoreLe32(bytes + 40, dataBytes);
}

VoiceResult CWavReader::Open(IByteSource& source)
{
    m_source = nullptr;
    m_channels = 0;
    const std::uint64_t size = source.Size();
    std::uint8_t riff[12];
    if (size < sizeof(riff)) return VoiceResult::NotWav;
    if (!source.ReadAt(0, riff, sizeof(riff))) return VoiceResult::ReadError;
    if (!HasId(riff, "RIFF") || !HasId(riff + 8, "WAVE")) return VoiceResult::NotWav;

    bool haveData = false;
    std::uint64_t dataBytes = 0;
    std::uint64_t offset = sizeof(riff);
    // Each step moves at least one chunk header forward, so the walk ends at the file's end.
    while (size - offset >= kChunkHeaderSize && !(haveData && m_channels)) {
        std::uint8_t chunk[kChunkHeaderSize];
        if (!source.ReadAt(offset, chunk, sizeof(chunk))) return VoiceResult::ReadError;
        const std::uint32_t chunkSize = LoadLe32(chunk + 4);
        const std::uint64_t body = offset + kChunkHeaderSize;
        if (HasId(chunk, "fmt ")) {
            if (chunkSize > size - body) return VoiceResult::NotWav;
            const VoiceResult format = ReadFormat(source, body, chunkSize);
            if (format != VoiceResult::Ok) return format;
        } else if (HasId(chunk, "data")) {
            haveData = true;
            m_dataOffset = body;
            dataBytes = std::min<std::uint64_t>(chunkSize, size - body);
        }
        offset = body + chunkSize + (chunkSize & 1u);
        if (offset > size) break;
    }
    if (!m_channels || !haveData) return VoiceResult::NotWav;

    m_frameCount = dataBytes / (m_channels * 2u);
    m_nextFrame = 0;
    m_source = &source;
    return VoiceResult::Ok;
}

VoiceResult CWavReader::ReadFormat(IByteSource& source, std::uint64_t offset, std::uint32_t size)
{
    if (size < 16) return VoiceResult::NotWav;
    std::uint8_t fmt[40] = {};
    const std::size_t wanted = std::min<std::size_t>(size, sizeof(fmt));
    if (!source.ReadAt(offset, fmt, wanted)) return VoiceResult::ReadError;

    std::uint16_t tag = LoadLe16(fmt);
    if (tag == kFormatExtensible) {
        if (size < 40 || std::memcmp(fmt + 26, kPcmSubtypeTail, sizeof(kPcmSubtypeTail)) != 0)
            return VoiceResult::UnsupportedWav;
        tag = LoadLe16(fmt + 24);
    }
    const std::uint16_t channels = LoadLe16(fmt + 2);
    const std::uint32_t sampleRate = LoadLe32(fmt + 4);
    const std::uint16_t blockAlign = LoadLe16(fmt + 12);
    const std::uint16_t bits = LoadLe16(fmt + 14);
    if (tag != kFormatPcm || bits != 16 || channels < 1 || channels > 2 || sampleRate == 0 || blockAlign != channels * 2)
        return VoiceResult::UnsupportedWav;
    m_channels = channels;
    m_sampleRate = sampleRate;
    return VoiceResult::Ok;
}

VoiceResult CWavReader::Read(std::int16_t* frames, std::size_t maxFrames, std::size_t& read)
{
    read = 0;
    if (!m_source) return VoiceResult::BadState;
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(maxFrames, m_frameCount - m_nextFrame));
    const std::size_t bytes = count * m_channels * 2u;
    m_scratch.resize(bytes);
    if (!m_source->ReadAt(m_dataOffset + m_nextFrame * m_channels * 2u, m_scratch.data(), bytes))
        return VoiceResult::ReadError;
    for (std::size_t i = 0; i < count * m_channels; ++i)
        frames[i] = static_cast<std::int16_t>(LoadLe16(m_scratch.data() + 2 * i));
    m_nextFrame += count;
    read = count;
    return VoiceResult::Ok;
}

VoiceResult CWavWriter::Begin(IByteSink& sink, std::uint16_t channels, std::uint32_t sampleRate)
{
    m_sink = nullptr;
    if (channels < 1 || channels > 2 || sampleRate == 0) return VoiceResult::UnsupportedWav;
    std::uint8_t header[kWavHeaderSize];
    MakeWavHeader(channels, sampleRate, 0, header);
    if (!sink.Write(header, sizeof(header))) return VoiceResult::WriteError;
    m_channels = channels;
    m_sampleRate = sampleRate;
    m_dataBytes = 0;
    m_sink = &sink;
    return VoiceResult::Ok;
}

VoiceResult CWavWriter::Write(const std::int16_t* frames, std::size_t count)
{
    if (!m_sink) return VoiceResult::BadState;
    const std::size_t samples = count * m_channels;
    if (samples * 2u > kWavMaxDataBytes - m_dataBytes) return VoiceResult::TooLong;
    m_scratch.resize(samples * 2u);
    for (std::size_t i = 0; i < samples; ++i) StoreLe16(m_scratch.data() + 2 * i, static_cast<std::uint16_t>(frames[i]));
    if (!m_sink->Write(m_scratch.data(), m_scratch.size())) {
        m_sink = nullptr;
        return VoiceResult::WriteError;
    }
    m_dataBytes += m_scratch.size();
    return VoiceResult::Ok;
}

VoiceResult CWavWriter::Finish()
{
    if (!m_sink) return VoiceResult::BadState;
    std::uint8_t header[kWavHeaderSize];
    MakeWavHeader(m_channels, m_sampleRate, static_cast<std::uint32_t>(m_dataBytes), header);
    IByteSink* sink = m_sink;
    m_sink = nullptr;
    return sink->WriteAt(0, header, sizeof(header)) ? VoiceResult::Ok : VoiceResult::WriteError;
}
