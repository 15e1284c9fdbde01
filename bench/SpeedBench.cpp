// Listening speeds: what the time stretcher costs against the decoder, how well it keeps the
// pitch and the length, what playing at 2x costs the process through the real graph, and how
// soon a new speed is heard after the engine is told.
#include "bench/BenchInputs.h"
#include "bench/BenchSupport.h"
#include "bench/Benchmarks.h"
#include "engine/AudioPlayer.h"
#include "base/ExternalNames.h"
#include "base/ComPtr.h"
#include "tests/support/TestSignals.h"
#include "voice/TimeStretch.h"
#include "voice/TmvReader.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
constexpr std::uint32_t kTrackSeconds = 120;
constexpr std::size_t kPieceFrames = 4096;
constexpr double kCpuTarget = 0.02;       // of one core, playing at 2x
constexpr double kAccuracyTarget = 0.01;  // pitch and duration
constexpr double kDelayTarget = 0.200;    // seconds from SetSpeed to the new speed

// The thread's CPU seconds for stretching `samples` at `speed`, one piece at a time as the
// filter does, with the output pulled as it comes.
double StretchCpu(const std::vector<std::int16_t>& samples, std::uint16_t channels, std::uint32_t rate, double speed,
                  std::uint64_t& produced)
{
    CTimeStretcher stretcher;
    Expect(stretcher.Configure(rate, channels) && stretcher.SetSpeed(speed), "the stretcher refused its format");
    std::vector<std::int16_t> out(kPieceFrames * channels);
    produced = 0;
    const std::size_t frames = samples.size() / channels;
    const double cpu = ThreadCpuSeconds();
    for (std::size_t first = 0; first < frames; first += kPieceFrames) {
        stretcher.Push(samples.data() + first * channels, std::min(kPieceFrames, frames - first));
        while (const std::size_t got = stretcher.Pull(out.data(), kPieceFrames)) produced += got;
    }
    stretcher.Flush();
    while (const std::size_t got = stretcher.Pull(out.data(), kPieceFrames)) produced += got;
    return ThreadCpuSeconds() - cpu;
}

// The thread's CPU seconds for decoding the same length of ADPCM in the same layout.
double DecodeCpu(const std::vector<std::int16_t>& samples, std::uint16_t channels, std::uint32_t rate)
{
    TmvFormat format;
    format.channels = channels;
    format.sampleRate = rate;
    const std::vector<std::uint8_t> track = EncodeTrack(samples, format);
    CMemorySource source(track);
    CTmvReader reader;
    Expect(reader.Open(source) == VoiceResult::Ok, "the decoder refused the track it was given");
    std::vector<std::int16_t> piece(kPieceFrames * channels);
    const std::uint64_t frames = reader.Header().frameCount;
    const double cpu = ThreadCpuSeconds();
    for (std::uint64_t first = 0; first < frames; first += kPieceFrames) {
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(kPieceFrames, frames - first));
        Expect(reader.ReadFrames(first, count, piece.data()) == VoiceResult::Ok, "the decoder failed");
    }
    return ThreadCpuSeconds() - cpu;
}

void StretchCost(int runs)
{
    struct Layout {
        std::uint32_t rate;
        std::uint16_t channels;
        const char* name;
    };
    for (const Layout& layout : {Layout{16000, 1, "16 kHz mono"}, Layout{44100, 2, "44.1 kHz stereo"}}) {
        const std::vector<std::int16_t> voice = MakeTones(layout.rate * kTrackSeconds, layout.channels, layout.rate);
        std::vector<double> decodes;
        for (int run = 0; run < runs; ++run) decodes.push_back(DecodeCpu(voice, layout.channels, layout.rate));
        const double decodeMs = 1000 * Median(decodes) / kTrackSeconds;
        for (const double speed : {2.0, 0.5}) {
            std::vector<double> stretches;
            std::uint64_t produced = 0;
            for (int run = 0; run < runs; ++run)
                stretches.push_back(StretchCpu(voice, layout.channels, layout.rate, speed, produced));
            Expect(produced == static_cast<std::uint64_t>(std::llround(layout.rate * kTrackSeconds / speed)),
                   "the stretched length is wrong");
            const double stretchMs = 1000 * Median(stretches) / kTrackSeconds;
            // At 2x one second of listening holds two of the recording, decoded and stretched.
            const double share = (stretchMs + decodeMs) * speed / 1000;
            PrintRow({"Speed", Format("stretch %s at %gx, CPU per second of recording (%u s, one thread)", layout.name,
                                      speed, kTrackSeconds),
                      Format("%.2f ms/s", stretchMs), Format("decoder %.2f ms/s", decodeMs),
                      Format("%.1fx", stretchMs / decodeMs),
                      Format("decode + stretch %.2f%% of a core while listening (< %.0f%%)", 100 * share, 100 * kCpuTarget),
                      Verdict(share < kCpuTarget)});
        }
    }
}

