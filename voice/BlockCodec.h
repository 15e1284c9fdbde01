#pragma once
// Encoding and decoding of one TMV block. Blocks share no state on the decoding side, which is
// what makes any position reachable without decoding from the start.

#include "voice/TmvFormat.h"

#include <cstdint>

// Turns interleaved 16-bit frames into blocks. For ADPCM it carries each channel's step size
// from one block to the next, so a block starts already adapted to the signal's level.
class CBlockEncoder {
public:
    // Starts a new track: the header fixes codec, channels and block size.
    void Reset(const TmvHeader& header);
    // Encodes `frameCount` (1 .. framesPerBlock) frames into header.blockBytes bytes at `block`;
    // a short last block is padded.
    void Encode(const std::int16_t* frames, std::uint32_t frameCount, std::uint8_t* block);

private:
    void EncodeAdpcm(const std::int16_t* frames, std::uint32_t frameCount, std::uint8_t* block);

    TmvHeader m_header;
    int m_stepIndex[kTmvMaxChannels] = {};
};

// Decodes the first `frameCount` (up to framesPerBlock) frames of one block of header.blockBytes
// bytes into interleaved frames. CorruptBlock when the block's own header is impossible.
VoiceResult DecodeBlock(const TmvHeader& header, const std::uint8_t* block, std::uint32_t frameCount,
                        std::int16_t* frames);
