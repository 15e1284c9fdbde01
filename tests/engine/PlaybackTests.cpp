// The audio player and the playback monitor on a real voice track, through the registered
// recorder source filter, Wine's filter graph and the null sink, driven by the position timer
// of a test window as the player window drives them.
#include "engine/PlaybackMonitor.h"
#include "tests/engine/EngineTestWindow.h"
#include "tests/engine/FilterTestGraph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

namespace {
constexpr std::uint32_t kRate = 8000;
// The track lasts 12.5 s, so its whole-second duration is 12.
constexpr std::uint32_t kTrackFrames = kRate * 25 / 2;
constexpr int kDuration = 12;

// The window side of the monitor: what it was asked to show.
struct CRecordingView final : IPlaybackView {
    std::vector<int> progress;
    int ends = 0;
    int failures = 0;
    void ShowProgress(int seconds) override { progress.push_back(seconds); }
    void ShowEnd() override { ++ends; }
    void ReportPlaybackFailure() override { ++failures; }
};

// A folder of the temporary folder, removed with whatever is left in it.
class CTempFolder {
public:
    explicit CTempFolder(const wchar_t* name) : m_path(std::filesystem::temp_directory_path() / name)
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
        std::filesystem::create_directories(m_path, ignored);
    }
    ~CTempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// One track and one window serve every case; each case has its own player and monitor.
class AudioPlayback : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_window = std::make_unique<CEngineTestWindow>();
        s_track = std::make_unique<CTempVoiceFile>(L"kav-engine-track.tmv", MakeClock(kTrackFrames, kRate),
                                                   MakeFormat(TmvCodec::ImaAdpcm, 1, kRate));
    }
    static void TearDownTestSuite()
    {
        s_track.reset();
        s_window.reset();
    }

    void SetUp() override
    {
        ASSERT_TRUE(s_track->Ok());
        s_window->KillPositionTimer();
        s_window->ResetCounts();
        s_window->OnPositionTick([this] { m_monitor.OnTick(m_player, m_view); });
        ASSERT_EQ(m_player.Initialize(s_window->Get()), S_OK) << "the tests need the PulseAudio null sink";
    }
    void TearDown() override
    {
        m_player.ReleaseGraph();
        s_window->OnPositionTick({});
    }

    CEngineTestWindow& Window() { return *s_window; }
    std::wstring Track() const { return s_track->Path(); }

    void BuildTrackGraph()
    {
        const HRESULT hr = m_player.BuildGraph(Track());
        ASSERT_TRUE(SUCCEEDED(hr)) << std::hex << hr << " (is KavoraSource.dll registered?)";
    }
    int Position()
    {
        int seconds = -1;
        EXPECT_EQ(m_player.GetPosition(seconds), S_OK);
        return seconds;
    }
    int Duration()
    {
        int seconds = -1;
        EXPECT_EQ(m_player.GetDuration(seconds), S_OK);
        return seconds;
    }
    LONGLONG PositionMs()
    {
        LONGLONG milliseconds = -1;
        EXPECT_EQ(m_player.GetPositionMs(milliseconds), S_OK);
        return milliseconds;
    }
    // Milliseconds of the room since `start`.
    static double WallMs(std::chrono::steady_clock::time_point start)
    {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }
    // The window's skips: forward 10 s but not past the end, back 3 s but not before the start.
    HRESULT SkipForward() { return m_player.Seek(std::min(Position() + 10, Duration())); }
    HRESULT SkipBack() { return m_player.Seek(std::max(Position() - 3, 0)); }

    static inline std::unique_ptr<CEngineTestWindow> s_window;
    static inline std::unique_ptr<CTempVoiceFile> s_track;

    CComScope m_com;
    CAudioPlayer m_player;
    CPlaybackMonitor m_monitor;
    CRecordingView m_view;
};
}

