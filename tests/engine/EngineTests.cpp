// The mixer volume control against Wine's mixer on the null sink, its scale conversions, the
// audio player's behaviour before and without a graph, and how the playback monitor reports
// failed ticks.
#include "base/Handles.h"
#include "engine/AudioPlayer.h"
#include "engine/MixerVolume.h"
#include "engine/PlaybackMonitor.h"
#include "tests/engine/EngineTestWindow.h"
#include "tests/engine/FilterTestGraph.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>

namespace {
bool RunningUnderWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// Runs a shell command on the Unix side of Wine and returns its exit status, or -1 when it
// could not be started or did not finish in time. Wine's start.exe /unix starts Unix programs
// but does not wait for them, so the command leaves its status in a file that is watched for.
int RunUnixShell(const std::wstring& command)
{
    static int run = 0;
    const std::wstring name = L"kav-engine-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++run);
    const std::wstring unixStatus = L"/tmp/" + name;
    const std::wstring windowsStatus = L"Z:\\tmp\\" + name;
    std::wstring line = L"start.exe /unix /bin/sh -c \"" + command + L"; echo $? > " + unixStatus + L".part && mv " +
                        unixStatus + L".part " + unixStatus + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process))
        return -1;
    const UniqueKernelHandle launcher(process.hProcess), launcherThread(process.hThread);
    for (int i = 0; i < 500; ++i) {
        std::ifstream file{std::filesystem::path(windowsStatus)};
        int status = -1;
        if (file >> status) {
            file.close();
            DeleteFileW(windowsStatus.c_str());
            return status;
        }
        Sleep(10);
    }
    return -1;
}

// Saves the default sink's volume and mute, starts the test from full volume with the sound on,
// and puts back what was saved at the end.
class CSinkSettingsKeeper {
public:
    CSinkSettingsKeeper()
        : m_file(L"/tmp/kav-engine-sink-" + std::to_wstring(GetCurrentProcessId())),
          m_saved(RunUnixShell(L"pactl get-sink-volume @DEFAULT_SINK@ | awk '/Volume:/{print $3}' > " + m_file +
                               L" && pactl get-sink-mute @DEFAULT_SINK@ | awk '{print $2}' >> " + m_file +
                               L" && pactl set-sink-mute @DEFAULT_SINK@ 0 && pactl set-sink-volume @DEFAULT_SINK@ 100%") == 0)
    {
    }
    ~CSinkSettingsKeeper()
    {
        if (m_saved)
            RunUnixShell(L"pactl set-sink-volume @DEFAULT_SINK@ $(head -n 1 " + m_file +
                         L") && pactl set-sink-mute @DEFAULT_SINK@ $(tail -n 1 " + m_file + L"); rm -f " + m_file);
    }
    bool Saved() const { return m_saved; }

private:
    std::wstring m_file;
    bool m_saved;
};
}

TEST(MixerScale, ConvertsUserStepsToMixerUnitsAndBack)
{
    CMixerVolume volume;
    volume.SetScale(0, 65535, 100);
    EXPECT_EQ(volume.ToMixerUnits(50), 32768u);
    EXPECT_EQ(volume.ToMixerUnits(1), 655u);
    EXPECT_EQ(volume.ToMixerUnits(100), 65535u) << "65536 is clamped to the maximum";
    EXPECT_EQ(volume.ToMixerUnits(-5), 0u);
    EXPECT_EQ(volume.ToMixerUnits(150), 65535u);
    for (int v = 0; v <= 100; ++v) EXPECT_EQ(volume.FromMixerUnits(volume.ToMixerUnits(v)), v) << v;

    volume.SetScale(0, 15, 100);
    EXPECT_EQ(volume.ToMixerUnits(3), 0u);
    EXPECT_EQ(volume.FromMixerUnits(0), 0);
    EXPECT_EQ(volume.ToMixerUnits(50), 8u);
    EXPECT_EQ(volume.FromMixerUnits(8), 50);
}

