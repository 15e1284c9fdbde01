// The TMV voice format: codec accuracy, random access, and what malformed files give.
#include "base/ByteOrder.h"
#include "tests/support/TestSignals.h"
#include "voice/TmvReader.h"
#include "voice/VoiceFiles.h"
#include "voice/WavFile.h"

#include <gtest/gtest.h>

#include <random>

namespace {
std::vector<std::int16_t> DecodeAll(CTmvReader& reader)
{
    std::vector<std::int16_t> frames(static_cast<std::size_t>(reader.Header().frameCount) * reader.Header().channels);
    EXPECT_EQ(reader.ReadFrames(0, static_cast<std::size_t>(reader.Header().frameCount), frames.data()), VoiceResult::Ok);
    return frames;
}

VoiceResult OpenBytes(const std::vector<std::uint8_t>& bytes)
{
    CMemorySource source(bytes);
    CTmvReader reader;
    return reader.Open(source);
}

// Rewrites the checksum after a header byte was changed on purpose, so the field itself is tested.
void Reseal(std::vector<std::uint8_t>& bytes)
{
    StoreLe32(bytes.data() + 32, Crc32(bytes.data(), 32));
}

std::vector<std::uint8_t> WithHeader(std::vector<std::uint8_t> bytes, const TmvHeader& header)
{
    std::uint8_t head[kTmvHeaderSize];
    SerializeTmvHeader(header, head);
    std::copy(head, head + kTmvHeaderSize, bytes.begin());
    return bytes;
}
}

TEST(TmvCodec, AdpcmRoundTripStaysWithinTheCodecsError)
{
    for (std::uint16_t channels : {1, 2}) {
        const std::uint32_t rate = 16000, frames = 3 * rate + 333;  // not a whole number of blocks
        const auto source = MakeTones(frames, channels, rate);
        const auto bytes = EncodeTrack(source, MakeFormat(TmvCodec::ImaAdpcm, channels, rate));
        ASSERT_FALSE(bytes.empty());

        CMemorySource memory(bytes);
        CTmvReader reader;
        ASSERT_EQ(reader.Open(memory), VoiceResult::Ok);
        const TmvHeader& header = reader.Header();
        EXPECT_EQ(header.frameCount, frames);
        EXPECT_EQ(header.channels, channels);
        EXPECT_EQ(header.sampleRate, rate);
        EXPECT_EQ(bytes.size(), header.FileSize());
        // Four bits a sample plus a small header per block: about a quarter of PCM.
        EXPECT_LT(bytes.size(), frames * channels * 2 * 0.26);

        const auto decoded = DecodeAll(reader);
        for (std::uint16_t ch = 0; ch < channels; ++ch) {
            std::vector<std::int16_t> in, out;
            for (std::size_t i = ch; i < source.size(); i += channels) {
                in.push_back(source[i]);
                out.push_back(decoded[i]);
            }
            EXPECT_GT(SnrDb(in, out), 25.0) << "channel " << ch;
        }
        // Every block starts from its first sample exactly.
        for (std::uint64_t f = 0; f < frames; f += header.framesPerBlock)
            for (std::uint16_t ch = 0; ch < channels; ++ch)
                EXPECT_EQ(decoded[f * channels + ch], source[f * channels + ch]) << "frame " << f;
    }
}

TEST(TmvCodec, PcmRoundTripIsExact)
{
    const auto source = MakeTones(12345, 2, 22050);
    const auto bytes = EncodeTrack(source, MakeFormat(TmvCodec::Pcm16, 2, 22050, 1000));
    CMemorySource memory(bytes);
    CTmvReader reader;
    ASSERT_EQ(reader.Open(memory), VoiceResult::Ok);
    EXPECT_EQ(DecodeAll(reader), source);
}

TEST(TmvCodec, ExtremeSamplesSurviveAdpcm)
{
    // Full-scale square waves drive the predictor into its clamps; a predictor that wrapped
    // around instead would flip the signal's sign and the ratio would go negative.
    std::vector<std::int16_t> source(4000);
    for (std::size_t i = 0; i < source.size(); ++i) source[i] = (i / 20) % 2 ? 32767 : -32768;
    const auto bytes = EncodeTrack(source, MakeFormat(TmvCodec::ImaAdpcm, 1, 8000));
    CMemorySource memory(bytes);
    CTmvReader reader;
    ASSERT_EQ(reader.Open(memory), VoiceResult::Ok);
    EXPECT_GT(SnrDb(source, DecodeAll(reader)), 5.0);
}

