#include "filter/OutputPin.h"

#include "base/ExternalNames.h"
#include "filter/Enumerators.h"
#include "filter/MediaType.h"
#include "filter/Module.h"
#include "filter/SourceFilter.h"

#include <chrono>
#include <limits>

namespace {
// Media samples of an async reader carry byte positions as times: byte n is time n * 10^7.
constexpr LONGLONG kBytesToTime = 10000000;
}

// ---- CAsyncReader ----

CAsyncReader::~CAsyncReader()
{
    for (const PendingRead& read : m_pending) read.sample->Release();
}

void CAsyncReader::SetStream(std::unique_ptr<CVoiceStream> stream)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_stream = std::move(stream);
}

bool CAsyncReader::HasStream()
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_stream != nullptr;
}

STDMETHODIMP CAsyncReader::QueryInterface(REFIID iid, void** object) { return m_pin.QueryInterface(iid, object); }
STDMETHODIMP_(ULONG) CAsyncReader::AddRef() { return m_pin.AddRef(); }
STDMETHODIMP_(ULONG) CAsyncReader::Release() { return m_pin.Release(); }

// IAsyncReader

STDMETHODIMP CAsyncReader::RequestAllocator(IMemAllocator* preferred, ALLOCATOR_PROPERTIES* properties,
                                            IMemAllocator** actual)
{
    if (!properties || !actual) return E_POINTER;
    *actual = nullptr;
    // Reads land anywhere in memory, so any alignment will do; a zero alignment is not valid.
    ALLOCATOR_PROPERTIES wanted = *properties;
    if (wanted.cbAlign < 1) wanted.cbAlign = 1;

    ALLOCATOR_PROPERTIES granted{};
    if (preferred && SUCCEEDED(preferred->SetProperties(&wanted, &granted))) {
        preferred->AddRef();
        *actual = preferred;
        return S_OK;
    }
    ComPtr<IMemAllocator> allocator;
    HRESULT hr = allocator.CreateInstance(CLSID_MemoryAllocator);
    if (FAILED(hr)) return hr;
    hr = allocator->SetProperties(&wanted, &granted);
    if (FAILED(hr)) return hr;
    *actual = allocator.Detach();
    return S_OK;
}

STDMETHODIMP CAsyncReader::Request(IMediaSample* sample, DWORD_PTR user)
{
    if (!sample) return E_POINTER;
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_flushing) return VFW_E_WRONG_STATE;
    if (!m_stream) return VFW_E_NOT_CONNECTED;
    sample->AddRef();
    m_pending.push_back({sample, user});
    m_changed.notify_all();
    return S_OK;
}

STDMETHODIMP CAsyncReader::WaitForNext(DWORD timeout, IMediaSample** sample, DWORD_PTR* user)
{
    if (!sample || !user) return E_POINTER;
    *sample = nullptr;
    *user = 0;
    std::unique_lock<std::mutex> lock(m_lock);
    auto ready = [this] { return m_flushing || !m_pending.empty(); };
    if (timeout == INFINITE)
        m_changed.wait(lock, ready);
    else if (!m_changed.wait_for(lock, std::chrono::milliseconds(timeout), ready))
        return VFW_E_TIMEOUT;

    if (m_pending.empty()) return VFW_E_WRONG_STATE;  // flushing, nothing left to hand back
    const PendingRead read = m_pending.front();
    m_pending.pop_front();
    *sample = read.sample;  // the queue's reference passes to the caller
    *user = read.user;
    // While flushing, requests come back unread so the caller can release their samples.
    return m_flushing ? VFW_E_WRONG_STATE : FillSampleLocked(read.sample);
}

STDMETHODIMP CAsyncReader::SyncReadAligned(IMediaSample* sample)
{
    if (!sample) return E_POINTER;
    std::lock_guard<std::mutex> lock(m_lock);
    return FillSampleLocked(sample);
}

STDMETHODIMP CAsyncReader::SyncRead(LONGLONG position, LONG length, BYTE* buffer)
{
    if (!buffer && length > 0) return E_POINTER;
    // Reads go on between BeginFlush and EndFlush: the parser re-reads its position while the
    // graph flushes for a seek.
    std::lock_guard<std::mutex> lock(m_lock);
    LONG copied = 0;
    return ReadLocked(position, length, buffer, copied);
}

STDMETHODIMP CAsyncReader::Length(LONGLONG* total, LONGLONG* available)
{
    if (!total || !available) return E_POINTER;
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_stream) return VFW_E_NOT_CONNECTED;
    *total = *available = static_cast<LONGLONG>(m_stream->Length());
    return S_OK;
}

STDMETHODIMP CAsyncReader::BeginFlush()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_flushing = true;
    m_changed.notify_all();
    return S_OK;
}

STDMETHODIMP CAsyncReader::EndFlush()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_flushing = false;
    return S_OK;
}

HRESULT CAsyncReader::ReadLocked(LONGLONG position, LONG length, BYTE* buffer, LONG& copied)
{
    copied = 0;
    if (position < 0 || length < 0) return E_INVALIDARG;
    if (!m_stream) return VFW_E_NOT_CONNECTED;
    std::size_t done = 0;
    const HRESULT hr = m_stream->Read(static_cast<std::uint64_t>(position), buffer, static_cast<std::size_t>(length), done);
    copied = static_cast<LONG>(done);
    return hr;
}