// Dominant frequency and length of a 440 Hz and a 1 kHz tone at every speed.
void Accuracy()
{
    const std::uint32_t rate = 16000;
    for (const double speed : kListeningSpeeds) {
        double worstPitch = 0, worstLength = 0;
        std::string figures;
        for (const double hertz : {440.0, 1000.0}) {
            const std::vector<std::int16_t> tone = MakeSine(rate * 10, 1, rate, hertz);
            CTimeStretcher stretcher;
            Expect(stretcher.Configure(rate, 1) && stretcher.SetSpeed(speed), "the stretcher refused its format");
            stretcher.Push(tone.data(), tone.size());
            stretcher.Flush();
            std::vector<std::int16_t> out(stretcher.Available());
            stretcher.Pull(out.data(), out.size());
            const double heard = ToneFrequency(out, 1, 0, rate, out.size() / 20, out.size() * 19 / 20);
            const double pitch = std::fabs(heard - hertz) / hertz;
            const double expected = tone.size() / speed;
            const double length = std::fabs(out.size() - expected) / expected;
            worstPitch = std::max(worstPitch, pitch);
            worstLength = std::max(worstLength, length);
            figures += Format("%s%.0f Hz heard at %.2f Hz", figures.empty() ? "" : ", ", hertz, heard);
        }
        PrintRow({"Speed", Format("pitch and length at %gx (10 s tones, 16 kHz): %s", speed, figures.c_str()),
                  Format("pitch %.3f%%, length %.4f%%", 100 * worstPitch, 100 * worstLength),
                  "the tones as recorded", "-", Format("< %.0f%% each", 100 * kAccuracyTarget),
                  Verdict(worstPitch < kAccuracyTarget && worstLength < kAccuracyTarget)});
    }
}

// A message-only window owns the position timer the player arms; its ticks are only dispatched.
class CTimerWindow {
public:
    CTimerWindow() : m_hwnd(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) {}
    ~CTimerWindow() { DestroyWindow(m_hwnd); }
    HWND Get() const { return m_hwnd; }
    void Pump(double seconds) const
    {
        // Waits for messages as the player's own loop does, so the waiting costs nothing.
        const CStopwatch watch;
        while (watch.Seconds() < seconds) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        }
    }

private:
    HWND m_hwnd;
};

struct PositionSample {
    double wall;
    double position;
};

// Least-squares line through the samples: position = slope * wall + offset.
void FitLine(const std::vector<PositionSample>& samples, double& slope, double& offset)
{
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const PositionSample& s : samples) {
        n += 1;
        sx += s.wall;
        sy += s.position;
        sxx += s.wall * s.wall;
        sxy += s.wall * s.position;
    }
    slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    offset = (sy - slope * sx) / n;
}

std::vector<PositionSample> FollowPosition(CAudioPlayer& player, const CStopwatch& clock, double seconds)
{
    std::vector<PositionSample> samples;
    const double end = clock.Seconds() + seconds;
    while (clock.Seconds() < end) {
        LONGLONG milliseconds = 0;
        Expect(SUCCEEDED(player.GetPositionMs(milliseconds)), "the position query failed");
        samples.push_back({clock.Seconds(), milliseconds / 1000.0});
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(5);
    }
    return samples;
}

// The process's CPU share over `seconds` while the window's thread waits for messages.
double ProcessShare(const CTimerWindow& window, double seconds)
{
    const double before = ProcessCpuSeconds(GetCurrentProcess());
    window.Pump(seconds);
    return (ProcessCpuSeconds(GetCurrentProcess()) - before) / seconds;
}

