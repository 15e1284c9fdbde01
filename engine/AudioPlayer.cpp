#include "engine/AudioPlayer.h"
#include "base/ExternalNames.h"
#include "base/Result.h"
#include "voice/TimeStretch.h"
#include <vector>

namespace {
const wchar_t kSpeedInputPin[] = L"Input";
constexpr LONG kStopWaitMs = 2000; // how long a graph may take to come to a stop
const wchar_t kSpeedOutputPin[] = L"Output";

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

        // source -> (the graph's WAVE parser) -> speed filter -> (the graph's audio renderer)
        ComPtr<IBaseFilter> speed;
        ThrowIfFailed(speed.CreateInstance(CLSID_SpeedFilter));
        ThrowIfFailed(speed.As(m_speedControl));
        ThrowIfFailed(m_speedControl->SetSpeed(m_speed));
        ThrowIfFailed(m_graph->AddFilter(speed.Get(), kSpeedFilterName));
        ComPtr<IPin> output;
        ThrowIfFailed(filter->FindPin(kSourceFilterOutputPin, &output));
        ComPtr<IPin> speedInput;
        ThrowIfFailed(speed->FindPin(kSpeedInputPin, &speedInput));
        ThrowIfFailed(m_graph->Connect(output.Get(), speedInput.Get()));
        ComPtr<IPin> speedOutput;
        ThrowIfFailed(speed->FindPin(kSpeedOutputPin, &speedOutput));
        return ThrowIfFailed(m_graph->Render(speedOutput.Get()));
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

HRESULT CAudioPlayer::SeekMs(LONGLONG milliseconds)
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
    LONGLONG mediaTime = 0;
    const HRESULT hr = ReadDuration(mediaTime);
    if (hr == S_OK) seconds = MediaTimeToSeconds(mediaTime);
    return FAILED(hr) ? hr : S_OK;
}

HRESULT CAudioPlayer::GetPosition(int& seconds)
{
    LONGLONG mediaTime = 0;
    const HRESULT hr = ReadPosition(mediaTime);
    if (hr == S_OK) seconds = MediaTimeToSeconds(mediaTime);
    return FAILED(hr) ? hr : S_OK;
}

HRESULT CAudioPlayer::GetDurationMs(LONGLONG& milliseconds)
{
    LONGLONG mediaTime = 0;
    const HRESULT hr = ReadDuration(mediaTime);
    if (hr == S_OK) milliseconds = MediaTimeToMilliseconds(mediaTime);
    return FAILED(hr) ? hr : S_OK;
}

HRESULT CAudioPlayer::GetPositionMs(LONGLONG& milliseconds)
{
    LONGLONG mediaTime = 0;
    const HRESULT hr = ReadPosition(mediaTime);
    if (hr == S_OK) milliseconds = MediaTimeToMilliseconds(mediaTime);
    return FAILED(hr) ? hr : S_OK;
}

HRESULT CAudioPlayer::SetSpeed(double speed)
{
    if (!(speed >= CTimeStretcher::kMinSpeed && speed <= CTimeStretcher::kMaxSpeed)) return E_INVALIDARG;
    if (m_speedControl) {
        const HRESULT hr = m_speedControl->SetSpeed(speed);
        if (FAILED(hr)) return hr;
    }
    m_speed = speed;
    return S_OK;
}

HRESULT CAudioPlayer::ReadDuration(LONGLONG& mediaTime)
{
    if (!m_seeking) return S_FALSE;
    return m_seeking->GetDuration(&mediaTime);
}

// The graph's own position runs with its clock, at the speed of the room; the speed filter
// knows which moment of the recording is being heard.
HRESULT CAudioPlayer::ReadPosition(LONGLONG& mediaTime)
{
    if (!m_speedControl) return S_FALSE;
    return m_speedControl->GetRecordingPosition(&mediaTime);
}

// The next document is extracted over the voice file as soon as this returns, so the graph must
// have let go of it by then: the stop is waited for and the filters are taken out of the graph
// before it goes, rather than left to whichever thread drops the graph's last reference.
HRESULT CAudioPlayer::ReleaseGraph()
{
    Stop();
    if (m_control) {
        OAFilterState state = State_Running;
        m_control->GetState(kStopWaitMs, &state);
    }
    if (m_graph) {
        std::vector<ComPtr<IBaseFilter>> filters;
        ComPtr<IEnumFilters> all;
        if (SUCCEEDED(m_graph->EnumFilters(&all))) {
            ComPtr<IBaseFilter> filter;
            while (all->Next(1, &filter, nullptr) == S_OK) filters.push_back(filter);
        }
        for (const ComPtr<IBaseFilter>& filter : filters) m_graph->RemoveFilter(filter.Get());
    }
    ReleaseInterfaces();
    return S_OK;
}

void CAudioPlayer::ReleaseInterfaces()
{
    m_speedControl.Reset();
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