TEST(MixerVolume, FailsUntilOpened)
{
    CMixerVolume volume;
    int v = 7;
    bool mute = false;
    EXPECT_EQ(volume.GetVolume(v), E_FAIL);
    EXPECT_EQ(v, 7);
    EXPECT_EQ(volume.SetVolume(10), E_FAIL);
    EXPECT_EQ(volume.GetMute(mute), E_FAIL);
    EXPECT_EQ(volume.SetMute(true), E_FAIL);
}

TEST(MixerVolume, RoundTripsEveryVolumeAndTheMuteOnTheSystemMixer)
{
    CEngineTestWindow window;
    CMixerVolume volume;
    ASSERT_EQ(volume.Open(window.Get(), 100), S_OK) << "the tests need the PulseAudio null sink";
    EXPECT_EQ(volume.Open(window.Get(), 100), E_FAIL) << "a second Open fails";

    int originalVolume = 0;
    bool originalMute = false;
    ASSERT_EQ(volume.GetVolume(originalVolume), S_OK);
    ASSERT_EQ(volume.GetMute(originalMute), S_OK);
    for (int v = 0; v <= 100; ++v) {
        ASSERT_EQ(volume.SetVolume(v), S_OK);
        int read = -1;
        ASSERT_EQ(volume.GetVolume(read), S_OK);
        EXPECT_EQ(read, v);
    }
    for (const auto& [set, expected] : {std::pair{-5, 0}, std::pair{150, 100}}) {
        ASSERT_EQ(volume.SetVolume(set), S_OK);
        int read = -1;
        ASSERT_EQ(volume.GetVolume(read), S_OK);
        EXPECT_EQ(read, expected) << set;
    }
    for (bool m : {true, false, true}) {
        ASSERT_EQ(volume.SetMute(m), S_OK);
        bool read = !m;
        ASSERT_EQ(volume.GetMute(read), S_OK);
        EXPECT_EQ(read, m);
    }
    volume.SetVolume(originalVolume);
    volume.SetMute(originalMute);
}

TEST(MixerVolume, FollowsVolumeAndMuteChangedOutsideTheProgram)
{
    CEngineTestWindow window;
    CMixerVolume volume;
    ASSERT_EQ(volume.Open(window.Get(), 100), S_OK);
    CSinkSettingsKeeper keeper;
    ASSERT_TRUE(keeper.Saved()) << "pactl could not be run through start.exe /unix";
    window.Pump(100);
    int before = -1;
    ASSERT_EQ(volume.GetVolume(before), S_OK);

    window.ResetCounts();
    ASSERT_EQ(RunUnixShell(L"pactl set-sink-volume @DEFAULT_SINK@ 40%"), 0);
    const bool notified = window.PumpUntil([&] { return window.MixerNotifications() > 0; }, 500);
    int after = -1;
    ASSERT_EQ(volume.GetVolume(after), S_OK);
    if (!notified && after == before && RunningUnderWine())
        GTEST_SKIP() << "the sink went to 40% but Wine's mixer still reads " << after
                     << " and sent no change message: its volume is the process's own, apart from the sound server";
    EXPECT_TRUE(notified) << "no MM_MIXM_LINE_CHANGE or MM_MIXM_CONTROL_CHANGE for the volume";
    EXPECT_EQ(after, 40);

    window.ResetCounts();
    ASSERT_EQ(RunUnixShell(L"pactl set-sink-mute @DEFAULT_SINK@ 1"), 0);
    EXPECT_TRUE(window.PumpUntil([&] { return window.MixerNotifications() > 0; }, 500))
        << "no MM_MIXM_LINE_CHANGE or MM_MIXM_CONTROL_CHANGE for the mute";
    bool muted = false;
    ASSERT_EQ(volume.GetMute(muted), S_OK);
    EXPECT_TRUE(muted);
}

