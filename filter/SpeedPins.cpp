// The speed filter's two pins: connections, the allocator of the output, and the seeking
// requests that pass through the output pin to the parser upstream.
#include "filter/Enumerators.h"
#include "filter/Module.h"
#include "filter/SpeedFilter.h"

#include <algorithm>

const wchar_t kSpeedInputPinId[] = L"Input";
const wchar_t kSpeedOutputPinId[] = L"Output";

namespace {
// Enough buffers for the lead the filter keeps ahead of the renderer, with room to spare.
constexpr long kOutputBuffers = 16;

HRESULT CheckConnectsTo(IPin* pin, PIN_DIRECTION wanted)
{
    PIN_DIRECTION direction = PINDIR_INPUT;
    const HRESULT hr = pin->QueryDirection(&direction);
    if (FAILED(hr)) return hr;
    return direction == wanted ? S_OK : VFW_E_INVALID_DIRECTION;
}

HRESULT FillPinInfo(IBaseFilter& filter, PIN_DIRECTION direction, const wchar_t* id, PIN_INFO* info)
{
    if (!info) return E_POINTER;
    info->pFilter = &filter;
    filter.AddRef();
    info->dir = direction;
    lstrcpynW(info->achName, id, MAX_PIN_NAME);
    return S_OK;
}

bool AcceptsPcm(const AM_MEDIA_TYPE& type)
{
    const WAVEFORMATEX* format = PcmFormatOf(type);
    return format && format->nSamplesPerSec >= CTimeStretcher::kMinRate &&
           format->nSamplesPerSec <= CTimeStretcher::kMaxRate;
}
}

// ---- CSpeedInputPin ----

bool CSpeedInputPin::IsConnected()
{
    std::lock_guard<std::mutex> lock(m_lock);
    return static_cast<bool>(m_connected);
}

ComPtr<IPin> CSpeedInputPin::Upstream()
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_connected;
}

HRESULT CSpeedInputPin::CopyType(CMediaType& type)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_connected) return VFW_E_NOT_CONNECTED;
    return type.Set(m_type.Get());
}

STDMETHODIMP CSpeedInputPin::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPin))
        *object = static_cast<IPin*>(this);
    else if (IsEqualIID(iid, IID_IMemInputPin))
        *object = static_cast<IMemInputPin*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CSpeedInputPin::AddRef() { return m_filter.AddRef(); }
STDMETHODIMP_(ULONG) CSpeedInputPin::Release() { return m_filter.Release(); }

// IPin

STDMETHODIMP CSpeedInputPin::Connect(IPin*, const AM_MEDIA_TYPE*)
{
    return E_UNEXPECTED;  // an input pin is connected to, it never connects
}

STDMETHODIMP CSpeedInputPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type)
{
    if (!connector || !type) return E_POINTER;
    if (!m_filter.IsStopped()) return VFW_E_NOT_STOPPED;
    if (!AcceptsPcm(*type)) return VFW_E_TYPE_NOT_ACCEPTED;
    HRESULT hr = CheckConnectsTo(connector, PINDIR_OUTPUT);
    if (FAILED(hr)) return hr;
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_connected) return VFW_E_ALREADY_CONNECTED;
    hr = m_filter.SetInputFormat(*PcmFormatOf(*type));
    if (FAILED(hr)) return hr;
    hr = m_type.Set(*type);
    if (FAILED(hr)) return hr;
    m_connected = connector;
    return S_OK;
}

STDMETHODIMP CSpeedInputPin::Disconnect()
{
    if (!m_filter.IsStopped()) return VFW_E_NOT_STOPPED;
    ComPtr<IPin> released;
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_connected) return S_FALSE;
    released.Swap(m_connected);
    m_type.Clear();
    return S_OK;
}

STDMETHODIMP CSpeedInputPin::ConnectedTo(IPin** pin)
{
    if (!pin) return E_POINTER;
    std::lock_guard<std::mutex> lock(m_lock);
    *pin = nullptr;
    if (!m_connected) return VFW_E_NOT_CONNECTED;
    return m_connected.CopyTo(pin);
}

