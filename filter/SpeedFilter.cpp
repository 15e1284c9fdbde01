#include "filter/SpeedFilter.h"

#include "filter/Enumerators.h"
#include "filter/Module.h"
#include "base/ExternalNames.h"

#include <algorithm>
#include <chrono>

namespace {
constexpr REFERENCE_TIME kUnitsPerSecond = 10000000;
constexpr double kPieceSeconds = 0.02;
// How far ahead of the stream time output is handed to the renderer: enough to ride over the
// streaming thread's scheduling, little enough that a new speed is heard within 200 ms.
constexpr REFERENCE_TIME kLead = 1200000;
// The longest single wait, so a wait never outlasts a change of the clock it was based on.
constexpr REFERENCE_TIME kLongestWait = 500000;

REFERENCE_TIME FramesToTime(double frames, std::uint32_t rate)
{
    return static_cast<REFERENCE_TIME>(frames * kUnitsPerSecond / rate + 0.5);
}
}

std::size_t SpeedPieceFrames(std::uint32_t sampleRate)
{
    return static_cast<std::size_t>(sampleRate * kPieceSeconds);
}

HRESULT CSpeedFilter::Create(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    CSpeedFilter* filter = new (std::nothrow) CSpeedFilter;
    if (!filter) return E_OUTOFMEMORY;
    const HRESULT hr = filter->QueryInterface(iid, object);
    filter->Release();
    return hr;
}

CSpeedFilter::CSpeedFilter() : m_input(*this), m_output(*this) { ModuleAddObject(); }

CSpeedFilter::~CSpeedFilter() { ModuleReleaseObject(); }

bool CSpeedFilter::IsStopped()
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_state == State_Stopped;
}

HRESULT CSpeedFilter::SetInputFormat(const WAVEFORMATEX& format)
{
    std::lock_guard<std::mutex> stream(m_streamLock);
    if (!m_stretcher.Configure(format.nSamplesPerSec, format.nChannels)) return VFW_E_TYPE_NOT_ACCEPTED;
    m_piece.resize(SpeedPieceFrames(format.nSamplesPerSec) * format.nChannels);
    ResetStream();
    return S_OK;
}

// ---- Streaming ----

HRESULT CSpeedFilter::Receive(IMediaSample* sample)
{
    if (!sample) return E_POINTER;
    std::lock_guard<std::mutex> stream(m_streamLock);
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_flushing) return S_FALSE;
        if (m_state == State_Stopped) return VFW_E_WRONG_STATE;
    }
    if (!m_stretcher.IsConfigured()) return VFW_E_NOT_CONNECTED;
    BYTE* data = nullptr;
    HRESULT hr = sample->GetPointer(&data);
    if (FAILED(hr)) return hr;
    if (!m_started) {
        // Output times start where the input's do, so at speed 1 nothing moves.
        REFERENCE_TIME start = 0, stop = 0;
        m_inputStart = SUCCEEDED(sample->GetTime(&start, &stop)) ? start : 0;
        m_started = true;
    }

    const std::size_t channels = m_stretcher.Channels();
    const std::size_t frames = static_cast<std::size_t>(std::max(0L, sample->GetActualDataLength())) / (2 * channels);
    const auto* samples = reinterpret_cast<const std::int16_t*>(data);
    const std::size_t piece = SpeedPieceFrames(m_stretcher.SampleRate());
    // Fed in short pieces, so a new speed takes effect within one piece of input.
    for (std::size_t first = 0; first < frames; first += piece) {
        const std::size_t count = std::min(piece, frames - first);
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_stretcher.SetSpeed(m_speed);
        }
        m_stretcher.Push(samples + first * channels, count);
        m_inputFrames += count;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_timeline.SetEnd(m_inputStart + FramesToTime(static_cast<double>(m_inputFrames), m_stretcher.SampleRate()));
        }
        hr = DeliverStretched();
        if (hr != S_OK) return hr;
    }
    return S_OK;
}

