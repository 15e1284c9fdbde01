// WAVE input and output, the virtual WAVE stream the source filter presents, and the file
// conversions behind kavtool encode and decode.
#include "base/ByteOrder.h"
#include "tests/support/TestSignals.h"
#include "voice/TmvReader.h"
#include "voice/VoiceFiles.h"
#include "voice/WaveStreamView.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

namespace {
std::vector<std::int16_t> ReadWav(const std::vector<std::uint8_t>& bytes, CWavReader& reader)
{
    CMemorySource source(bytes);
    EXPECT_EQ(reader.Open(source), VoiceResult::Ok);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(reader.FrameCount()) * reader.Channels());
    std::size_t read = 0;
    EXPECT_EQ(reader.Read(samples.data(), static_cast<std::size_t>(reader.FrameCount()), read), VoiceResult::Ok);
    EXPECT_EQ(read, reader.FrameCount());
    return samples;
}

// Header of an ADPCM track followed by silent blocks that are produced, not stored, so tracks
// of any length can be opened without the memory or disk they would take.
class CSilentTrackSource : public IByteSource {
public:
    CSilentTrackSource(std::uint64_t frames, std::uint32_t rate)
    {
        MakeTmvHeader(MakeFormat(TmvCodec::ImaAdpcm, 1, rate), m_header);
        m_header.frameCount = frames;
        SerializeTmvHeader(m_header, m_bytes);
    }
    std::uint64_t Size() const override { return m_header.FileSize(); }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override
    {
        if (offset > Size() || size > Size() - offset) return false;
        auto* out = static_cast<std::uint8_t*>(buffer);
        std::memset(out, 0, size);
        for (std::size_t i = 0; i < size && offset + i < kTmvHeaderSize; ++i) out[i] = m_bytes[offset + i];
        ++reads;
        bytesRead += size;
        return true;
    }
    std::uint64_t reads = 0, bytesRead = 0;

private:
    TmvHeader m_header;
    std::uint8_t m_bytes[kTmvHeaderSize];
};

std::filesystem::path TempPath(const char* name)
{
    return std::filesystem::temp_directory_path() / name;
}
}

TEST(WavFile, WriterAndReaderAgree)
{
    const auto samples = MakeTones(5000, 2, 44100);
    const auto bytes = MakeWav(samples, 2, 44100);
    EXPECT_EQ(bytes.size(), kWavHeaderSize + samples.size() * 2);
    CWavReader reader;
    EXPECT_EQ(ReadWav(bytes, reader), samples);
    EXPECT_EQ(reader.Channels(), 2);
    EXPECT_EQ(reader.SampleRate(), 44100u);
}