TEST_F(AudioPlayback, FollowsTheRecordingSecondBySecondAndEndsPausedAtTheStart)
{
    BuildTrackGraph();
    EXPECT_EQ(m_player.GetState(), Stopped);
    EXPECT_FALSE(Window().KillPositionTimer()) << "building armed the position timer";
    EXPECT_EQ(Duration(), kDuration) << "12.5 s reads as 12";

    // Half a second in, then paused: from here on every tick falls half a second after a whole
    // second of the recording, clear of the truncation boundary whatever the timer's jitter.
    ASSERT_EQ(m_player.Play(), S_OK);
    EXPECT_EQ(m_player.GetState(), Playing);
    Window().Pump(500);
    EXPECT_EQ(Window().PositionTicks(), 0);
    ASSERT_EQ(m_player.Pause(), S_OK);
    EXPECT_EQ(m_player.GetState(), Paused);

    // While paused the timer goes on ticking, the ticks show nothing and the position holds.
    Window().Pump(1300);
    EXPECT_GE(Window().PositionTicks(), 1) << "pausing disarmed the position timer";
    EXPECT_TRUE(m_view.progress.empty());
    EXPECT_EQ(Position(), 0);

    // Playing again restarts the timer: one whole second more on each tick.
    ASSERT_EQ(m_player.Play(), S_OK);
    EXPECT_EQ(m_player.GetState(), Playing);
    ASSERT_TRUE(Window().PumpUntil([&] { return m_view.progress.size() == 3; }, 4000));
    EXPECT_EQ(m_view.progress, (std::vector<int>{1, 2, 3}));

    // A seek while playing lands on its whole second and playing goes on from there.
    Window().Pump(500);
    ASSERT_EQ(m_player.Seek(10), S_OK);
    EXPECT_EQ(Position(), 10);
    EXPECT_EQ(m_player.GetState(), Playing);

    // The tick that first reads the duration ends playback: 12 is never shown as progress.
    ASSERT_TRUE(Window().PumpUntil([&] { return m_view.ends == 1; }, 4000)) << "the recording did not end";
    EXPECT_EQ(m_view.progress, (std::vector<int>{1, 2, 3, 10, 11}));
    EXPECT_EQ(m_player.GetState(), Finished);
    EXPECT_EQ(Position(), 0);
    EXPECT_FALSE(Window().KillPositionTimer()) << "the end left the position timer armed";
    EXPECT_EQ(m_view.failures, 0);

    // Paused at the start, not running from it: nothing moves and nothing ticks.
    Window().ResetCounts();
    Window().Pump(1200);
    EXPECT_EQ(Position(), 0);
    EXPECT_EQ(Window().PositionTicks(), 0);
    EXPECT_EQ(m_view.ends, 1);

    // Play after the end starts the recording again without building the graph again.
    ASSERT_EQ(m_player.Play(), S_OK);
    Window().Pump(1500);
    EXPECT_EQ(Position(), 1);
    EXPECT_EQ(Window().PositionTicks(), 1);

    ASSERT_EQ(m_player.ReleaseGraph(), S_OK);
    EXPECT_EQ(m_player.GetState(), Stopped);
    EXPECT_FALSE(Window().KillPositionTimer()) << "releasing the graph left the position timer armed";
    int untouched = 42;
    EXPECT_EQ(m_player.GetPosition(untouched), S_OK);
    EXPECT_EQ(untouched, 42);
}

TEST_F(AudioPlayback, SeeksAndSkipsLandOnWholeSecondsWithinTheRecording)
{
    BuildTrackGraph();
    ASSERT_EQ(m_player.Pause(), S_OK);
    EXPECT_EQ(m_player.GetState(), Paused);

    for (int target : {3, 7, 0, kDuration}) {
        ASSERT_EQ(m_player.Seek(target), S_OK) << target;
        EXPECT_EQ(Position(), target);
    }
    EXPECT_EQ(m_player.Seek(kDuration + 1), E_INVALIDARG) << "a second past the whole-second duration";
    EXPECT_EQ(m_player.Seek(-1), E_INVALIDARG);
    EXPECT_EQ(Position(), kDuration) << "a refused seek moved the position";

    struct Step {
        int from;
        bool forward;
        int to;
    };
    const Step steps[] = {
        {1, true, 11},          {5, true, kDuration},  {kDuration, true, kDuration},
        {9, false, 6},          {2, false, 0},         {0, false, 0},
    };
    for (const Step& step : steps) {
        ASSERT_EQ(m_player.Seek(step.from), S_OK);
        ASSERT_EQ(step.forward ? SkipForward() : SkipBack(), S_OK) << step.from << (step.forward ? " +10" : " -3");
        EXPECT_EQ(Position(), step.to) << step.from << (step.forward ? " +10" : " -3");
    }
    EXPECT_EQ(m_player.GetState(), Paused) << "skips changed the state";
    EXPECT_FALSE(Window().KillPositionTimer());

    // Skipped forward to the end: the next tick while playing ends playback.
    ASSERT_EQ(m_player.Seek(5), S_OK);
    ASSERT_EQ(SkipForward(), S_OK);
    ASSERT_EQ(m_player.Play(), S_OK);
    ASSERT_TRUE(Window().PumpUntil([&] { return m_view.ends == 1; }, 2500)) << "the recording did not end";
    EXPECT_TRUE(m_view.progress.empty());
    EXPECT_EQ(m_player.GetState(), Finished);
    EXPECT_EQ(Position(), 0);
}

