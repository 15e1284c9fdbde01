// The mixer volume control against Wine's mixer on the null sink, its scale conversions, and the
// audio player's behaviour before and without a graph.
#include "engine/AudioPlayer.h"
#include "engine/MixerVolume.h"
#include "engine/PlaybackMonitor.h"
#include <gtest/gtest.h>
#include <objbase.h>

namespace {
class MessageWindow {
public:
    MessageWindow() : m_hwnd(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) {}
    ~MessageWindow() { DestroyWindow(m_hwnd); }
    HWND Get() const { return m_hwnd; }

private:
    HWND m_hwnd;
};

class ComScope {
public:
    ComScope() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComScope() { CoUninitialize(); }
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

TEST(MixerVolume, RoundTripsVolumeAndMuteOnTheSystemMixer)
{
    MessageWindow window;
    CMixerVolume volume;
    ASSERT_EQ(volume.Open(window.Get(), 100), S_OK) << "the tests need the PulseAudio null sink";
    EXPECT_EQ(volume.Open(window.Get(), 100), E_FAIL) << "a second Open fails";

    int original = 0;
    ASSERT_EQ(volume.GetVolume(original), S_OK);
    for (int v : {0, 1, 37, 50, 99, 100}) {
        ASSERT_EQ(volume.SetVolume(v), S_OK);
        int read = -1;
        ASSERT_EQ(volume.GetVolume(read), S_OK);
        EXPECT_EQ(read, v);
    }
    for (bool m : {true, false}) {
        ASSERT_EQ(volume.SetMute(m), S_OK);
        bool read = !m;
        ASSERT_EQ(volume.GetMute(read), S_OK);
        EXPECT_EQ(read, m);
    }
    volume.SetVolume(original);
}

TEST(AudioPlayer, WithoutAGraphQueriesSucceedAndChangeNothing)
{
    ComScope com;
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

TEST(AudioPlayer, AFileTheSourceCannotLoadFailsTheBuildAndStaysStopped)
{
    ComScope com;
    MessageWindow window;
    CAudioPlayer player;
    ASSERT_EQ(player.Initialize(window.Get()), S_OK);
    EXPECT_LT(player.BuildGraph(L"C:\\no\\such\\voice.tmv"), 0);
    EXPECT_EQ(player.GetState(), Stopped);
    int volume = -1;
    EXPECT_EQ(player.GetVolume(volume), S_OK);
    EXPECT_GE(volume, 0);
    EXPECT_LE(volume, 100);
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
    void ShowProgress(int) override { ++progress; }
    void ShowEnd() override { ++ends; }
    void ReportPlaybackFailure() override { ++failures; }
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