STDMETHODIMP CSpeedInputPin::ConnectionMediaType(AM_MEDIA_TYPE* type)
{
    if (!type) return E_POINTER;
    *type = AM_MEDIA_TYPE{};
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_connected) return VFW_E_NOT_CONNECTED;
    return m_type.CopyTo(*type);
}

STDMETHODIMP CSpeedInputPin::QueryPinInfo(PIN_INFO* info)
{
    return FillPinInfo(m_filter, PINDIR_INPUT, kSpeedInputPinId, info);
}

STDMETHODIMP CSpeedInputPin::QueryDirection(PIN_DIRECTION* direction)
{
    if (!direction) return E_POINTER;
    *direction = PINDIR_INPUT;
    return S_OK;
}

STDMETHODIMP CSpeedInputPin::QueryId(LPWSTR* id) { return CopyToTaskMemory(kSpeedInputPinId, id); }

STDMETHODIMP CSpeedInputPin::QueryAccept(const AM_MEDIA_TYPE* type)
{
    if (!type) return E_POINTER;
    return AcceptsPcm(*type) ? S_OK : S_FALSE;
}

STDMETHODIMP CSpeedInputPin::EnumMediaTypes(IEnumMediaTypes** types)
{
    // The pin takes what the parser offers; it prefers nothing of its own.
    if (!types) return E_POINTER;
    *types = new (std::nothrow) CEnumMediaTypes(m_filter, 0, {}, 0);
    return *types ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CSpeedInputPin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }

STDMETHODIMP CSpeedInputPin::EndOfStream() { return m_filter.EndOfStream(); }
STDMETHODIMP CSpeedInputPin::BeginFlush() { return m_filter.BeginFlush(); }
STDMETHODIMP CSpeedInputPin::EndFlush() { return m_filter.EndFlush(); }

STDMETHODIMP CSpeedInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    return m_filter.NewSegment(start, stop, rate);
}

// IMemInputPin. Samples are read and let go within Receive, so any allocator upstream will do.

STDMETHODIMP CSpeedInputPin::GetAllocator(IMemAllocator**) { return VFW_E_NO_ALLOCATOR; }
STDMETHODIMP CSpeedInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL) { return allocator ? S_OK : E_POINTER; }
STDMETHODIMP CSpeedInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) { return E_NOTIMPL; }
STDMETHODIMP CSpeedInputPin::Receive(IMediaSample* sample) { return m_filter.Receive(sample); }

STDMETHODIMP CSpeedInputPin::ReceiveMultiple(IMediaSample** samples, long count, long* processed)
{
    if (!samples || !processed) return E_POINTER;
    *processed = 0;
    HRESULT hr = S_OK;
    while (*processed < count && hr == S_OK) {
        hr = Receive(samples[*processed]);
        if (hr == S_OK) ++*processed;
    }
    return hr;
}

STDMETHODIMP CSpeedInputPin::ReceiveCanBlock() { return S_OK; }

// ---- CSpeedOutputPin ----

bool CSpeedOutputPin::IsConnected()
{
    std::lock_guard<std::mutex> lock(m_lock);
    return static_cast<bool>(m_connected);
}

HRESULT CSpeedOutputPin::CommitAllocator()
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_allocator ? m_allocator->Commit() : S_OK;
}

void CSpeedOutputPin::DecommitAllocator()
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_allocator) m_allocator->Decommit();
}

HRESULT CSpeedOutputPin::Deliver(const std::int16_t* frames, std::size_t count, std::size_t channels,
                                 REFERENCE_TIME start, REFERENCE_TIME stop, bool discontinuity)
{
    ComPtr<IMemAllocator> allocator;
    ComPtr<IMemInputPin> receiver;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        allocator = m_allocator;
        receiver = m_receiver;
    }
    if (!receiver) return S_FALSE;
    ComPtr<IMediaSample> sample;
    HRESULT hr = allocator->GetBuffer(&sample, &start, &stop, 0);
    if (FAILED(hr)) return hr;
    BYTE* data = nullptr;
    hr = sample->GetPointer(&data);
    if (FAILED(hr)) return hr;
    const long bytes = static_cast<long>(count * channels * sizeof(std::int16_t));
    if (bytes > sample->GetSize()) return E_UNEXPECTED;
    CopyMemory(data, frames, bytes);
    sample->SetActualDataLength(bytes);
    sample->SetTime(&start, &stop);
    sample->SetSyncPoint(TRUE);
    sample->SetDiscontinuity(discontinuity ? TRUE : FALSE);
    return receiver->Receive(sample.Get());
}

