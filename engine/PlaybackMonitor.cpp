#include "engine/PlaybackMonitor.h"

void CPlaybackMonitor::OnTick(CAudioPlayer& player, IPlaybackView& view)
{
    if (m_reporting) return;
    const HRESULT hr = Step(player, view);
    if (SUCCEEDED(hr)) {
        m_failureReported = false;
        return;
    }
    if (m_failureReported) return;
    m_failureReported = true;
    m_reporting = true;
    view.ReportPlaybackFailure();
    m_reporting = false;
}

HRESULT CPlaybackMonitor::Step(CAudioPlayer& player, IPlaybackView& view)
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
