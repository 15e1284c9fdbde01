// Decoding: the voice decoder's speed in multiples of real time on one thread, the same through
// the source filter's IAsyncReader, and how long the filter takes from a read request at a new
// position to the decoded samples there.
#include "base/ComPtr.h"
#include "base/ExternalNames.h"
#include "base/Handles.h"
#include "bench/BenchInputs.h"
#include "bench/BenchSupport.h"
#include "bench/Benchmarks.h"
#include "voice/ByteIo.h"
#include "voice/TmvReader.h"
#include "voice/WaveStreamView.h"

#include <dshow.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>

namespace {
constexpr std::uint32_t kRate = 16000;
constexpr std::uint32_t kTrackSeconds = 600;
constexpr double kRealTimeTarget = 200;
// IMA ADPCM keeps this test signal well above this; a decoder that returns the wrong block,
// garbage or silence falls far below it.
constexpr double kMinimumSnrDb = 25;
constexpr std::size_t kReadFrames = 4096;
constexpr LONG kFilterReadBytes = 32768;
constexpr LONG kSeekReadBytes = 4096;
constexpr int kSeeks = 200;

std::vector<std::uint8_t> EncodeInMemory(std::uint64_t frames)
{
    TmvFormat format;
    format.sampleRate = kRate;
    CMemorySink sink;
    EncodeTestSignal(sink, format, frames);
    return sink.Bytes();
}

// Signal-to-noise ratio of decoded samples against the test signal they were encoded from.
class CSnrMeter {
public:
    explicit CSnrMeter(const CTestSignal& signal) : m_signal(signal) {}
    void Add(std::uint64_t first, const std::int16_t* samples, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i) {
            const double expected = m_signal.At(first + i);
            const double error = expected - samples[i];
            m_signal2 += expected * expected;
            m_noise2 += error * error;
        }
    }
    double Db() const { return m_noise2 == 0 ? 200 : 10 * std::log10(m_signal2 / m_noise2); }

private:
    const CTestSignal& m_signal;
    double m_signal2 = 0;
    double m_noise2 = 0;
};

void WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes)
{
    CFileSink sink(path.c_str());
    Expect(sink.IsOpen() && sink.Write(bytes.data(), bytes.size()) && sink.Close(), "cannot write " + Narrow(path));
}

// The recorder source filter made by its class identifier, loaded with a voice file, and the
// reader of its output pin: the path every byte the player hears takes.
struct CFilterReader {
    ComPtr<IBaseFilter> filter;
    ComPtr<IAsyncReader> reader;

    explicit CFilterReader(const std::wstring& path)
    {
        ComPtr<IFileSourceFilter> file;
        HRESULT hr = file.CreateInstance(CLSID_RecorderSourceFilter);
        Expect(SUCCEEDED(hr), Format("the source filter cannot be created (0x%08lX): is it registered?",
                                     static_cast<unsigned long>(hr)));
        BSTR name = SysAllocString(path.c_str());
        hr = file->Load(name, nullptr);
        SysFreeString(name);
        Expect(SUCCEEDED(hr), "the filter could not load the track");
        Expect(SUCCEEDED(file.As(filter)), "the filter has no IBaseFilter");
        ComPtr<IPin> pin;
        Expect(SUCCEEDED(filter->FindPin(kSourceFilterOutputPin, &pin)), "the filter has no Output pin");
        Expect(SUCCEEDED(pin.As(reader)), "the Output pin has no IAsyncReader");
    }
};

// The decoder alone: every frame of the track read in pieces from memory.
void DecoderSpeed(const CTestSignal& signal, const std::vector<std::uint8_t>& track, int runs)
{
    CMemorySource source(track);
    CTmvReader reader;
    Expect(reader.Open(source) == VoiceResult::Ok, "the decoder refused the track it was given");
    const std::uint64_t frames = reader.Header().frameCount;
    std::vector<std::int16_t> piece(kReadFrames);
    std::vector<double> walls, cpus;
    for (int run = 0; run < runs; ++run) {
        CSnrMeter snr(signal);
        const double cpu = ThreadCpuSeconds();
        const CStopwatch watch;
        for (std::uint64_t first = 0; first < frames; first += kReadFrames) {
            const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(kReadFrames, frames - first));
            Expect(reader.ReadFrames(first, count, piece.data()) == VoiceResult::Ok, "the decoder failed");
            // Only the first run compares, so the timed runs after it measure decoding alone.
            if (run == 0) snr.Add(first, piece.data(), count);
        }
        walls.push_back(watch.Seconds());
        cpus.push_back(ThreadCpuSeconds() - cpu);
        if (run == 0) {
            Expect(snr.Db() > kMinimumSnrDb, Format("decoded audio is %.1f dB from its source", snr.Db()));
            Note("decoder: %.1f dB signal-to-noise against the encoder's input", snr.Db());
        }
    }
    const double seconds = static_cast<double>(frames) / kRate;
    const double speed = seconds / Median(walls);
    PrintRow({"Decode", Format("TMV decoder, 16 kHz mono ADPCM, %u s track, one thread", kTrackSeconds),
              Format("%.0fx real time", speed), Format("thread CPU %.0f%% of wall", 100 * Median(cpus) / Median(walls)),
              "-", Format(">= %.0fx", kRealTimeTarget), Verdict(speed >= kRealTimeTarget)});
}