HRESULT CSpeedOutputPin::DeliverEndOfStream()
{
    ComPtr<IPin> connected;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        connected = m_connected;
    }
    return connected ? connected->EndOfStream() : S_FALSE;
}

HRESULT CSpeedOutputPin::DeliverBeginFlush()
{
    ComPtr<IPin> connected;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        connected = m_connected;
    }
    return connected ? connected->BeginFlush() : S_FALSE;
}

HRESULT CSpeedOutputPin::DeliverEndFlush()
{
    ComPtr<IPin> connected;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        connected = m_connected;
    }
    return connected ? connected->EndFlush() : S_FALSE;
}

HRESULT CSpeedOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    ComPtr<IPin> connected;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        connected = m_connected;
    }
    return connected ? connected->NewSegment(start, stop, rate) : S_FALSE;
}

STDMETHODIMP CSpeedOutputPin::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPin))
        *object = static_cast<IPin*>(this);
    else if (IsEqualIID(iid, IID_IMediaSeeking))
        *object = static_cast<IMediaSeeking*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CSpeedOutputPin::AddRef() { return m_filter.AddRef(); }
STDMETHODIMP_(ULONG) CSpeedOutputPin::Release() { return m_filter.Release(); }

// IPin

STDMETHODIMP CSpeedOutputPin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type)
{
    if (!receivePin) return E_POINTER;
    if (!m_filter.IsStopped()) return VFW_E_NOT_STOPPED;
    if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
    // The output is the input's PCM: nothing to offer before the input is connected.
    CMediaType offered;
    if (FAILED(m_filter.Input().CopyType(offered))) return VFW_E_NO_ACCEPTABLE_TYPES;
    if (type && !IsEqualGUID(type->majortype, GUID_NULL) && !IsEqualGUID(type->majortype, MEDIATYPE_Audio))
        return VFW_E_TYPE_NOT_ACCEPTED;
    HRESULT hr = CheckConnectsTo(receivePin, PINDIR_INPUT);
    if (FAILED(hr)) return hr;
    hr = receivePin->ReceiveConnection(this, &offered.Get());
    if (FAILED(hr)) return hr;

    const HRESULT negotiated = NegotiateAllocator(receivePin, *PcmFormatOf(offered.Get()));
    if (FAILED(negotiated)) receivePin->Disconnect();
    return negotiated;
}

HRESULT CSpeedOutputPin::NegotiateAllocator(IPin* receivePin, const WAVEFORMATEX& format)
{
    ComPtr<IMemInputPin> receiver;
    HRESULT hr = receivePin->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&receiver));
    if (FAILED(hr)) return hr;
    ComPtr<IMemAllocator> allocator;
    if (FAILED(receiver->GetAllocator(&allocator))) {
        hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                              reinterpret_cast<void**>(&allocator));
        if (FAILED(hr)) return hr;
    }
    ALLOCATOR_PROPERTIES wanted{};
    receiver->GetAllocatorRequirements(&wanted);
    wanted.cBuffers = std::max(wanted.cBuffers, kOutputBuffers);
    wanted.cbBuffer = std::max<long>(wanted.cbBuffer, static_cast<long>(SpeedPieceFrames(format.nSamplesPerSec) * format.nBlockAlign));
    wanted.cbAlign = std::max(wanted.cbAlign, 1L);
    ALLOCATOR_PROPERTIES granted{};
    hr = allocator->SetProperties(&wanted, &granted);
    if (FAILED(hr)) return hr;
    hr = receiver->NotifyAllocator(allocator.Get(), FALSE);
    if (FAILED(hr)) return hr;

    std::lock_guard<std::mutex> lock(m_lock);
    m_connected = receivePin;
    m_receiver = receiver;
    m_allocator = allocator;
    return S_OK;
}