TEST(AudioPlayer, WithoutAGraphQueriesSucceedAndChangeNothing)
{
    CComScope com;
    CAudioPlayer player;
    EXPECT_EQ(player.GetState(), Stopped);
    EXPECT_EQ(player.BuildGraph(L"C:\\nothing.tmv"), E_FAIL) << "no graph before Initialize";
    EXPECT_EQ(player.Play(), E_FAIL) << "play without a graph fails and changes nothing";
    EXPECT_EQ(player.GetState(), Stopped);

    int value = 42;
    EXPECT_EQ(player.GetDuration(value), S_OK);
    EXPECT_EQ(player.GetPosition(value), S_OK);
    EXPECT_EQ(value, 42);
    EXPECT_EQ(player.Seek(5), S_OK);
    EXPECT_EQ(player.Pause(), S_OK);
    EXPECT_EQ(player.GetState(), Stopped);
    EXPECT_EQ(player.ReleaseGraph(), S_OK);
    EXPECT_EQ(player.GetState(), Stopped);
}

TEST(AudioPlayer, ForwardsVolumeAndMuteToTheMixer)
{
    CComScope com;
    CEngineTestWindow window;
    CAudioPlayer player;
    bool mute = false;
    EXPECT_EQ(player.GetMute(mute), E_FAIL) << "no mixer before Initialize";
    EXPECT_EQ(player.SetVolume(50), E_FAIL);
    ASSERT_EQ(player.Initialize(window.Get()), S_OK);
    EXPECT_EQ(player.Initialize(window.Get()), E_FAIL) << "the mixer is open already";

    int original = 0;
    ASSERT_EQ(player.GetVolume(original), S_OK);
    ASSERT_EQ(player.SetVolume(63), S_OK);
    int read = -1;
    ASSERT_EQ(player.GetVolume(read), S_OK);
    EXPECT_EQ(read, 63);
    ASSERT_EQ(player.GetMute(mute), S_OK);
    ASSERT_EQ(player.SetMute(!mute), S_OK);
    bool toggled = mute;
    ASSERT_EQ(player.GetMute(toggled), S_OK);
    EXPECT_EQ(toggled, !mute);
    player.SetMute(mute);
    player.SetVolume(original);
}

TEST(MediaTime, TruncatesTowardZeroAndScalesExactly)
{
    EXPECT_EQ(MediaTimeToSeconds(125000000), 12);
    EXPECT_EQ(MediaTimeToSeconds(79999999), 7);
    EXPECT_EQ(SecondsToMediaTime(12), 120000000LL);
}

namespace {
struct RecordingView : IPlaybackView {
    int progress = 0, ends = 0, failures = 0;
    std::function<void()> whileReportOpen; // what happens while the message box waits
    void ShowProgress(int) override { ++progress; }
    void ShowEnd() override { ++ends; }
    void ReportPlaybackFailure() override
    {
        ++failures;
        if (whileReportOpen) whileReportOpen();
    }
};
}

TEST(PlaybackMonitor, DoesNothingWhileStopped)
{
    CAudioPlayer player;
    RecordingView view;
    CPlaybackMonitor monitor;
    monitor.OnTick(player, view);
    EXPECT_EQ(view.progress + view.ends + view.failures, 0);
}

TEST(PlaybackMonitor, ReportsARunOfFailedTicksOnceAndNeverStacksReports)
{
    RecordingView view;
    CTickFailureReport report;
    report.Failed(view);
    report.Failed(view);
    EXPECT_EQ(view.failures, 1) << "a failure that repeats on every tick is reported once";
    report.Succeeded();
    report.Failed(view);
    EXPECT_EQ(view.failures, 2) << "a failure after a good tick is new";

    // Ticks go on under the open box: a good one, then failing ones, open no second box, and
    // the run of failures they start is the one already on the screen.
    report.Succeeded();
    view.whileReportOpen = [&] {
        report.Succeeded();
        report.Failed(view);
        report.Failed(view);
    };
    report.Failed(view);
    EXPECT_EQ(view.failures, 3);
    view.whileReportOpen = nullptr;
    report.Failed(view);
    EXPECT_EQ(view.failures, 3);
}
