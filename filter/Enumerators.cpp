#include "filter/Enumerators.h"

#include "base/ExternalNames.h"
#include "filter/MediaType.h"
#include "filter/Module.h"

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

CEnumPins::CEnumPins(IBaseFilter& filter, std::vector<IPin*> pins, ULONG position)
    : m_filter(filter), m_pins(std::move(pins)), m_position(position)
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
    const ULONG total = static_cast<ULONG>(m_pins.size());
    return NextItems(count, pins, fetched, total, m_position, [this]() -> IPin* {
        IPin* pin = m_pins[m_position];
        pin->AddRef();
        return pin;
    });
}

STDMETHODIMP CEnumPins::Skip(ULONG count) { return SkipItems(count, static_cast<ULONG>(m_pins.size()), m_position); }

STDMETHODIMP CEnumPins::Reset()
{
    m_position = 0;
    return S_OK;
}

STDMETHODIMP CEnumPins::Clone(IEnumPins** clone)
{
    if (!clone) return E_POINTER;
    *clone = new (std::nothrow) CEnumPins(m_filter, m_pins, m_position);
    return *clone ? S_OK : E_OUTOFMEMORY;
}

CEnumMediaTypes::CEnumMediaTypes(IBaseFilter& filter, ULONG count, TypeMaker make, ULONG position)
    : m_filter(filter), m_count(count), m_make(std::move(make)), m_position(position)
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
    return NextItems(count, types, fetched, m_count, m_position, m_make);
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
    *clone = new (std::nothrow) CEnumMediaTypes(m_filter, m_count, m_make, m_position);
    return *clone ? S_OK : E_OUTOFMEMORY;
}
