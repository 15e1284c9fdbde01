#include "voice/BlockCodec.h"

#include "base/ByteOrder.h"

#include <cstring>

namespace {
const int kStepSizes[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
const int kIndexSteps[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
constexpr int kMaxStepIndex = 88;
constexpr std::uint32_t kChannelHeaderBytes = 4;
constexpr std::uint32_t kGroupBytes = kAdpcmFramesPerGroup / 2;

int Clamp(int value, int low, int high) { return value < low ? low : (value > high ? high : value); }

// One channel's running predictor and step index, advanced one 4-bit code at a time exactly as
// the decoder advances it, so encoder and decoder never drift apart.
struct AdpcmChannel {
    int predictor = 0;
    int stepIndex = 0;

    void Apply(int code)
    {
        const int step = kStepSizes[stepIndex];
        int delta = step >> 3;
        if (code & 4) delta += step;
        if (code & 2) delta += step >> 1;
        if (code & 1) delta += step >> 2;
        predictor = Clamp(code & 8 ? predictor - delta : predictor + delta, -32768, 32767);
        stepIndex = Clamp(stepIndex + kIndexSteps[code & 7], 0, kMaxStepIndex);
    }

    int Encode(int sample)
    {
        int diff = sample - predictor;
        int code = 0;
        if (diff < 0) {
            code = 8;
            diff = -diff;
        }
        int step = kStepSizes[stepIndex];
        for (int bit = 4; bit; bit >>= 1, step >>= 1) {
            if (diff >= step) {
                code |= bit;
                diff -= step;
            }
        }
        Apply(code);
        return code;
    }
};

// Where the 4-byte group `group` of channel `channel` lies in an ADPCM block.
std::uint32_t GroupOffset(std::uint16_t channels, std::uint32_t group, std::uint16_t channel)
{
    return channels * kChannelHeaderBytes + (group * channels + channel) * kGroupBytes;
}

void EncodePcm(const std::int16_t* frames, std::uint32_t frameCount, std::uint16_t channels, std::uint8_t* block,
               std::uint32_t blockBytes)
{
    const std::uint32_t samples = frameCount * channels;
    for (std::uint32_t i = 0; i < samples; ++i) StoreLe16(block + 2 * i, static_cast<std::uint16_t>(frames[i]));
    std::memset(block + 2 * samples, 0, blockBytes - 2 * samples);
}

void DecodePcm(const std::uint8_t* block, std::uint32_t frameCount, std::uint16_t channels, std::int16_t* frames)
{
    const std::uint32_t samples = frameCount * channels;
    for (std::uint32_t i = 0; i < samples; ++i) frames[i] = static_cast<std::int16_t>(LoadLe16(block + 2 * i));
}

VoiceResult DecodeAdpcm(const std::uint8_t* block, std::uint32_t frameCount, std::uint16_t channels,
                        std::int16_t* frames)
{
    for (std::uint16_t ch = 0; ch < channels; ++ch) {
        const std::uint8_t* head = block + ch * kChannelHeaderBytes;
        AdpcmChannel state;
        state.predictor = static_cast<std::int16_t>(LoadLe16(head));
        state.stepIndex = head[2];
        if (state.stepIndex > kMaxStepIndex || head[3] != 0) return VoiceResult::CorruptBlock;
        if (frameCount == 0) continue;

        frames[ch] = static_cast<std::int16_t>(state.predictor);
        for (std::uint32_t frame = 1; frame < frameCount; ++frame) {
            const std::uint32_t index = frame - 1;
            const std::uint32_t inGroup = index % kAdpcmFramesPerGroup;
            const std::uint8_t byte = block[GroupOffset(channels, index / kAdpcmFramesPerGroup, ch) + inGroup / 2];
            state.Apply(inGroup % 2 ? byte >> 4 : byte & 0x0F);
            frames[frame * channels + ch] = static_cast<std::int16_t>(state.predictor);
        }
    }
    return VoiceResult::Ok;
}
}

void CBlockEncoder::Reset(const TmvHeader& header)
{
    m_header = header;
    for (int& index : m_stepIndex) index = 0;
}

void CBlockEncoder::Encode(const std::int16_t* frames, std::uint32_t frameCount, std::uint8_t* block)
{
    if (m_header.codec == TmvCodec::Pcm16)
        EncodePcm(frames, frameCount, m_header.channels, block, m_header.blockBytes);
    else
        EncodeAdpcm(frames, frameCount, block);
}

void CBlockEncoder::EncodeAdpcm(const std::int16_t* frames, std::uint32_t frameCount, std::uint8_t* block)
{
    const std::uint16_t channels = m_header.channels;
    std::memset(block, 0, m_header.blockBytes);
    for (std::uint16_t ch = 0; ch < channels; ++ch) {
        // The block header holds the first sample exactly; the codes follow from there.
        AdpcmChannel state;
        state.predictor = frames[ch];
        state.stepIndex = m_stepIndex[ch];
        std::uint8_t* head = block + ch * kChannelHeaderBytes;
        StoreLe16(head, static_cast<std::uint16_t>(frames[ch]));
        head[2] = static_cast<std::uint8_t>(state.stepIndex);

        for (std::uint32_t frame = 1; frame < frameCount; ++frame) {
            const std::uint32_t index = frame - 1;
            const std::uint32_t inGroup = index % kAdpcmFramesPerGroup;
            const int code = state.Encode(frames[frame * channels + ch]);
            block[GroupOffset(channels, index / kAdpcmFramesPerGroup, ch) + inGroup / 2] |=
                static_cast<std::uint8_t>(inGroup % 2 ? code << 4 : code);
        }
        m_stepIndex[ch] = state.stepIndex;
    }
}

VoiceResult DecodeBlock(const TmvHeader& header, const std::uint8_t* block, std::uint32_t frameCount,
                        std::int16_t* frames)
{
    if (frameCount > header.framesPerBlock) return VoiceResult::OutOfRange;
    if (header.codec == TmvCodec::Pcm16) {
        DecodePcm(block, frameCount, header.channels, frames);
        return VoiceResult::Ok;
    }
    return DecodeAdpcm(block, frameCount, header.channels, frames);
}
