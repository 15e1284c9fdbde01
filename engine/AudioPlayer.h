#pragma once
// Plays the open document's voice track through a DirectShow graph built around the recorder
// source filter, and speaks to the window in whole seconds. It arms the window's position timer
// while it plays; the playback monitor runs on that timer's ticks. Volume and mute go through
// the mixer control it carries.

#include "base/ComPtr.h"
#include "engine/MixerVolume.h"
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

// What playback asks of an audio player. Positions and durations are whole seconds of the
// recording; every call but GetState returns a negative code on failure.
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
    virtual HRESULT GetDuration(int& seconds) = 0;
    virtual HRESULT GetPosition(int& seconds) = 0;
    // The same in milliseconds, for what must happen at an exact moment of the recording.
    virtual HRESULT SeekMs(int milliseconds) = 0;
    virtual HRESULT GetPositionMs(int& milliseconds) = 0;
    virtual PlayerState GetState() const = 0;
    // Stops and lets go of the graph, so the voice file is no longer held; the state is Stopped.
    virtual HRESULT ReleaseGraph() = 0;

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
    HRESULT GetDuration(int& seconds) override;
    HRESULT GetPosition(int& seconds) override;
    HRESULT SeekMs(int milliseconds) override;
    HRESULT GetPositionMs(int& milliseconds) override;
    PlayerState GetState() const override { return m_state; }
    HRESULT ReleaseGraph() override;

    HRESULT GetVolume(int& volume) override;
    HRESULT SetVolume(int volume) override;
    HRESULT GetMute(bool& mute) override;
    HRESULT SetMute(bool mute) override;

private:
    void ReleaseInterfaces();
    HRESULT SeekMediaTime(LONGLONG target);
    HRESULT ReadMediaTime(HRESULT (STDMETHODCALLTYPE IMediaSeeking::*query)(LONGLONG*), LONGLONG& mediaTime);
    HRESULT ReadSeconds(HRESULT (STDMETHODCALLTYPE IMediaSeeking::*query)(LONGLONG*), int& seconds);

    CMixerVolume m_volume;
    HWND m_owner = nullptr;
    ComPtr<IGraphBuilder> m_graph;
    ComPtr<IMediaEventEx> m_events;
    ComPtr<IMediaControl> m_control;
    ComPtr<IMediaSeeking> m_seeking;
    PlayerState m_state = Stopped;
};

// Media time (100 ns units) to whole seconds, truncated toward zero, and back.
constexpr int MediaTimeToSeconds(LONGLONG mediaTime) { return static_cast<int>(mediaTime / 10000000LL); }
constexpr LONGLONG SecondsToMediaTime(int seconds) { return static_cast<LONGLONG>(seconds) * 10000000LL; }
constexpr int MediaTimeToMilliseconds(LONGLONG mediaTime) { return static_cast<int>(mediaTime / 10000LL); }
constexpr LONGLONG MillisecondsToMediaTime(int milliseconds) { return static_cast<LONGLONG>(milliseconds) * 10000LL; }
