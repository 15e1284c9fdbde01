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

class CAudioPlayer {
public:
    CAudioPlayer() = default;
    CAudioPlayer(const CAudioPlayer&) = delete;
    CAudioPlayer& operator=(const CAudioPlayer&) = delete;
    ~CAudioPlayer();

    HRESULT Initialize(HWND owner);
    HRESULT BuildGraph(const std::wstring& voicePath);
    HRESULT Play();
    HRESULT Pause();
    HRESULT Stop();
    HRESULT FinishPlayback();
    HRESULT Seek(int seconds);
    HRESULT GetDuration(int& seconds);
    HRESULT GetPosition(int& seconds);
    PlayerState GetState() const { return m_state; }
    HRESULT ReleaseGraph();

    HRESULT GetVolume(int& volume);
    HRESULT SetVolume(int volume);
    HRESULT GetMute(bool& mute);
    HRESULT SetMute(bool mute);

private:
    void ReleaseInterfaces();
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