TEST(TmvReader, RandomAccessEqualsSequentialDecode)
{
    for (TmvCodec codec : {TmvCodec::ImaAdpcm, TmvCodec::Pcm16}) {
        const std::uint32_t frames = 20000;
        const auto source = MakeTones(frames, 2, 11025);
        const auto bytes = EncodeTrack(source, MakeFormat(codec, 2, 11025, codec == TmvCodec::ImaAdpcm ? 105 : 100));
        CMemorySource memory(bytes);
        CTmvReader sequential;
        ASSERT_EQ(sequential.Open(memory), VoiceResult::Ok);
        const auto all = DecodeAll(sequential);

        CTmvReader reader;
        ASSERT_EQ(reader.Open(memory), VoiceResult::Ok);
        std::mt19937 random(7);
        for (int i = 0; i < 300; ++i) {
            // Mostly short ranges anywhere, ending exactly at the end now and then.
            const std::uint64_t first = random() % frames;
            std::size_t count = random() % 700;
            if (i % 10 == 0) count = frames - first;
            count = std::min<std::size_t>(count, frames - first);
            std::vector<std::int16_t> part(count * 2, 0x5A5A);
            ASSERT_EQ(reader.ReadFrames(first, count, part.data()), VoiceResult::Ok);
            ASSERT_TRUE(std::equal(part.begin(), part.end(), all.begin() + first * 2)) << first << "+" << count;
        }
    }
}

TEST(TmvReader, RangesOutsideTheTrackAreRefused)
{
    const auto bytes = EncodeTrack(MakeTones(1000, 1, 8000), MakeFormat(TmvCodec::ImaAdpcm, 1, 8000));
    CMemorySource memory(bytes);
    CTmvReader reader;
    std::int16_t sample = 0;
    EXPECT_EQ(reader.ReadFrames(0, 1, &sample), VoiceResult::BadState) << "before Open";
    ASSERT_EQ(reader.Open(memory), VoiceResult::Ok);
    EXPECT_EQ(reader.ReadFrames(999, 1, &sample), VoiceResult::Ok);
    EXPECT_EQ(reader.ReadFrames(1000, 0, &sample), VoiceResult::Ok);
    EXPECT_EQ(reader.ReadFrames(1000, 1, &sample), VoiceResult::OutOfRange);
    EXPECT_EQ(reader.ReadFrames(999, 2, &sample), VoiceResult::OutOfRange);
    EXPECT_EQ(reader.ReadFrames(~0ull, 2, &sample), VoiceResult::OutOfRange);
    EXPECT_EQ(reader.ReadFrames(1, ~std::size_t{0}, &sample), VoiceResult::OutOfRange);
}

TEST(TmvReader, AnEmptyTrackOpensAndHoldsNoFrames)
{
    const auto bytes = EncodeTrack({}, MakeFormat(TmvCodec::ImaAdpcm, 1, 8000));
    EXPECT_EQ(bytes.size(), kTmvHeaderSize);
    CMemorySource memory(bytes);
    CTmvReader reader;
    ASSERT_EQ(reader.Open(memory), VoiceResult::Ok);
    EXPECT_EQ(reader.Header().frameCount, 0u);
}

TEST(TmvReader, EveryTruncationFailsCleanly)
{
    const auto bytes = EncodeTrack(MakeTones(2 * 1017 + 40, 1, 8000), MakeFormat(TmvCodec::ImaAdpcm, 1, 8000));
    ASSERT_EQ(OpenBytes(bytes), VoiceResult::Ok);
    EXPECT_EQ(OpenBytes({}), VoiceResult::NotTmv);
    for (std::size_t size = 1; size < bytes.size(); ++size) {
        const std::vector<std::uint8_t> prefix(bytes.begin(), bytes.begin() + size);
        EXPECT_EQ(OpenBytes(prefix), VoiceResult::Truncated) << size << " bytes";
    }
    auto longer = bytes;
    longer.push_back(0);
    EXPECT_EQ(OpenBytes(longer), VoiceResult::TrailingData);
}