HRESULT CAsyncReader::FillSampleLocked(IMediaSample* sample)
{
    REFERENCE_TIME start = 0, stop = 0;
    HRESULT hr = sample->GetTime(&start, &stop);
    if (FAILED(hr)) return hr;
    BYTE* buffer = nullptr;
    hr = sample->GetPointer(&buffer);
    if (FAILED(hr)) return hr;

    const LONGLONG position = start / kBytesToTime;
    const LONGLONG length = (stop - start) / kBytesToTime;
    if (length < 0 || length > sample->GetSize() || length > std::numeric_limits<LONG>::max()) return E_INVALIDARG;
    LONG copied = 0;
    hr = ReadLocked(position, static_cast<LONG>(length), buffer, copied);
    if (FAILED(hr)) return hr;
    const HRESULT set = sample->SetActualDataLength(copied);
    return FAILED(set) ? set : hr;
}

// ---- COutputPin ----

bool COutputPin::IsConnected()
{
    std::lock_guard<std::mutex> lock(m_lock);
    return static_cast<bool>(m_connected);
}

STDMETHODIMP COutputPin::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPin))
        *object = static_cast<IPin*>(this);
    else if (IsEqualIID(iid, IID_IAsyncReader))
        *object = static_cast<IAsyncReader*>(&m_reader);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) COutputPin::AddRef() { return m_filter.AddRef(); }
STDMETHODIMP_(ULONG) COutputPin::Release() { return m_filter.Release(); }

// IPin

STDMETHODIMP COutputPin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type)
{
    if (!receivePin) return E_POINTER;
    if (!m_filter.IsStopped()) return VFW_E_NOT_STOPPED;
    if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
    if (!m_reader.HasStream()) return VFW_E_NO_ACCEPTABLE_TYPES;
    if (type && !AcceptsWaveStream(*type)) return VFW_E_TYPE_NOT_ACCEPTED;
    PIN_DIRECTION direction = PINDIR_OUTPUT;
    HRESULT hr = receivePin->QueryDirection(&direction);
    if (FAILED(hr)) return hr;
    if (direction != PINDIR_INPUT) return VFW_E_INVALID_DIRECTION;

    // No lock is held across the call: the receiving pin calls straight back into this pin
    // (IAsyncReader, Length, SyncRead) to read the stream's header.
    const AM_MEDIA_TYPE offered = WaveStreamType();
    hr = receivePin->ReceiveConnection(this, &offered);
    if (FAILED(hr)) return hr;

    std::lock_guard<std::mutex> lock(m_lock);
    if (m_connected) {
        receivePin->Disconnect();
        return VFW_E_ALREADY_CONNECTED;
    }
    m_connected = receivePin;
    return S_OK;
}

STDMETHODIMP COutputPin::ReceiveConnection(IPin*, const AM_MEDIA_TYPE*)
{
    return E_UNEXPECTED;  // an output pin only connects outwards
}

STDMETHODIMP COutputPin::Disconnect()
{
    if (!m_filter.IsStopped()) return VFW_E_NOT_STOPPED;
    ComPtr<IPin> released;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_connected) return S_FALSE;
        released.Swap(m_connected);
    }
    return S_OK;
}

STDMETHODIMP COutputPin::ConnectedTo(IPin** pin)
{
    if (!pin) return E_POINTER;
    std::lock_guard<std::mutex> lock(m_lock);
    *pin = nullptr;
    if (!m_connected) return VFW_E_NOT_CONNECTED;
    return m_connected.CopyTo(pin);
}

STDMETHODIMP COutputPin::ConnectionMediaType(AM_MEDIA_TYPE* type)
{
    if (!type) return E_POINTER;
    if (!IsConnected()) {
        *type = AM_MEDIA_TYPE{};
        return VFW_E_NOT_CONNECTED;
    }
    *type = WaveStreamType();  // no format block, so nothing for the caller to free but the struct
    return S_OK;
}

STDMETHODIMP COutputPin::QueryPinInfo(PIN_INFO* info)
{
    if (!info) return E_POINTER;
    info->pFilter = &m_filter;
    m_filter.AddRef();
    info->dir = PINDIR_OUTPUT;
    lstrcpynW(info->achName, kSourceFilterOutputPin, MAX_PIN_NAME);
    return S_OK;
}

STDMETHODIMP COutputPin::QueryDirection(PIN_DIRECTION* direction)
{
    if (!direction) return E_POINTER;
    *direction = PINDIR_OUTPUT;
    return S_OK;
}

STDMETHODIMP COutputPin::QueryId(LPWSTR* id) { return CopyToTaskMemory(kSourceFilterOutputPin, id); }

STDMETHODIMP COutputPin::QueryAccept(const AM_MEDIA_TYPE* type)
{
    if (!type) return E_POINTER;
    return AcceptsWaveStream(*type) ? S_OK : S_FALSE;
}

STDMETHODIMP COutputPin::EnumMediaTypes(IEnumMediaTypes** types)
{
    if (!types) return E_POINTER;
    *types = new (std::nothrow) CEnumMediaTypes(m_filter, m_reader.HasStream() ? 1 : 0, AllocWaveStreamType, 0);
    return *types ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP COutputPin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }

// Stream control travels downstream only; an output pin is never on the receiving end.
STDMETHODIMP COutputPin::EndOfStream() { return E_UNEXPECTED; }
STDMETHODIMP COutputPin::BeginFlush() { return E_UNEXPECTED; }
STDMETHODIMP COutputPin::EndFlush() { return E_UNEXPECTED; }
STDMETHODIMP COutputPin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return E_UNEXPECTED; }
