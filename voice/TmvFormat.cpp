#include "voice/TmvFormat.h"

#include "base/ByteOrder.h"

#include <cstring>
#include <limits>

namespace {
const std::uint8_t kMagic[4] = {'T', 'M', 'V', 0x1A};
constexpr std::size_t kChecksumOffset = 32;

bool IsKnownCodec(std::uint16_t codec)
{
    return codec == static_cast<std::uint16_t>(TmvCodec::Pcm16) || codec == static_cast<std::uint16_t>(TmvCodec::ImaAdpcm);
}

// Everything but the magic, version and checksum: the fields must describe a decodable track
// whose file size fits in 64 bits.
VoiceResult CheckLayout(const TmvHeader& header)
{
    if (header.channels < 1 || header.channels > kTmvMaxChannels) return VoiceResult::BadHeader;
    if (header.sampleRate < kTmvMinSampleRate || header.sampleRate > kTmvMaxSampleRate) return VoiceResult::BadHeader;
    if (header.framesPerBlock < 1 || header.framesPerBlock > kTmvMaxFramesPerBlock) return VoiceResult::BadHeader;
    const std::uint32_t blockBytes = TmvBlockBytes(header.codec, header.channels, header.framesPerBlock);
    if (blockBytes == 0 || blockBytes != header.blockBytes) return VoiceResult::BadHeader;
    const std::uint64_t maxBlocks = (std::numeric_limits<std::uint64_t>::max() - kTmvHeaderSize) / blockBytes;
    if (header.BlockCount() > maxBlocks) return VoiceResult::BadHeader;
    return VoiceResult::Ok;
}
}

std::uint32_t TmvHeader::FramesInBlock(std::uint64_t block) const
{
    const std::uint64_t first = block * framesPerBlock;
    if (first >= frameCount) return 0;
    const std::uint64_t left = frameCount - first;
    return left < framesPerBlock ? static_cast<std::uint32_t>(left) : framesPerBlock;
}

std::uint32_t TmvBlockBytes(TmvCodec codec, std::uint16_t channels, std::uint32_t framesPerBlock)
{
    if (channels < 1 || channels > kTmvMaxChannels || framesPerBlock < 1 || framesPerBlock > kTmvMaxFramesPerBlock)
        return 0;
    switch (codec) {
    case TmvCodec::Pcm16:
        return framesPerBlock * channels * 2u;
    case TmvCodec::ImaAdpcm:
        // Per channel: a 4-byte block header holding the first sample, then 4 bits a sample.
        if (framesPerBlock < 1 + kAdpcmFramesPerGroup || (framesPerBlock - 1) % kAdpcmFramesPerGroup != 0) return 0;
        return channels * (4u + (framesPerBlock - 1) / 2u);
    }
    return 0;
}

VoiceResult MakeTmvHeader(const TmvFormat& format, TmvHeader& header)
{
    TmvHeader made;
    made.codec = format.codec;
    made.channels = format.channels;
    made.sampleRate = format.sampleRate;
    made.framesPerBlock = format.framesPerBlock;
    if (made.framesPerBlock == 0)
        made.framesPerBlock = format.codec == TmvCodec::ImaAdpcm ? kAdpcmDefaultFramesPerBlock : kPcmDefaultFramesPerBlock;
    if (!IsKnownCodec(static_cast<std::uint16_t>(format.codec))) return VoiceResult::UnsupportedCodec;
    made.blockBytes = TmvBlockBytes(made.codec, made.channels, made.framesPerBlock);
    const VoiceResult result = CheckLayout(made);
    if (result != VoiceResult::Ok) return result;
    header = made;
    return VoiceResult::Ok;
}

VoiceResult ParseTmvHeader(const std::uint8_t* bytes, std::size_t available, TmvHeader& header)
{
    if (available == 0) return VoiceResult::NotTmv;
    const std::size_t magicPresent = available < sizeof(kMagic) ? available : sizeof(kMagic);
    if (std::memcmp(bytes, kMagic, magicPresent) != 0) return VoiceResult::NotTmv;
    if (available < kTmvHeaderSize) return VoiceResult::Truncated;

    if (LoadLe16(bytes + 4) != kTmvVersion) return VoiceResult::UnsupportedVersion;
    if (Crc32(bytes, kChecksumOffset) != LoadLe32(bytes + kChecksumOffset)) return VoiceResult::BadChecksum;
    const std::uint16_t codec = LoadLe16(bytes + 6);
    if (!IsKnownCodec(codec)) return VoiceResult::UnsupportedCodec;
    if (LoadLe16(bytes + 10) != 0) return VoiceResult::BadHeader;

    TmvHeader parsed;
    parsed.codec = static_cast<TmvCodec>(codec);
    parsed.channels = LoadLe16(bytes + 8);
    parsed.sampleRate = LoadLe32(bytes + 12);
    parsed.framesPerBlock = LoadLe32(bytes + 16);
    parsed.blockBytes = LoadLe32(bytes + 20);
    parsed.frameCount = LoadLe64(bytes + 24);
    const VoiceResult result = CheckLayout(parsed);
    if (result != VoiceResult::Ok) return result;
    header = parsed;
    return VoiceResult::Ok;
}

void SerializeTmvHeader(const TmvHeader& header, std::uint8_t (&bytes)[kTmvHeaderSize])
{
    std::memcpy(bytes, kMagic, sizeof(kMagic));
    StoreLe16(bytes + 4, kTmvVersion);
    StoreLe16(bytes + 6, static_cast<std::uint16_t>(header.codec));
    StoreLe16(bytes + 8, header.channels);
    StoreLe16(bytes + 10, 0);
    StoreLe32(bytes + 12, header.sampleRate);
    StoreLe32(bytes + 16, header.framesPerBlock);
    StoreLe32(bytes + 20, header.blockBytes);
    StoreLe64(bytes + 24, header.frameCount);
    StoreLe32(bytes + kChecksumOffset, Crc32(bytes, kChecksumOffset));
}

std::uint32_t Crc32(const std::uint8_t* bytes, std::size_t size)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}