TEST(TmvReader, CorruptHeadersGiveTheirOwnCodes)
{
    const auto good = EncodeTrack(MakeTones(3000, 1, 8000), MakeFormat(TmvCodec::ImaAdpcm, 1, 8000));
    CMemorySource memory(good);
    CTmvReader reader;
    ASSERT_EQ(reader.Open(memory), VoiceResult::Ok);
    const TmvHeader header = reader.Header();

    auto bytes = good;
    bytes[0] = 'R';
    EXPECT_EQ(OpenBytes(bytes), VoiceResult::NotTmv);

    // Any changed bit after the magic is caught, by its field or by the checksum.
    for (std::size_t i = 4; i < kTmvHeaderSize; ++i) {
        bytes = good;
        bytes[i] ^= 0x10;
        EXPECT_NE(OpenBytes(bytes), VoiceResult::Ok) << "byte " << i;
    }

    bytes = good;
    bytes[4] = 2;
    Reseal(bytes);
    EXPECT_EQ(OpenBytes(bytes), VoiceResult::UnsupportedVersion);
    bytes = good;
    bytes[6] = 7;
    Reseal(bytes);
    EXPECT_EQ(OpenBytes(bytes), VoiceResult::UnsupportedCodec);
    bytes = good;
    bytes[10] = 1;
    Reseal(bytes);
    EXPECT_EQ(OpenBytes(bytes), VoiceResult::BadHeader) << "reserved field";

    struct Case {
        const char* what;
        void (*change)(TmvHeader&);
        VoiceResult expected;
    };
    const Case cases[] = {
        {"no channels", [](TmvHeader& h) { h.channels = 0; }, VoiceResult::BadHeader},
        {"three channels", [](TmvHeader& h) { h.channels = 3; }, VoiceResult::BadHeader},
        {"rate 0", [](TmvHeader& h) { h.sampleRate = 0; }, VoiceResult::BadHeader},
        {"rate 1 MHz", [](TmvHeader& h) { h.sampleRate = 1000000; }, VoiceResult::BadHeader},
        {"empty blocks", [](TmvHeader& h) { h.framesPerBlock = 0; }, VoiceResult::BadHeader},
        {"ragged ADPCM block", [](TmvHeader& h) { h.framesPerBlock = 1000; }, VoiceResult::BadHeader},
        {"giant blocks", [](TmvHeader& h) { h.framesPerBlock = 1 + 8 * 100000; }, VoiceResult::BadHeader},
        {"block size disagrees", [](TmvHeader& h) { h.blockBytes += 4; }, VoiceResult::BadHeader},
        {"frame count of exabytes", [](TmvHeader& h) { h.frameCount = ~0ull; }, VoiceResult::Truncated},
        {"frame count beyond the data", [](TmvHeader& h) { h.frameCount += 1017; }, VoiceResult::Truncated},
        {"frame count short of the data", [](TmvHeader& h) { h.frameCount -= 1017; }, VoiceResult::TrailingData},
        {"codec changed to PCM", [](TmvHeader& h) { h.codec = TmvCodec::Pcm16; }, VoiceResult::BadHeader},
    };
    for (const Case& c : cases) {
        TmvHeader changed = header;
        c.change(changed);
        EXPECT_EQ(OpenBytes(WithHeader(good, changed)), c.expected) << c.what;
    }

    // Four bytes a frame for 2^64 - 1 frames: a file size past 64 bits.
    TmvHeader overflowing;
    ASSERT_EQ(MakeTmvHeader(MakeFormat(TmvCodec::Pcm16, 2, 8000), overflowing), VoiceResult::Ok);
    overflowing.frameCount = ~0ull;
    EXPECT_EQ(OpenBytes(WithHeader(std::vector<std::uint8_t>(kTmvHeaderSize), overflowing)), VoiceResult::BadHeader);
}

TEST(TmvReader, ACorruptBlockFailsOnlyWhereItIsRead)
{
    auto bytes = EncodeTrack(MakeTones(3 * 1017, 1, 8000), MakeFormat(TmvCodec::ImaAdpcm, 1, 8000));
    CMemorySource memory(bytes);
    CTmvReader reader;
    ASSERT_EQ(reader.Open(memory), VoiceResult::Ok);
    const TmvHeader header = reader.Header();
    bytes[header.BlockOffset(1) + 2] = 89;  // step index past the table

    std::vector<std::int16_t> frames(1017);
    EXPECT_EQ(reader.ReadFrames(0, 1017, frames.data()), VoiceResult::Ok);
    EXPECT_EQ(reader.ReadFrames(1017, 10, frames.data()), VoiceResult::CorruptBlock);
    EXPECT_EQ(reader.ReadFrames(1000, 30, frames.data()), VoiceResult::CorruptBlock);
    EXPECT_EQ(reader.ReadFrames(2034, 1017, frames.data()), VoiceResult::Ok);
}

TEST(TmvReader, RandomDamageNeverReadsOutOfBounds)
{
    const auto good = EncodeTrack(MakeTones(2500, 2, 8000), MakeFormat(TmvCodec::ImaAdpcm, 2, 8000, 153));
    std::mt19937 random(11);
    std::vector<std::int16_t> frames;
    int opened = 0;
    for (int i = 0; i < 2000; ++i) {
        auto bytes = good;
        const int flips = 1 + random() % 4;
        for (int f = 0; f < flips; ++f) bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
        // Keep the header intact half of the time so the damage reaches the blocks.
        if (i % 2) std::copy(good.begin(), good.begin() + kTmvHeaderSize, bytes.begin());
        CMemorySource memory(bytes);
        CTmvReader reader;
        if (reader.Open(memory) != VoiceResult::Ok) continue;
        ++opened;
        const auto count = static_cast<std::size_t>(reader.Header().frameCount);
        frames.resize(count * reader.Header().channels);
        const VoiceResult result = reader.ReadFrames(0, count, frames.data());
        EXPECT_TRUE(result == VoiceResult::Ok || result == VoiceResult::CorruptBlock);
    }
    EXPECT_GT(opened, 900);
}