TEST(WavFile, ReaderSkipsExtraChunksAndAcceptsTheExtensibleForm)
{
    const auto samples = MakeTones(301, 1, 8000);
    const auto plain = MakeWav(samples, 1, 8000);
    // RIFF WAVE, an odd-sized LIST chunk with its pad byte, a 40-byte extensible fmt, then data.
    std::vector<std::uint8_t> bytes(plain.begin(), plain.begin() + 12);
    const std::uint8_t list[] = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    bytes.insert(bytes.end(), list, list + sizeof(list));
    std::uint8_t fmt[48] = {'f', 'm', 't', ' ', 40};
    std::memcpy(fmt + 8, plain.data() + 20, 16);
    StoreLe16(fmt + 8, 0xFFFE);
    StoreLe16(fmt + 24, 22);
    const std::uint8_t pcm[16] = {1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    std::memcpy(fmt + 32, pcm, sizeof(pcm));
    bytes.insert(bytes.end(), fmt, fmt + sizeof(fmt));
    bytes.insert(bytes.end(), plain.begin() + 36, plain.end());

    CWavReader reader;
    EXPECT_EQ(ReadWav(bytes, reader), samples);
}

TEST(WavFile, ADataSizeBeyondTheFileReadsWhatIsThere)
{
    const auto samples = MakeTones(1000, 1, 8000);
    auto bytes = MakeWav(samples, 1, 8000);
    StoreLe32(bytes.data() + 40, 0xFFFFFFFF);  // as a writer streaming to a pipe leaves it
    bytes.pop_back();                          // and half a sample at the end
    CWavReader reader;
    const auto read = ReadWav(bytes, reader);
    EXPECT_EQ(read.size(), 999u);
    EXPECT_TRUE(std::equal(read.begin(), read.end(), samples.begin()));
}

TEST(WavFile, UnsupportedAndBrokenFilesAreRefused)
{
    const auto good = MakeWav(MakeTones(100, 1, 8000), 1, 8000);
    CWavReader reader;
    auto open = [&](const std::vector<std::uint8_t>& bytes) {
        CMemorySource source(bytes);
        return reader.Open(source);
    };
    auto bytes = good;
    StoreLe16(bytes.data() + 34, 8);  // 8-bit samples
    EXPECT_EQ(open(bytes), VoiceResult::UnsupportedWav);
    bytes = good;
    StoreLe16(bytes.data() + 20, 3);  // floating point
    EXPECT_EQ(open(bytes), VoiceResult::UnsupportedWav);
    bytes = good;
    StoreLe16(bytes.data() + 22, 6);  // six channels
    EXPECT_EQ(open(bytes), VoiceResult::UnsupportedWav);
    bytes = good;
    std::memcpy(bytes.data() + 8, "AVI ", 4);
    EXPECT_EQ(open(bytes), VoiceResult::NotWav);
    bytes = good;
    StoreLe32(bytes.data() + 16, 0xFFFFFFF0);  // fmt chunk larger than the file
    EXPECT_EQ(open(bytes), VoiceResult::NotWav);
    for (std::size_t size = 0; size < kWavHeaderSize; ++size)
        EXPECT_EQ(open(std::vector<std::uint8_t>(good.begin(), good.begin() + size)), VoiceResult::NotWav) << size;
}

TEST(WaveStreamView, PresentsTheDecodedTrackAsAWaveFile)
{
    const auto bytes = EncodeTrack(MakeTones(7000, 2, 16000), MakeFormat(TmvCodec::ImaAdpcm, 2, 16000, 513));
    CMemorySource tmv(bytes);
    CMemorySink expected;
    ASSERT_EQ(DecodeToWav(tmv, expected), VoiceResult::Ok);

    CWaveStreamView view;
    ASSERT_EQ(view.Open(tmv), VoiceResult::Ok);
    ASSERT_EQ(view.Length(), expected.Bytes().size());
    EXPECT_EQ(view.Length(), kWavHeaderSize + 7000u * 4);

    std::mt19937 random(3);
    std::vector<std::uint8_t> part;
    for (int i = 0; i < 400; ++i) {
        // Odd offsets and sizes start and end inside samples and inside the header.
        const std::uint64_t offset = i < 50 ? random() % 60 : random() % (view.Length() + 10);
        const std::size_t size = random() % 9000;
        part.assign(size, 0xEE);
        std::size_t copied = 0;
        ASSERT_EQ(view.Read(offset, part.data(), size, copied), VoiceResult::Ok);
        const std::uint64_t left = offset < view.Length() ? view.Length() - offset : 0;
        ASSERT_EQ(copied, std::min<std::uint64_t>(size, left));
        ASSERT_TRUE(std::equal(part.begin(), part.begin() + copied, expected.Bytes().begin() + offset))
            << offset << "+" << size;
    }
}

TEST(WaveStreamView, ATwoHourTrackIsReadOnlyWhereAsked)
{
    const std::uint32_t rate = 16000;
    CSilentTrackSource source(2ull * 3600 * rate + 5, rate);
    CWaveStreamView view;
    ASSERT_EQ(view.Open(source), VoiceResult::Ok);
    EXPECT_EQ(view.Length(), kWavHeaderSize + (2ull * 3600 * rate + 5) * 2);

    // The last second of the recording: only the blocks under it are read.
    const std::uint64_t offset = view.Length() - 2 * rate;
    std::vector<std::uint8_t> tail(2 * rate);
    std::size_t copied = 0;
    source.bytesRead = 0;
    ASSERT_EQ(view.Read(offset, tail.data(), tail.size(), copied), VoiceResult::Ok);
    EXPECT_EQ(copied, tail.size());
    EXPECT_LE(source.bytesRead, (rate / 1017 + 2) * 512u);
}

TEST(WaveStreamView, TracksBeyondWhatAWaveFileCanHoldAreRefused)
{
    // 4 GB of 16-bit mono samples is a little over 37 hours at 16 kHz.
    CSilentTrackSource tooLong(kWavMaxDataBytes / 2 + 1, 16000);
    CWaveStreamView view;
    EXPECT_EQ(view.Open(tooLong), VoiceResult::TooLong);
    CSilentTrackSource longest(kWavMaxDataBytes / 2, 16000);
    EXPECT_EQ(view.Open(longest), VoiceResult::Ok);
}

TEST(VoiceFiles, EncodeAndDecodeFilesRoundTrip)
{
    const auto wavIn = TempPath("kav-voice-in.wav"), tmv = TempPath("kav-voice.tmv"), wavOut = TempPath("kav-voice-out.wav");
    const auto samples = MakeTones(9000, 1, 22050);
    {
        const auto bytes = MakeWav(samples, 1, 22050);
        CFileSink sink(wavIn);
        ASSERT_TRUE(sink.Write(bytes.data(), bytes.size()));
        ASSERT_TRUE(sink.Close());
    }
    for (TmvCodec codec : {TmvCodec::Pcm16, TmvCodec::ImaAdpcm}) {
        const VoiceOutcome encoded = EncodeWavFile(wavIn, tmv, codec);
        ASSERT_TRUE(encoded.Succeeded()) << encoded.message;
        const VoiceOutcome decoded = DecodeToWavFile(tmv, wavOut);
        ASSERT_TRUE(decoded.Succeeded()) << decoded.message;

        CFileSource out(wavOut);
        CWavReader reader;
        ASSERT_EQ(reader.Open(out), VoiceResult::Ok);
        std::vector<std::int16_t> read(9000);
        std::size_t count = 0;
        ASSERT_EQ(reader.Read(read.data(), read.size(), count), VoiceResult::Ok);
        ASSERT_EQ(count, 9000u);
        if (codec == TmvCodec::Pcm16)
            EXPECT_EQ(read, samples);
        else
            EXPECT_GT(SnrDb(samples, read), 25.0);
    }
    std::filesystem::remove(wavIn);
    std::filesystem::remove(tmv);
    std::filesystem::remove(wavOut);
}

TEST(VoiceFiles, AFailedConversionLeavesNoOutputAndNamesTheInput)
{
    const auto notWav = TempPath("kav-voice-not.wav"), tmv = TempPath("kav-voice-none.tmv");
    {
        CFileSink sink(notWav);
        ASSERT_TRUE(sink.Write("hello, not a wave file", 22));
        ASSERT_TRUE(sink.Close());
    }
    const VoiceOutcome encoded = EncodeWavFile(notWav, tmv, TmvCodec::ImaAdpcm);
    EXPECT_EQ(encoded.result, VoiceResult::NotWav);
    EXPECT_NE(encoded.message.find("kav-voice-not.wav"), std::string::npos) << encoded.message;
    EXPECT_FALSE(std::filesystem::exists(tmv));

    const VoiceOutcome decoded = DecodeToWavFile(notWav, tmv);
    EXPECT_EQ(decoded.result, VoiceResult::NotTmv);
    EXPECT_FALSE(std::filesystem::exists(tmv));

    const VoiceOutcome missing = DecodeToWavFile(TempPath("kav-voice-missing.tmv"), tmv);
    EXPECT_EQ(missing.result, VoiceResult::ReadError);
    std::filesystem::remove(notWav);
}