STDMETHODIMP CSpeedOutputPin::ReceiveConnection(IPin*, const AM_MEDIA_TYPE*)
{
    return E_UNEXPECTED;  // an output pin only connects outwards
}

STDMETHODIMP CSpeedOutputPin::Disconnect()
{
    if (!m_filter.IsStopped()) return VFW_E_NOT_STOPPED;
    ComPtr<IPin> connected;
    ComPtr<IMemInputPin> receiver;
    ComPtr<IMemAllocator> allocator;
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_connected) return S_FALSE;
    connected.Swap(m_connected);
    receiver.Swap(m_receiver);
    allocator.Swap(m_allocator);
    return S_OK;
}

STDMETHODIMP CSpeedOutputPin::ConnectedTo(IPin** pin)
{
    if (!pin) return E_POINTER;
    std::lock_guard<std::mutex> lock(m_lock);
    *pin = nullptr;
    if (!m_connected) return VFW_E_NOT_CONNECTED;
    return m_connected.CopyTo(pin);
}

STDMETHODIMP CSpeedOutputPin::ConnectionMediaType(AM_MEDIA_TYPE* type)
{
    if (!type) return E_POINTER;
    *type = AM_MEDIA_TYPE{};
    if (!IsConnected()) return VFW_E_NOT_CONNECTED;
    CMediaType current;
    const HRESULT hr = m_filter.Input().CopyType(current);
    return FAILED(hr) ? hr : current.CopyTo(*type);
}

STDMETHODIMP CSpeedOutputPin::QueryPinInfo(PIN_INFO* info)
{
    return FillPinInfo(m_filter, PINDIR_OUTPUT, kSpeedOutputPinId, info);
}

STDMETHODIMP CSpeedOutputPin::QueryDirection(PIN_DIRECTION* direction)
{
    if (!direction) return E_POINTER;
    *direction = PINDIR_OUTPUT;
    return S_OK;
}

STDMETHODIMP CSpeedOutputPin::QueryId(LPWSTR* id) { return CopyToTaskMemory(kSpeedOutputPinId, id); }

STDMETHODIMP CSpeedOutputPin::QueryAccept(const AM_MEDIA_TYPE* type)
{
    if (!type) return E_POINTER;
    CMediaType current;
    if (FAILED(m_filter.Input().CopyType(current))) return S_FALSE;
    const AM_MEDIA_TYPE& mine = current.Get();
    const bool sameFormat = type->cbFormat == mine.cbFormat && type->pbFormat &&
                            memcmp(type->pbFormat, mine.pbFormat, mine.cbFormat) == 0;
    return IsEqualGUID(type->majortype, mine.majortype) && IsEqualGUID(type->subtype, mine.subtype) && sameFormat
               ? S_OK
               : S_FALSE;
}

STDMETHODIMP CSpeedOutputPin::EnumMediaTypes(IEnumMediaTypes** types)
{
    if (!types) return E_POINTER;
    auto make = [this]() -> AM_MEDIA_TYPE* {
        CMediaType current;
        return SUCCEEDED(m_filter.Input().CopyType(current)) ? current.AllocCopy() : nullptr;
    };
    *types = new (std::nothrow) CEnumMediaTypes(m_filter, m_filter.Input().IsConnected() ? 1 : 0, make, 0);
    return *types ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CSpeedOutputPin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }

// Stream control travels downstream only; an output pin is never on the receiving end.
STDMETHODIMP CSpeedOutputPin::EndOfStream() { return E_UNEXPECTED; }
STDMETHODIMP CSpeedOutputPin::BeginFlush() { return E_UNEXPECTED; }
STDMETHODIMP CSpeedOutputPin::EndFlush() { return E_UNEXPECTED; }
STDMETHODIMP CSpeedOutputPin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return E_UNEXPECTED; }

// IMediaSeeking

template <class Call>
HRESULT CSpeedOutputPin::PassUpstream(Call call)
{
    const ComPtr<IPin> upstream = m_filter.Input().Upstream();
    if (!upstream) return VFW_E_NOT_CONNECTED;
    ComPtr<IMediaSeeking> seeking;
    if (FAILED(upstream.As(seeking))) return E_NOTIMPL;
    return call(*seeking.Get());
}