// The same track played by the graph the player built before the speed filter: the source filter
// rendered straight to the audio renderer.
double PlainGraphShare(const CTimerWindow& window, const std::wstring& path, double seconds)
{
    ComPtr<IGraphBuilder> graph;
    ComPtr<IFileSourceFilter> source;
    ComPtr<IBaseFilter> filter;
    ComPtr<IPin> output;
    ComPtr<IMediaControl> control;
    BSTR name = SysAllocString(path.c_str());
    const bool built =
        SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                   reinterpret_cast<void**>(&graph))) &&
        SUCCEEDED(CoCreateInstance(CLSID_RecorderSourceFilter, nullptr, CLSCTX_INPROC_SERVER, IID_IFileSourceFilter,
                                   reinterpret_cast<void**>(&source))) &&
        SUCCEEDED(source->Load(name, nullptr)) && SUCCEEDED(source.As(filter)) &&
        SUCCEEDED(graph->AddFilter(filter.Get(), kSourceFilterName)) &&
        SUCCEEDED(filter->FindPin(L"Output", &output)) && SUCCEEDED(graph->Render(output.Get())) &&
        SUCCEEDED(graph.As(control)) && SUCCEEDED(control->Run());
    SysFreeString(name);
    Expect(built, "the plain graph does not play");
    window.Pump(1);
    const double share = ProcessShare(window, seconds);
    control->Stop();
    return share;
}

// Playing a track through the real graph: the process's CPU at 2x against 1x, and the delay
// from SetSpeed to the moment the recording position starts running at the new speed.
void PlaybackAtSpeed(int runs)
{
    const std::wstring path = TempFolder() + L"kavbench-speed.tmv";
    TmvFormat format;
    format.sampleRate = 16000;
    WriteTestTrack(path, format, std::uint64_t(format.sampleRate) * kTrackSeconds);
    const CTimerWindow window;
    CAudioPlayer player;
    Expect(SUCCEEDED(player.Initialize(window.Get())), "the player needs the sound server");

    const double seconds = 10;
    const double plain = PlainGraphShare(window, path, seconds);
    for (const double speed : {1.0, 2.0}) {
        Expect(SUCCEEDED(player.SetSpeed(speed)) && SUCCEEDED(player.BuildGraph(path)) && SUCCEEDED(player.Play()),
               "the track does not play");
        window.Pump(1);
        const double share = ProcessShare(window, seconds);
        player.ReleaseGraph();
        // What the speed filter adds to playing is the target; the graph's own share is machine's.
        PrintRow({"Speed", Format("bench process CPU playing a 16 kHz ADPCM track at %gx through the speed filter, %.0f s",
                                  speed, seconds),
                  Format("%.2f%%", 100 * share), Format("without the filter %.2f%%", 100 * plain),
                  Format("%+.2f points", 100 * (share - plain)), Format("added < %.0f%%", 100 * kCpuTarget),
                  Verdict(share - plain < kCpuTarget)});
    }

    std::vector<double> delays;
    Expect(SUCCEEDED(player.SetSpeed(1.0)) && SUCCEEDED(player.BuildGraph(path)) && SUCCEEDED(player.Play()),
           "the track does not play");
    window.Pump(1);
    for (int run = 0; run < runs; ++run) {
        const double from = run % 2 ? 2.0 : 1.0, to = run % 2 ? 1.0 : 2.0;
        const CStopwatch clock;
        const std::vector<PositionSample> before = FollowPosition(player, clock, 1.0);
        const double changed = clock.Seconds();
        Expect(SUCCEEDED(player.SetSpeed(to)), "SetSpeed failed");
        FollowPosition(player, clock, 0.4);
        const std::vector<PositionSample> after = FollowPosition(player, clock, 1.0);
        double slopeBefore = 0, offsetBefore = 0, slopeAfter = 0, offsetAfter = 0;
        FitLine(before, slopeBefore, offsetBefore);
        FitLine(after, slopeAfter, offsetAfter);
        Expect(std::fabs(slopeBefore - from) < 0.1 && std::fabs(slopeAfter - to) < 0.1,
               Format("the position ran at %.2fx and %.2fx, not %gx and %gx", slopeBefore, slopeAfter, from, to));
        delays.push_back((offsetBefore - offsetAfter) / (slopeAfter - slopeBefore) - changed);
    }
    player.ReleaseGraph();
    DeleteFileW(path.c_str());
    Note("speed change delays:%s", ListMilliseconds(delays).c_str());
    PrintRow({"Speed", Format("delay from CAudioPlayer::SetSpeed to the new speed at the renderer, %d changes 1x<->2x, median (max %s)",
                              runs, Milliseconds(Maximum(delays)).c_str()),
              Milliseconds(Median(delays)), "-", "-", Format("< %.0f ms", 1000 * kDelayTarget),
              Verdict(Maximum(delays) < kDelayTarget)});
}
}  // namespace

void SpeedBenchmark(const Arguments& arguments)
{
    const int runs = std::max(1, std::atoi(OptionValue(arguments, "--runs", "5").c_str()));
    // Playing first, in a process that has done nothing else yet, as the player's would.
    PlaybackAtSpeed(runs);
    StretchCost(runs);
    Accuracy();
}