HRESULT CSpeedFilter::DeliverStretched()
{
    const std::uint32_t rate = m_stretcher.SampleRate();
    const std::size_t piece = SpeedPieceFrames(rate);
    while (m_stretcher.Available() > 0) {
        const double inputBefore = m_stretcher.InputPositionOfNextOutput();
        const std::size_t count = m_stretcher.Pull(m_piece.data(), piece);
        const double inputAfter = m_stretcher.InputPositionOfNextOutput();
        const REFERENCE_TIME start = m_inputStart + FramesToTime(static_cast<double>(m_outputFrames), rate);
        m_outputFrames += count;
        const REFERENCE_TIME stop = m_inputStart + FramesToTime(static_cast<double>(m_outputFrames), rate);
        if (!WaitUntilDue(start)) return S_FALSE;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_timeline.AddMark(start, m_inputStart + FramesToTime(inputBefore, rate), (inputAfter - inputBefore) / count);
        }
        const HRESULT hr = m_output.Deliver(m_piece.data(), count, m_stretcher.Channels(), start, stop, m_discontinuity);
        m_discontinuity = false;
        if (hr != S_OK) return hr;
    }
    return S_OK;
}

bool CSpeedFilter::WaitUntilDue(REFERENCE_TIME start)
{
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        if (m_flushing || m_state == State_Stopped) return false;
        // Without a clock the renderer sets the pace alone.
        if (!m_clock) return true;
        const REFERENCE_TIME early = start - kLead - StreamTimeLocked();
        if (early <= 0) return true;
        const REFERENCE_TIME wait = std::min(early, kLongestWait);
        m_changed.wait_for(lock, std::chrono::microseconds(wait / 10 + 1));
    }
}

HRESULT CSpeedFilter::EndOfStream()
{
    std::lock_guard<std::mutex> stream(m_streamLock);
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_flushing) return S_OK;
    }
    if (m_stretcher.IsConfigured()) {
        m_stretcher.Flush();
        const HRESULT hr = DeliverStretched();
        if (FAILED(hr)) return hr;
    }
    return m_output.DeliverEndOfStream();
}

HRESULT CSpeedFilter::BeginFlush()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_flushing = true;
        m_changed.notify_all();
    }
    // The renderer lets go of a sample it holds, so the streaming thread returns.
    return m_output.DeliverBeginFlush();
}

HRESULT CSpeedFilter::EndFlush()
{
    {
        std::lock_guard<std::mutex> stream(m_streamLock);
        ResetStream();
        std::lock_guard<std::mutex> lock(m_lock);
        m_flushing = false;
    }
    return m_output.DeliverEndFlush();
}

HRESULT CSpeedFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    OnSeek(start);
    return m_output.DeliverNewSegment(start, stop, rate);
}

void CSpeedFilter::OnSeek(REFERENCE_TIME start)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_segmentStart = start;
}

void CSpeedFilter::ResetStream()
{
    m_stretcher.Reset();
    m_started = false;
    m_inputStart = 0;
    m_inputFrames = 0;
    m_outputFrames = 0;
    m_discontinuity = true;
    std::lock_guard<std::mutex> lock(m_lock);
    m_timeline.Reset();
    // A new segment's stream time starts again at 0.
    m_pausedStreamTime = 0;
}

REFERENCE_TIME CSpeedFilter::StreamTimeLocked()
{
    if (m_state != State_Running || !m_clock) return m_pausedStreamTime;
    REFERENCE_TIME now = 0;
    if (FAILED(m_clock->GetTime(&now))) return m_pausedStreamTime;
    return std::max<REFERENCE_TIME>(0, now - m_runStart);
}

// IUnknown

STDMETHODIMP CSpeedFilter::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPersist) || IsEqualIID(iid, IID_IMediaFilter) ||
        IsEqualIID(iid, IID_IBaseFilter))
        *object = static_cast<IBaseFilter*>(this);
    else if (IsEqualIID(iid, IID_ISpeedControl))
        *object = static_cast<ISpeedControl*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CSpeedFilter::AddRef() { return ++m_refs; }

STDMETHODIMP_(ULONG) CSpeedFilter::Release()
{
    const ULONG refs = --m_refs;
    if (refs == 0) delete this;
    return refs;
}

// IPersist

