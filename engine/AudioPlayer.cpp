#include "engine/AudioPlayer.h"
#include "base/ExternalNames.h"
#include "base/Result.h"

namespace {

// A system string owned for the length of one call.
class SystemString {
public:
    explicit SystemString(const std::wstring& text) : m_text(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    SystemString(const SystemString&) = delete;
    SystemString& operator=(const SystemString&) = delete;
    ~SystemString() { SysFreeString(m_text); }
    BSTR Get() const { return m_text; }

private:
    BSTR m_text;
};

// The mixer's own failures all reach the window as E_FAIL; successes pass unchanged.
HRESULT AsVolumeResult(HRESULT hr)
{
    return FAILED(hr) ? E_FAIL : hr;
}
}

CAudioPlayer::~CAudioPlayer()
{
    // The window has released the graph on its destruction; nothing is stopped here.
    ReleaseInterfaces();
}

HRESULT CAudioPlayer::Initialize(HWND owner)
{
    return RunOperation([&] {
        ThrowIfFailed(m_volume.Open(owner, 100));
        m_owner = owner;
        return S_OK;
    });
}

HRESULT CAudioPlayer::BuildGraph(const std::wstring& voicePath)
{
    if (!m_owner) return E_FAIL;
    // The previous graph stops and goes first; the state and the timer stay as they are.
    if (m_control) m_control->Stop();
    ReleaseInterfaces();

    const HRESULT hr = RunOperation([&] {
        ThrowIfFailed(m_graph.CreateInstance(CLSID_FilterGraph));
        ThrowIfFailed(m_graph.As(m_events));
        ThrowIfFailed(m_graph.As(m_control));
        ThrowIfFailed(m_graph.As(m_seeking));
        ThrowIfFailed(m_seeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME));

        ComPtr<IFileSourceFilter> source;
        ThrowIfFailed(source.CreateInstance(CLSID_RecorderSourceFilter));
        SystemString path(voicePath);
        Check(path.Get() != nullptr, E_OUTOFMEMORY);
        ThrowIfFailed(source->Load(path.Get(), nullptr));
        ComPtr<IBaseFilter> filter;
        ThrowIfFailed(source.As(filter));
        ThrowIfFailed(m_graph->AddFilter(filter.Get(), kSourceFilterName));
        ComPtr<IPin> output;
        ThrowIfFailed(filter->FindPin(kSourceFilterOutputPin, &output));
        return ThrowIfFailed(m_graph->Render(output.Get()));
    });
    // A graph that could not be built is not kept: it holds no recording, and keeping it would
    // let Pause and Play report a paused or playing state over silence.
    if (FAILED(hr)) ReleaseInterfaces();
    return hr;
}

HRESULT CAudioPlayer::Play()
{
    return RunOperation([&] {
        // The window never plays without a graph; should it, nothing changes.
        Check(m_control.Get() != nullptr);
        ThrowIfFailed(m_control->Run());
        SetTimer(m_owner, IDT_POSITION, kPositionPeriodMs, nullptr);
        m_state = Playing;
        return S_OK;
    });
}

HRESULT CAudioPlayer::Pause()
{
    if (m_control) {
        m_control->Pause();
        m_state = Paused;
    }
    return S_OK;
}

HRESULT CAudioPlayer::Stop()
{
    if (m_control) m_control->Stop();
    if (m_owner) KillTimer(m_owner, IDT_POSITION);
    m_state = Stopped;
    return S_OK;
}

HRESULT CAudioPlayer::FinishPlayback()
{
    const HRESULT hr = Seek(0);
    if (FAILED(hr)) return hr;
    // A graph that has played to its end goes on reporting the end position after a seek, and
    // plays nothing more, until it is stopped (Wine's graph manager does so). Stopping it
    // between the rewind and the pause makes the rewind hold, so the next Play starts again.
    if (m_control) m_control->Stop();
    Pause();
    if (m_owner) KillTimer(m_owner, IDT_POSITION);
    m_state = Finished;
    return S_OK;
}

HRESULT CAudioPlayer::Seek(int seconds)
{
    return SeekMediaTime(SecondsToMediaTime(seconds));
}

HRESULT CAudioPlayer::SeekMs(int milliseconds)
{
    return SeekMediaTime(MillisecondsToMediaTime(milliseconds));
}

HRESULT CAudioPlayer::SeekMediaTime(LONGLONG target)
{
    return RunOperation([&] {
        if (!m_seeking) return S_OK;
        LONGLONG duration = 0;
        ThrowIfFailed(m_seeking->GetDuration(&duration));
        Check(target >= 0 && target <= duration, E_INVALIDARG);
        ThrowIfFailed(m_seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr,
                                              AM_SEEKING_NoPositioning));
        return S_OK;
    });
}

HRESULT CAudioPlayer::GetDuration(int& seconds)
{
    return ReadSeconds(&IMediaSeeking::GetDuration, seconds);
}

HRESULT CAudioPlayer::GetPosition(int& seconds)
{
    return ReadSeconds(&IMediaSeeking::GetCurrentPosition, seconds);
}

HRESULT CAudioPlayer::GetPositionMs(int& milliseconds)
{
    LONGLONG mediaTime = 0;
    const HRESULT hr = ReadMediaTime(&IMediaSeeking::GetCurrentPosition, mediaTime);
    if (SUCCEEDED(hr) && m_seeking) milliseconds = MediaTimeToMilliseconds(mediaTime);
    return hr;
}

HRESULT CAudioPlayer::ReadSeconds(HRESULT (STDMETHODCALLTYPE IMediaSeeking::*query)(LONGLONG*), int& seconds)
{
    LONGLONG mediaTime = 0;
    const HRESULT hr = ReadMediaTime(query, mediaTime);
    if (SUCCEEDED(hr) && m_seeking) seconds = MediaTimeToSeconds(mediaTime);
    return hr;
}

// Without a graph the answer is left as it was.
HRESULT CAudioPlayer::ReadMediaTime(HRESULT (STDMETHODCALLTYPE IMediaSeeking::*query)(LONGLONG*), LONGLONG& mediaTime)
{
    return RunOperation([&] {
        if (!m_seeking) return S_OK;
        ThrowIfFailed((m_seeking.Get()->*query)(&mediaTime));
        return S_OK;
    });
}

HRESULT CAudioPlayer::ReleaseGraph()
{
    Stop();
    ReleaseInterfaces();
    return S_OK;
}

void CAudioPlayer::ReleaseInterfaces()
{
    m_control.Reset();
    m_seeking.Reset();
    m_events.Reset();
    m_graph.Reset();
}

HRESULT CAudioPlayer::GetVolume(int& volume)
{
    return AsVolumeResult(m_volume.GetVolume(volume));
}

HRESULT CAudioPlayer::SetVolume(int volume)
{
    return AsVolumeResult(m_volume.SetVolume(volume));
}

HRESULT CAudioPlayer::GetMute(bool& mute)
{
    return AsVolumeResult(m_volume.GetMute(mute));
}

HRESULT CAudioPlayer::SetMute(bool mute)
{
    return AsVolumeResult(m_volume.SetMute(mute));
}
