#include "filter/Enumerators.h"

#include "base/ExternalNames.h"
#include "filter/MediaType.h"
#include "filter/Module.h"
#include "filter/SourceFilter.h"

namespace {
// The IEnumXxx::Next contract shared by both enumerators: hand out items from `position` on,
// report how many, S_FALSE when fewer than asked.
template <class Item, class Make>
HRESULT NextItems(ULONG count, Item** items, ULONG* fetched, ULONG total, ULONG& position, Make make)
{
    if (!items) return E_POINTER;
    if (!fetched && count != 1) return E_INVALIDARG;
    ULONG done = 0;
    while (done < count && position < total) {
        items[done] = make();
        if (!items[done]) break;
        ++done;
        ++position;
    }
    if (fetched) *fetched = done;
    if (done < count && position < total) return E_OUTOFMEMORY;
    return done == count ? S_OK : S_FALSE;
}

HRESULT SkipItems(ULONG count, ULONG total, ULONG& position)
{
    const ULONG left = total - (position < total ? position : total);
    position = count > left ? total : position + count;
    return count > left ? S_FALSE : S_OK;
}
}

CEnumPins::CEnumPins(CSourceFilter& filter, ULONG position) : m_filter(filter), m_position(position)
{
    m_filter.AddRef();
    ModuleAddObject();
}

CEnumPins::~CEnumPins()
{
    m_filter.Release();
    ModuleReleaseObject();
}

STDMETHODIMP CEnumPins::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IEnumPins)) {
        *object = static_cast<IEnumPins*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CEnumPins::AddRef() { return ++m_refs; }

STDMETHODIMP_(ULONG) CEnumPins::Release()
{
    const ULONG refs = --m_refs;
    if (refs == 0) delete this;
    return refs;
}

STDMETHODIMP CEnumPins::Next(ULONG count, IPin** pins, ULONG* fetched)
{
    return NextItems(count, pins, fetched, 1, m_position, [this]() -> IPin* {
        IPin* pin = nullptr;
        return SUCCEEDED(m_filter.FindPin(kSourceFilterOutputPin, &pin)) ? pin : nullptr;
    });
}

STDMETHODIMP CEnumPins::Skip(ULONG count) { return SkipItems(count, 1, m_position); }

STDMETHODIMP CEnumPins::Reset()
{
    m_position = 0;
    return S_OK;
}

STDMETHODIMP CEnumPins::Clone(IEnumPins** clone)
{
    if (!clone) return E_POINTER;
    *clone = new (std::nothrow) CEnumPins(m_filter, m_position);
    return *clone ? S_OK : E_OUTOFMEMORY;
}

CEnumMediaTypes::CEnumMediaTypes(CSourceFilter& filter, ULONG count, ULONG position)
    : m_filter(filter), m_count(count), m_position(position)
{
    m_filter.AddRef();
    ModuleAddObject();
}

CEnumMediaTypes::~CEnumMediaTypes()
{
    m_filter.Release();
    ModuleReleaseObject();
}

STDMETHODIMP CEnumMediaTypes::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IEnumMediaTypes)) {
        *object = static_cast<IEnumMediaTypes*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CEnumMediaTypes::AddRef() { return ++m_refs; }

STDMETHODIMP_(ULONG) CEnumMediaTypes::Release()
{
    const ULONG refs = --m_refs;
    if (refs == 0) delete this;
    return refs;
}

STDMETHODIMP CEnumMediaTypes::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched)
{
    return NextItems(count, types, fetched, m_count, m_position, AllocWaveStreamType);
}

STDMETHODIMP CEnumMediaTypes::Skip(ULONG count) { return SkipItems(count, m_count, m_position); }

STDMETHODIMP CEnumMediaTypes::Reset()
{
    m_position = 0;
    return S_OK;
}

STDMETHODIMP CEnumMediaTypes::Clone(IEnumMediaTypes** clone)
{
    if (!clone) return E_POINTER;
    *clone = new (std::nothrow) CEnumMediaTypes(m_filter, m_count, m_position);
    return *clone ? S_OK : E_OUTOFMEMORY;
}
