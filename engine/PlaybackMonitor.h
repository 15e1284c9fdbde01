#pragma once
// Follows playback on each tick of the position timer: moves the window's displays along while
// the recording plays and, once the whole-second position reaches the whole-second duration,
// rewinds to the start, pauses and shows the start again.

#include "engine/AudioPlayer.h"

// What the monitor asks of the window.
class IPlaybackView {
public:
    virtual void ShowProgress(int seconds) = 0; // seek bar, picture, elapsed time
    virtual void ShowEnd() = 0;                 // seek bar at 0, blank indicator, first picture, 00:00:00
    virtual void ReportPlaybackFailure() = 0;   // the general playback error message

protected:
    ~IPlaybackView() = default;
};

// Reports a failure that repeats on every tick once, when it starts, and never while an earlier
// report is still open: the timer keeps ticking under a message box, and a failure that repeats
// every second must not stack one box on another. A successful tick ends the run of failures.
class CTickFailureReport {
public:
    void Succeeded() { m_reported = false; }
    void Failed(IPlaybackView& view);

private:
    bool m_reported = false;
    bool m_open = false;
};

class CPlaybackMonitor {
public:
    // One tick of the position timer.
    void OnTick(IAudioPlayer& player, IPlaybackView& view);

private:
    HRESULT Step(IAudioPlayer& player, IPlaybackView& view);

    CTickFailureReport m_report;
};
