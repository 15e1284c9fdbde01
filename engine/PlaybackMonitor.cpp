#include "engine/PlaybackMonitor.h"

void CTickFailureReport::Failed(IPlaybackView& view)
{
    const bool first = !m_reported && !m_open;
    m_reported = true;
    if (!first) return;
    m_open = true;
    view.ReportPlaybackFailure();
    m_open = false;
}

void CPlaybackMonitor::OnTick(IAudioPlayer& player, IPlaybackView& view)
{
    // Ticks that arrive under an open report still follow the recording, so its end is not
    // missed while the box waits for the user.
    if (SUCCEEDED(Step(player, view)))
        m_report.Succeeded();
    else
        m_report.Failed(view);
}

HRESULT CPlaybackMonitor::Step(IAudioPlayer& player, IPlaybackView& view)
{
    const PlayerState state = player.GetState();
    if (state == Stopped || state == Paused) return S_OK;

    int duration = 0;
    int position = 0;
    HRESULT hr = player.GetDuration(duration);
    if (FAILED(hr)) return hr;
    hr = player.GetPosition(position);
    if (FAILED(hr)) return hr;

    if (position < duration) {
        view.ShowProgress(position);
        return S_OK;
    }
    hr = player.FinishPlayback();
    if (FAILED(hr)) return hr;
    view.ShowEnd();
    return S_OK;
}
