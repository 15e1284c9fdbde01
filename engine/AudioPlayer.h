#pragma once
// Plays the open document's voice track through a DirectShow graph built around the recorder
// source filter, and speaks to the window in whole seconds (and milliseconds where the pictures
// need them). It arms the window's position timer while it plays; the playback monitor runs on
// that timer's ticks. Volume and mute go through the mixer control it carries.
//
// The listening speed (0.5 to 2, pitch kept) is the speed filter's, between the decoded voice and
// the renderer. Every time the player speaks of is recording time, whatever the speed: a 60 s
// recording at 2x ends after 30 s and its positions run from 0 to 60.

#include "engine/MixerVolume.h"
#include "base/ComPtr.h"
#include "filter/SpeedControl.h"
#include <dshow.h>
#ifdef SubclassWindow
#undef SubclassWindow // a <windowsx.h> macro that clashes with CWnd::SubclassWindow
#endif
#include <string>


// MinGW's control.h gives IMediaEventEx no identifier for __uuidof; this is the SDK's IID.
__CRT_UUID_DECL(IMediaEventEx, 0x56a868c0, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70)

enum PlayerState {
    Finished = 0, // played to the end; graph paused at 0; timer disarmed
    Stopped = 1,  // initial; also after Stop and ReleaseGraph
    Playing = 2,  // graph running; position timer armed
    Paused = 3,   // graph paused; position timer still armed
};

// The window timer the player arms while it plays.
constexpr UINT_PTR IDT_POSITION = 1000;
constexpr UINT kPositionPeriodMs = 1000;

// What playback asks of an audio player. Positions and durations are of the recording, whatever
// the listening speed: whole seconds, or milliseconds where a moment must be exact. Every call
// but GetState and GetSpeed returns a negative code on failure.
class IAudioPlayer {
public:
    virtual ~IAudioPlayer() = default;

    // Opens the mixer with `owner` as its callback window; the position timer is armed there.
    virtual HRESULT Initialize(HWND owner) = 0;
    virtual HRESULT BuildGraph(const std::wstring& voicePath) = 0;
    virtual HRESULT Play() = 0;
    virtual HRESULT Pause() = 0;
    // Rewinds to 0 and pauses, disarming the position timer: the recording has played to its end.
    virtual HRESULT FinishPlayback() = 0;
    virtual HRESULT Seek(int seconds) = 0;
    virtual HRESULT SeekMs(LONGLONG milliseconds) = 0;
    virtual HRESULT GetDuration(int& seconds) = 0;
    virtual HRESULT GetPosition(int& seconds) = 0;
    virtual HRESULT GetPositionMs(LONGLONG& milliseconds) = 0;
    virtual PlayerState GetState() const = 0;
    // Stops and lets go of the graph, so the voice file is no longer held; the state is Stopped.
    virtual HRESULT ReleaseGraph() = 0;
    // The listening speed, 0.5 to 2 with the pitch kept; kept across graphs.
    virtual HRESULT SetSpeed(double speed) = 0;
    virtual double GetSpeed() const = 0;

    virtual HRESULT GetVolume(int& volume) = 0;
    virtual HRESULT SetVolume(int volume) = 0;
    virtual HRESULT GetMute(bool& mute) = 0;
    virtual HRESULT SetMute(bool mute) = 0;
};

class CAudioPlayer final : public IAudioPlayer {
public:
    CAudioPlayer() = default;
    CAudioPlayer(const CAudioPlayer&) = delete;
    CAudioPlayer& operator=(const CAudioPlayer&) = delete;
    ~CAudioPlayer() override;

    HRESULT Initialize(HWND owner) override;
    HRESULT BuildGraph(const std::wstring& voicePath) override;
    HRESULT Play() override;
    HRESULT Pause() override;
    HRESULT Stop();
    HRESULT FinishPlayback() override;
    HRESULT Seek(int seconds) override;
    HRESULT SeekMs(LONGLONG milliseconds) override;
    HRESULT GetDuration(int& seconds) override;
    HRESULT GetPosition(int& seconds) override;
    // The same in milliseconds; like the above, they leave the value as it was without a graph.
    HRESULT GetDurationMs(LONGLONG& milliseconds);
    HRESULT GetPositionMs(LONGLONG& milliseconds) override;
    // 0.5 to 2 (E_INVALIDARG otherwise). Heard within 200 ms while playing; paused, the player
    // stays paused; without a graph, the next graph plays at it. Kept across graphs.
    HRESULT SetSpeed(double speed) override;
    double GetSpeed() const override { return m_speed; }
    PlayerState GetState() const override { return m_state; }
    HRESULT ReleaseGraph() override;

    HRESULT GetVolume(int& volume) override;
    HRESULT SetVolume(int volume) override;
    HRESULT GetMute(bool& mute) override;
    HRESULT SetMute(bool mute) override;

private:
    void ReleaseInterfaces();
    HRESULT SeekMediaTime(LONGLONG target);
    // The recording position or duration in media time (100 ns); S_FALSE without a graph.
    HRESULT ReadPosition(LONGLONG& mediaTime);
    HRESULT ReadDuration(LONGLONG& mediaTime);

    CMixerVolume m_volume;
    HWND m_owner = nullptr;
    ComPtr<IGraphBuilder> m_graph;
    ComPtr<IMediaEventEx> m_events;
    ComPtr<IMediaControl> m_control;
    ComPtr<IMediaSeeking> m_seeking;
    ComPtr<ISpeedControl> m_speedControl;
    double m_speed = 1.0;
    PlayerState m_state = Stopped;
};

// Media time (100 ns units) to whole seconds, truncated toward zero, and back.
constexpr int MediaTimeToSeconds(LONGLONG mediaTime) { return static_cast<int>(mediaTime / 10000000LL); }
constexpr LONGLONG SecondsToMediaTime(int seconds) { return static_cast<LONGLONG>(seconds) * 10000000LL; }
constexpr LONGLONG MediaTimeToMilliseconds(LONGLONG mediaTime) { return mediaTime / 10000LL; }
constexpr LONGLONG MillisecondsToMediaTime(LONGLONG milliseconds) { return milliseconds * 10000LL; }
