#include "filter/SourceFilter.h"

#include "base/ExternalNames.h"
#include "filter/Enumerators.h"
#include "filter/MediaType.h"
#include "filter/Module.h"

HRESULT CSourceFilter::Create(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    CSourceFilter* filter = new (std::nothrow) CSourceFilter;
    if (!filter) return E_OUTOFMEMORY;
    const HRESULT hr = filter->QueryInterface(iid, object);
    filter->Release();
    return hr;
}

CSourceFilter::CSourceFilter() : m_pin(*this) { ModuleAddObject(); }

CSourceFilter::~CSourceFilter() { ModuleReleaseObject(); }

bool CSourceFilter::IsStopped()
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_state == State_Stopped;
}

// IUnknown

STDMETHODIMP CSourceFilter::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPersist) || IsEqualIID(iid, IID_IMediaFilter) ||
        IsEqualIID(iid, IID_IBaseFilter))
        *object = static_cast<IBaseFilter*>(this);
    else if (IsEqualIID(iid, IID_IFileSourceFilter))
        *object = static_cast<IFileSourceFilter*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CSourceFilter::AddRef() { return ++m_refs; }

STDMETHODIMP_(ULONG) CSourceFilter::Release()
{
    // The last reference may go on any of the graph's threads; nothing here minds which.
    const ULONG refs = --m_refs;
    if (refs == 0) delete this;
    return refs;
}

// IPersist

STDMETHODIMP CSourceFilter::GetClassID(CLSID* classId)
{
    if (!classId) return E_POINTER;
    *classId = CLSID_RecorderSourceFilter;
    return S_OK;
}

// IMediaFilter. The parser downstream pulls the data and keeps the time; the filter itself
// only records the state the graph puts it in.

HRESULT CSourceFilter::SetState(FILTER_STATE state)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_state = state;
    return S_OK;
}

STDMETHODIMP CSourceFilter::Stop() { return SetState(State_Stopped); }
STDMETHODIMP CSourceFilter::Pause() { return SetState(State_Paused); }
STDMETHODIMP CSourceFilter::Run(REFERENCE_TIME) { return SetState(State_Running); }

STDMETHODIMP CSourceFilter::GetState(DWORD, FILTER_STATE* state)
{
    if (!state) return E_POINTER;
    std::lock_guard<std::mutex> lock(m_lock);
    *state = m_state;
    return S_OK;
}

STDMETHODIMP CSourceFilter::SetSyncSource(IReferenceClock* clock)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_clock = clock;
    return S_OK;
}

STDMETHODIMP CSourceFilter::GetSyncSource(IReferenceClock** clock)
{
    if (!clock) return E_POINTER;
    std::lock_guard<std::mutex> lock(m_lock);
    return m_clock.CopyTo(clock);
}

// IBaseFilter

STDMETHODIMP CSourceFilter::EnumPins(IEnumPins** pins)
{
    if (!pins) return E_POINTER;
    *pins = new (std::nothrow) CEnumPins(*this, {&m_pin}, 0);
    return *pins ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CSourceFilter::FindPin(LPCWSTR id, IPin** pin)
{
    if (!id || !pin) return E_POINTER;
    if (lstrcmpW(id, kSourceFilterOutputPin) != 0) {
        *pin = nullptr;
        return VFW_E_NOT_FOUND;
    }
    *pin = &m_pin;
    m_pin.AddRef();
    return S_OK;
}

STDMETHODIMP CSourceFilter::QueryFilterInfo(FILTER_INFO* info)
{
    if (!info) return E_POINTER;
    std::lock_guard<std::mutex> lock(m_lock);
    lstrcpynW(info->achName, m_name.c_str(), MAX_FILTER_NAME);
    info->pGraph = m_graph;
    if (m_graph) m_graph->AddRef();
    return S_OK;
}

STDMETHODIMP CSourceFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_graph = graph;
    m_name = name ? name : L"";
    return S_OK;
}

STDMETHODIMP CSourceFilter::QueryVendorInfo(LPWSTR*) { return E_NOTIMPL; }

// IFileSourceFilter

STDMETHODIMP CSourceFilter::Load(LPCOLESTR fileName, const AM_MEDIA_TYPE* type)
{
    if (!fileName) return E_POINTER;
    if (type && !AcceptsWaveStream(*type)) return VFW_E_TYPE_NOT_ACCEPTED;
    std::lock_guard<std::mutex> lock(m_lock);
    // The parser holds on to what it read of the old file; it cannot change under a connection.
    if (m_pin.IsConnected()) return VFW_E_ALREADY_CONNECTED;

    std::unique_ptr<CVoiceStream> stream;
    const HRESULT hr = CVoiceStream::Load(fileName, stream);
    if (FAILED(hr)) return hr;
    m_pin.Reader().SetStream(std::move(stream));
    m_fileName = fileName;
    return S_OK;
}

STDMETHODIMP CSourceFilter::GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* type)
{
    if (!fileName) return E_POINTER;
    std::lock_guard<std::mutex> lock(m_lock);
    *fileName = nullptr;
    if (type) *type = AM_MEDIA_TYPE{};
    if (m_fileName.empty()) return S_OK;  // nothing loaded yet: no name and no type
    const HRESULT hr = CopyToTaskMemory(m_fileName.c_str(), fileName);
    if (FAILED(hr)) return hr;
    if (type) *type = WaveStreamType();
    return S_OK;
}