TEST_F(AudioPlayback, AFileTheFilterCannotLoadPlaysNothing)
{
    const auto good = EncodeTrack(MakeClock(kRate, kRate), MakeFormat(TmvCodec::ImaAdpcm, 1, kRate));
    CTempVoiceFile truncated(L"kav-engine-truncated.tmv", std::vector<std::uint8_t>(good.begin(), good.end() - 1));
    const auto missing = (std::filesystem::temp_directory_path() / L"kav-engine-missing.tmv").wstring();

    struct Case {
        std::wstring path;
        HRESULT expected;
    };
    for (const Case& c : {Case{truncated.Path(), VFW_E_INVALID_FILE_FORMAT},
                          Case{missing, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)}}) {
        SCOPED_TRACE(testing::Message() << std::hex << c.expected);
        EXPECT_EQ(m_player.BuildGraph(c.path), c.expected) << "not the filter's own code";
        EXPECT_EQ(m_player.GetState(), Stopped);

        // No half-built graph is left to pause or run.
        EXPECT_EQ(m_player.Pause(), S_OK);
        EXPECT_EQ(m_player.GetState(), Stopped);
        EXPECT_EQ(m_player.Play(), E_FAIL);
        EXPECT_EQ(m_player.GetState(), Stopped);
        EXPECT_FALSE(Window().KillPositionTimer()) << "a failed play armed the position timer";
        int untouched = 42;
        EXPECT_EQ(m_player.GetDuration(untouched), S_OK);
        EXPECT_EQ(untouched, 42);
    }

    // The next play command builds again, and a good track plays.
    BuildTrackGraph();
    EXPECT_EQ(m_player.Play(), S_OK);
    EXPECT_EQ(m_player.GetState(), Playing);
}

TEST_F(AudioPlayback, ReleasingOrRebuildingTheGraphFreesTheVoiceFile)
{
    CTempFolder work(L"kav-engine-work");
    const auto voice = work.Path() / L"ZEL.TMV";
    const auto earlier = work.Path() / L"earlier.tmv";
    ASSERT_TRUE(std::filesystem::copy_file(Track(), voice));
    ASSERT_TRUE(std::filesystem::copy_file(Track(), earlier));

    ASSERT_EQ(m_player.BuildGraph(earlier.wstring()), S_OK);
    ASSERT_EQ(m_player.BuildGraph(voice.wstring()), S_OK);
    EXPECT_TRUE(DeleteFileW(earlier.c_str())) << "building again kept the first graph's file open";

    ASSERT_EQ(m_player.Play(), S_OK);
    Window().Pump(300);
    EXPECT_FALSE(DeleteFileW(voice.c_str())) << "the file was deleted under the playing graph";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

    ASSERT_EQ(m_player.ReleaseGraph(), S_OK);
    EXPECT_TRUE(DeleteFileW(voice.c_str())) << "the released graph kept the file open: " << GetLastError();
    EXPECT_TRUE(RemoveDirectoryW(work.Path().c_str()));
}