// The same track through the filter: the WAVE stream it presents, read front to back.
void FilterSpeed(const std::wstring& path, const std::vector<std::uint8_t>& track, int runs)
{
    CFilterReader filter(path);
    LONGLONG total = 0, available = 0;
    Expect(SUCCEEDED(filter.reader->Length(&total, &available)) && total == available, "the filter's Length failed");
    CMemorySource memory(track);
    CWaveStreamView expected;
    Expect(expected.Open(memory) == VoiceResult::Ok, "the stream view refused the track");
    Expect(static_cast<std::uint64_t>(total) == expected.Length(), "the filter's stream has the wrong length");

    std::vector<BYTE> piece(kFilterReadBytes), reference(kFilterReadBytes);
    std::vector<double> walls;
    for (int run = 0; run < runs; ++run) {
        const CStopwatch watch;
        for (LONGLONG at = 0; at < total; at += kFilterReadBytes) {
            const LONG length = static_cast<LONG>(std::min<LONGLONG>(kFilterReadBytes, total - at));
            Expect(SUCCEEDED(filter.reader->SyncRead(at, length, piece.data())), "SyncRead failed");
            if (run == 0) {
                std::size_t copied = 0;
                expected.Read(static_cast<std::uint64_t>(at), reference.data(), static_cast<std::size_t>(length), copied);
                Expect(copied == static_cast<std::size_t>(length) &&
                           std::memcmp(piece.data(), reference.data(), copied) == 0,
                       Format("the filter delivered other bytes than the decoder at %lld", at));
            }
        }
        walls.push_back(watch.Seconds());
    }
    const double speed = kTrackSeconds / Median(walls);
    PrintRow({"Decode", "source filter, IAsyncReader::SyncRead of 32 KB pieces, front to back",
              Format("%.0fx real time", speed), "-", "-", Format(">= %.0fx", kRealTimeTarget),
              Verdict(speed >= kRealTimeTarget)});
}

// A read at a new position: the time from the request to the decoded samples there, against
// reading the one block under it straight from the file.
void SeekLatency(const std::wstring& path, const std::vector<std::uint8_t>& track)
{
    CFilterReader filter(path);
    CMemorySource memory(track);
    CWaveStreamView expected;
    Expect(expected.Open(memory) == VoiceResult::Ok, "the stream view refused the track");
    const TmvHeader& header = expected.Header();
    UniqueFile raw(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    Expect(raw.IsValid(), "cannot open the track for the reference reads");

    std::mt19937_64 random(20240611);
    std::vector<BYTE> piece(kSeekReadBytes), reference(kSeekReadBytes), block(header.blockBytes);
    std::vector<double> seeks, rawReads;
    for (int i = 0; i < kSeeks; ++i) {
        const std::uint64_t frame = random() % (header.frameCount - kSeekReadBytes / 2);
        const LONGLONG at = static_cast<LONGLONG>(kWavHeaderSize + frame * 2);
        CStopwatch watch;
        Expect(SUCCEEDED(filter.reader->SyncRead(at, kSeekReadBytes, piece.data())), "SyncRead after a seek failed");
        seeks.push_back(watch.Seconds());

        OVERLAPPED offset{};
        const std::uint64_t blockAt = header.BlockOffset(header.BlockOfFrame(frame));
        offset.Offset = static_cast<DWORD>(blockAt);
        offset.OffsetHigh = static_cast<DWORD>(blockAt >> 32);
        DWORD read = 0;
        watch.Restart();
        Expect(ReadFile(raw.Get(), block.data(), header.blockBytes, &read, &offset) && read == header.blockBytes,
               "the reference read failed");
        rawReads.push_back(watch.Seconds());

        std::size_t copied = 0;
        expected.Read(static_cast<std::uint64_t>(at), reference.data(), kSeekReadBytes, copied);
        Expect(copied == kSeekReadBytes && std::memcmp(piece.data(), reference.data(), copied) == 0,
               Format("after a seek to frame %llu the filter delivered other samples", static_cast<unsigned long long>(frame)));
    }
    const double latency = Median(seeks);
    PrintRow({"Decode", Format("filter seek: SyncRead of 4 KB at %d random positions, median (max %s)", kSeeks,
                               Milliseconds(Maximum(seeks)).c_str()),
              Milliseconds(latency), "ReadFile of the block " + Milliseconds(Median(rawReads)),
              Format("%.1fx", latency / Median(rawReads)), "median < 10 ms", Verdict(latency < 0.010)});
}
}  // namespace

void DecodeBenchmark(const Arguments& arguments)
{
    const int runs = std::max(1, std::atoi(OptionValue(arguments, "--runs", "5").c_str()));
    const CTestSignal signal(kRate);
    const std::vector<std::uint8_t> track = EncodeInMemory(std::uint64_t(kTrackSeconds) * kRate);
    const std::wstring path = TempFolder() + L"kavbench-decode.tmv";
    WriteBytes(path, track);

    DecoderSpeed(signal, track, runs);
    FilterSpeed(path, track, runs);
    SeekLatency(path, track);
    DeleteFileW(path.c_str());
}
