#pragma once
// The TMV voice-track layout: a fixed header followed by equal-sized, independently decodable
// blocks. Any sample frame lives in block frame / framesPerBlock, whose bytes start at
// kTmvHeaderSize + block * blockBytes, so a position maps to a byte range without reading
// anything before it. docs/voice-format.md describes the bytes.

#include "voice/VoiceResult.h"

#include <cstddef>
#include <cstdint>

enum class TmvCodec : std::uint16_t {
    Pcm16 = 1,     // 16-bit little-endian samples, channels interleaved
    ImaAdpcm = 2,  // IMA ADPCM, 4 bits a sample, each block starting from its own predictor
};

constexpr std::size_t kTmvHeaderSize = 36;
constexpr std::uint16_t kTmvVersion = 1;
constexpr std::uint32_t kTmvMinSampleRate = 1000;
constexpr std::uint32_t kTmvMaxSampleRate = 192000;
constexpr std::uint16_t kTmvMaxChannels = 2;
// Bounds the one block the decoder keeps in memory (at most 512 KB of samples).
constexpr std::uint32_t kTmvMaxFramesPerBlock = 65536;
// An ADPCM block holds its first frame in the block header and the rest in groups of eight.
constexpr std::uint32_t kAdpcmFramesPerGroup = 8;
constexpr std::uint32_t kAdpcmDefaultFramesPerBlock = 1017;  // 512 bytes a block in mono
constexpr std::uint32_t kPcmDefaultFramesPerBlock = 1024;

// What an encoder is asked to produce.
struct TmvFormat {
    TmvCodec codec = TmvCodec::ImaAdpcm;
    std::uint16_t channels = 1;
    std::uint32_t sampleRate = 0;
    std::uint32_t framesPerBlock = 0;  // 0 picks the codec's default
};

struct TmvHeader {
    TmvCodec codec = TmvCodec::ImaAdpcm;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t framesPerBlock = 0;
    std::uint32_t blockBytes = 0;
    std::uint64_t frameCount = 0;

    std::uint64_t BlockCount() const { return frameCount / framesPerBlock + (frameCount % framesPerBlock ? 1 : 0); }
    // Size of the whole file this header describes.
    std::uint64_t FileSize() const { return kTmvHeaderSize + BlockCount() * blockBytes; }
    std::uint64_t BlockOfFrame(std::uint64_t frame) const { return frame / framesPerBlock; }
    std::uint64_t BlockOffset(std::uint64_t block) const { return kTmvHeaderSize + block * blockBytes; }
    // Frames that carry audio in the block; only the last block may be partly padding.
    std::uint32_t FramesInBlock(std::uint64_t block) const;
};

// Bytes one block takes for the codec, channel count and frames a block; 0 when the combination
// is impossible (for ADPCM the frame count must be 1 + a multiple of 8).
std::uint32_t TmvBlockBytes(TmvCodec codec, std::uint16_t channels, std::uint32_t framesPerBlock);

// Checks the requested format and builds the header for an empty track of it.
VoiceResult MakeTmvHeader(const TmvFormat& format, TmvHeader& header);

// Reads and checks a header from the first `available` bytes of a file. Fewer than
// kTmvHeaderSize bytes give Truncated (NotTmv when even the bytes present are not the magic).
VoiceResult ParseTmvHeader(const std::uint8_t* bytes, std::size_t available, TmvHeader& header);

void SerializeTmvHeader(const TmvHeader& header, std::uint8_t (&bytes)[kTmvHeaderSize]);

// CRC-32 (IEEE 802.3, as in zip and PNG).
std::uint32_t Crc32(const std::uint8_t* bytes, std::size_t size);