STDMETHODIMP CSpeedOutputPin::GetCapabilities(DWORD* capabilities)
{
    return PassUpstream([&](IMediaSeeking& s) { return s.GetCapabilities(capabilities); });
}

STDMETHODIMP CSpeedOutputPin::CheckCapabilities(DWORD* capabilities)
{
    return PassUpstream([&](IMediaSeeking& s) { return s.CheckCapabilities(capabilities); });
}

STDMETHODIMP CSpeedOutputPin::IsFormatSupported(const GUID* format)
{
    return PassUpstream([&](IMediaSeeking& s) { return s.IsFormatSupported(format); });
}

STDMETHODIMP CSpeedOutputPin::QueryPreferredFormat(GUID* format)
{
    return PassUpstream([&](IMediaSeeking& s) { return s.QueryPreferredFormat(format); });
}

STDMETHODIMP CSpeedOutputPin::GetTimeFormat(GUID* format)
{
    return PassUpstream([&](IMediaSeeking& s) { return s.GetTimeFormat(format); });
}

STDMETHODIMP CSpeedOutputPin::IsUsingTimeFormat(const GUID* format)
{
    return PassUpstream([&](IMediaSeeking& s) { return s.IsUsingTimeFormat(format); });
}

STDMETHODIMP CSpeedOutputPin::SetTimeFormat(const GUID* format)
{
    return PassUpstream([&](IMediaSeeking& s) { return s.SetTimeFormat(format); });
}

STDMETHODIMP CSpeedOutputPin::GetDuration(LONGLONG* duration)
{
    return PassUpstream([&](IMediaSeeking& s) { return s.GetDuration(duration); });
}

STDMETHODIMP CSpeedOutputPin::GetStopPosition(LONGLONG* stop)
{
    return PassUpstream([&](IMediaSeeking& s) { return s.GetStopPosition(stop); });
}

STDMETHODIMP CSpeedOutputPin::GetCurrentPosition(LONGLONG* current)
{
    if (!current) return E_POINTER;
    return m_filter.GetRecordingPosition(current);
}

STDMETHODIMP CSpeedOutputPin::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                                const GUID* sourceFormat)
{
    return PassUpstream([&](IMediaSeeking& s) { return s.ConvertTimeFormat(target, targetFormat, source, sourceFormat); });
}

STDMETHODIMP CSpeedOutputPin::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags)
{
    const HRESULT hr = PassUpstream([&](IMediaSeeking& s) { return s.SetPositions(current, currentFlags, stop, stopFlags); });
    if (SUCCEEDED(hr) && current && (currentFlags & AM_SEEKING_PositioningBitsMask) == AM_SEEKING_AbsolutePositioning)
        m_filter.OnSeek(*current);
    return hr;
}

STDMETHODIMP CSpeedOutputPin::GetPositions(LONGLONG* current, LONGLONG* stop)
{
    LONGLONG parserPosition = 0;
    HRESULT hr = PassUpstream([&](IMediaSeeking& s) { return s.GetPositions(&parserPosition, stop); });
    if (SUCCEEDED(hr) && current) hr = m_filter.GetRecordingPosition(current);
    return hr;
}

STDMETHODIMP CSpeedOutputPin::GetAvailable(LONGLONG* earliest, LONGLONG* latest)
{
    return PassUpstream([&](IMediaSeeking& s) { return s.GetAvailable(earliest, latest); });
}

// The listening speed is the filter's own (ISpeedControl): a rate set here would change the
// times of the parser's samples, and the renderer would change the pitch with them.
STDMETHODIMP CSpeedOutputPin::SetRate(double rate)
{
    return rate == 1.0 ? S_OK : E_NOTIMPL;
}

STDMETHODIMP CSpeedOutputPin::GetRate(double* rate)
{
    if (!rate) return E_POINTER;
    *rate = 1.0;
    return S_OK;
}

STDMETHODIMP CSpeedOutputPin::GetPreroll(LONGLONG* preroll)
{
    return PassUpstream([&](IMediaSeeking& s) { return s.GetPreroll(preroll); });
}
