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
#include "filter/SpeedControl.h"
#include "framework/ComPtr.h"
#include <dshow.h>
#ifdef SubclassWindow
#undef SubclassWindow // a <windowsx.h> macro that clashes with CWnd::SubclassWindow
#endif
#include <string>

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
    // The same in milliseconds; like the above, they leave the value as it was without a graph.
    HRESULT GetDurationMs(LONGLONG& milliseconds);
    HRESULT GetPositionMs(LONGLONG& milliseconds);
    // 0.5 to 2 (E_INVALIDARG otherwise). Heard within 200 ms while playing; paused, the player
    // stays paused; without a graph, the next graph plays at it. Kept across graphs.
    HRESULT SetSpeed(double speed);
    double GetSpeed() const { return m_speed; }
    PlayerState GetState() const { return m_state; }
    HRESULT ReleaseGraph();

    HRESULT GetVolume(int& volume);
    HRESULT SetVolume(int volume);
    HRESULT GetMute(bool& mute);
    HRESULT SetMute(bool mute);

private:
    void ReleaseInterfaces();
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