STDMETHODIMP CSpeedFilter::GetClassID(CLSID* classId)
{
    if (!classId) return E_POINTER;
    *classId = CLSID_SpeedFilter;
    return S_OK;
}

// IMediaFilter

STDMETHODIMP CSpeedFilter::Stop()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_state = State_Stopped;
        m_changed.notify_all();
    }
    // A streaming thread waiting for a buffer wakes up, finds the filter stopped and returns;
    // then the stream starts afresh for the next run.
    m_output.DecommitAllocator();
    std::lock_guard<std::mutex> stream(m_streamLock);
    ResetStream();
    return S_OK;
}

STDMETHODIMP CSpeedFilter::Pause()
{
    bool starting = false;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_state == State_Running) m_pausedStreamTime = StreamTimeLocked();
        starting = m_state == State_Stopped;
        m_state = State_Paused;
        m_changed.notify_all();
    }
    return starting ? m_output.CommitAllocator() : S_OK;
}

STDMETHODIMP CSpeedFilter::Run(REFERENCE_TIME start)
{
    bool starting = false;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        starting = m_state == State_Stopped;
        m_runStart = start;
        m_state = State_Running;
        m_changed.notify_all();
    }
    return starting ? m_output.CommitAllocator() : S_OK;
}

STDMETHODIMP CSpeedFilter::GetState(DWORD, FILTER_STATE* state)
{
    if (!state) return E_POINTER;
    std::lock_guard<std::mutex> lock(m_lock);
    *state = m_state;
    return S_OK;
}

STDMETHODIMP CSpeedFilter::SetSyncSource(IReferenceClock* clock)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_clock = clock;
    return S_OK;
}

STDMETHODIMP CSpeedFilter::GetSyncSource(IReferenceClock** clock)
{
    if (!clock) return E_POINTER;
    std::lock_guard<std::mutex> lock(m_lock);
    return m_clock.CopyTo(clock);
}

// IBaseFilter

STDMETHODIMP CSpeedFilter::EnumPins(IEnumPins** pins)
{
    if (!pins) return E_POINTER;
    *pins = new (std::nothrow) CEnumPins(*this, {&m_input, &m_output}, 0);
    return *pins ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CSpeedFilter::FindPin(LPCWSTR id, IPin** pin)
{
    if (!id || !pin) return E_POINTER;
    *pin = nullptr;
    if (lstrcmpW(id, kSpeedInputPinId) == 0)
        *pin = &m_input;
    else if (lstrcmpW(id, kSpeedOutputPinId) == 0)
        *pin = &m_output;
    else
        return VFW_E_NOT_FOUND;
    (*pin)->AddRef();
    return S_OK;
}

STDMETHODIMP CSpeedFilter::QueryFilterInfo(FILTER_INFO* info)
{
    if (!info) return E_POINTER;
    std::lock_guard<std::mutex> lock(m_lock);
    lstrcpynW(info->achName, m_name.c_str(), MAX_FILTER_NAME);
    info->pGraph = m_graph;
    if (m_graph) m_graph->AddRef();
    return S_OK;
}

STDMETHODIMP CSpeedFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_graph = graph;
    m_name = name ? name : L"";
    return S_OK;
}

STDMETHODIMP CSpeedFilter::QueryVendorInfo(LPWSTR*) { return E_NOTIMPL; }

// ISpeedControl

STDMETHODIMP CSpeedFilter::SetSpeed(double speed)
{
    if (!(speed >= CTimeStretcher::kMinSpeed && speed <= CTimeStretcher::kMaxSpeed)) return E_INVALIDARG;
    std::lock_guard<std::mutex> lock(m_lock);
    m_speed = speed;
    return S_OK;
}

STDMETHODIMP CSpeedFilter::GetSpeed(double* speed)
{
    if (!speed) return E_POINTER;
    std::lock_guard<std::mutex> lock(m_lock);
    *speed = m_speed;
    return S_OK;
}

STDMETHODIMP CSpeedFilter::GetRecordingPosition(REFERENCE_TIME* position)
{
    if (!position) return E_POINTER;
    std::lock_guard<std::mutex> lock(m_lock);
    *position = m_segmentStart + m_timeline.RecordingAt(StreamTimeLocked());
    return S_OK;
}