TEST_F(AudioPlayback, AtASpeedTheRecordingRunsFasterInRecordingTimeAndEndsSooner)
{
    // The monitor would rewind at the last whole second; here the position is followed to the end.
    Window().OnPositionTick({});
    for (const double speed : {1.5, 2.0}) {
        SCOPED_TRACE(testing::Message() << "x" << speed);
        // Set before the graph exists, the speed applies to the next graph.
        m_player.ReleaseGraph();
        ASSERT_EQ(m_player.SetSpeed(speed), S_OK);
        BuildTrackGraph();
        EXPECT_EQ(m_player.GetSpeed(), speed);
        EXPECT_EQ(Duration(), kDuration) << "the duration is the recording's";

        ASSERT_EQ(m_player.Play(), S_OK);
        Window().Pump(300);
        const LONGLONG from = PositionMs();
        const auto start = std::chrono::steady_clock::now();
        Window().Pump(1500);
        EXPECT_NEAR(static_cast<double>(PositionMs() - from), speed * WallMs(start), 120);

        // A seek lands on the recording's second. Once the graph runs again (Wine's graph pauses
        // and restarts it, a fifth of a second) the rest lasts its length / speed.
        ASSERT_EQ(m_player.Seek(8), S_OK);
        EXPECT_NEAR(static_cast<double>(PositionMs()), 8000, 60);
        ASSERT_TRUE(Window().PumpUntil([&] { return PositionMs() > 8000; }, 1000));
        const auto moving = std::chrono::steady_clock::now();
        const LONGLONG resumed = PositionMs();
        const LONGLONG end = kTrackFrames * 1000LL / kRate;
        ASSERT_TRUE(Window().PumpUntil([&] { return PositionMs() >= end; }, 6000));
        EXPECT_NEAR(WallMs(moving), (end - resumed) / speed, 100);
        Window().Pump(300);
        EXPECT_EQ(PositionMs(), end) << "the position ran past the end";
    }
    EXPECT_EQ(m_player.SetSpeed(2.5), E_INVALIDARG);
    EXPECT_EQ(m_player.SetSpeed(0.25), E_INVALIDARG);
    EXPECT_EQ(m_player.GetSpeed(), 2.0);
}

TEST_F(AudioPlayback, ASpeedChangeIsHeardWithinAFifthOfASecondWithoutLosingThePlaceAndPausedStaysPaused)
{
    BuildTrackGraph();
    ASSERT_EQ(m_player.Play(), S_OK);
    Window().Pump(1000);

    // Positions around the change, each with its time: a line before and a line after, which
    // meet where the new speed took over.
    struct Sample {
        double wall;
        double position;
    };
    std::vector<Sample> before, after;
    const auto start = std::chrono::steady_clock::now();
    Window().PumpUntil([&] { before.push_back({WallMs(start), static_cast<double>(PositionMs())}); return false; }, 800);
    const double changed = WallMs(start);
    const double lastBefore = static_cast<double>(PositionMs());
    ASSERT_EQ(m_player.SetSpeed(2.0), S_OK);
    const double firstAfter = static_cast<double>(PositionMs());
    EXPECT_NEAR(firstAfter, lastBefore, 50) << "the change lost the place";
    Window().Pump(400);
    Window().PumpUntil([&] { after.push_back({WallMs(start), static_cast<double>(PositionMs())}); return false; }, 800);

    auto fit = [](const std::vector<Sample>& samples, double& slope, double& offset) {
        double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
        for (const Sample& s : samples) {
            n += 1, sx += s.wall, sy += s.position, sxx += s.wall * s.wall, sxy += s.wall * s.position;
        }
        slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
        offset = (sy - slope * sx) / n;
    };
    double slowSlope = 0, slowOffset = 0, fastSlope = 0, fastOffset = 0;
    fit(before, slowSlope, slowOffset);
    fit(after, fastSlope, fastOffset);
    EXPECT_NEAR(slowSlope, 1.0, 0.08);
    EXPECT_NEAR(fastSlope, 2.0, 0.08);
    const double takeOver = (slowOffset - fastOffset) / (fastSlope - slowSlope);
    EXPECT_GE(takeOver - changed, -20.0);
    EXPECT_LE(takeOver - changed, 200.0) << "the new speed took over late";

    // Paused, a new speed changes nothing until playing again.
    ASSERT_EQ(m_player.Pause(), S_OK);
    Window().Pump(200);
    const LONGLONG paused = PositionMs();
    ASSERT_EQ(m_player.SetSpeed(0.5), S_OK);
    Window().Pump(500);
    EXPECT_EQ(m_player.GetState(), Paused);
    EXPECT_EQ(PositionMs(), paused);
    ASSERT_EQ(m_player.Play(), S_OK);
    Window().Pump(200);
    const LONGLONG resumed = PositionMs();
    const auto again = std::chrono::steady_clock::now();
    Window().Pump(1000);
    EXPECT_NEAR(static_cast<double>(PositionMs() - resumed), 0.5 * WallMs(again), 80);
    m_player.SetSpeed(1.0);
}
