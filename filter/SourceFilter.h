#pragma once
// The recorder source filter: loads a TMV voice file (IFileSourceFilter) and offers it on its
// one output pin as a WAVE byte stream (IBaseFilter). Free-threaded: the graph, its parser and
// its worker threads all call in, so every piece of shared state is under a lock.

#include "base/ComPtr.h"
#include "filter/OutputPin.h"

#include <dshow.h>

#include <atomic>
#include <mutex>
#include <string>

class CSourceFilter final : public IBaseFilter, public IFileSourceFilter {
public:
    // Creates a filter and queries it for `iid`, as the class factory does.
    static HRESULT Create(REFIID iid, void** object);

    bool HasStream() { return m_pin.Reader().HasStream(); }
    bool IsStopped();

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IPersist
    STDMETHODIMP GetClassID(CLSID* classId) override;
    // IMediaFilter
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME start) override;
    STDMETHODIMP GetState(DWORD timeout, FILTER_STATE* state) override;
    STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
    STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;
    // IBaseFilter
    STDMETHODIMP EnumPins(IEnumPins** pins) override;
    STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override;
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
    STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    STDMETHODIMP QueryVendorInfo(LPWSTR* vendorInfo) override;
    // IFileSourceFilter
    STDMETHODIMP Load(LPCOLESTR fileName, const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* type) override;

private:
    CSourceFilter();
    ~CSourceFilter();
    HRESULT SetState(FILTER_STATE state);

    std::atomic<ULONG> m_refs{1};
    std::mutex m_lock;
    FILTER_STATE m_state = State_Stopped;
    ComPtr<IReferenceClock> m_clock;
    IFilterGraph* m_graph = nullptr;  // not counted: the graph owns the filter, not the reverse
    std::wstring m_name;
    std::wstring m_fileName;
    COutputPin m_pin;
};
