#pragma once
// Enumerators over a filter's pins and over a pin's media types. Each holds a reference to the
// filter, so the pins it hands out outlive it.

#include <dshow.h>

#include <atomic>
#include <functional>
#include <vector>

class CEnumPins final : public IEnumPins {
public:
    // `pins` live inside `filter`.
    CEnumPins(IBaseFilter& filter, std::vector<IPin*> pins, ULONG position);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IEnumPins
    STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumPins** clone) override;

private:
    ~CEnumPins();

    std::atomic<ULONG> m_refs{1};
    IBaseFilter& m_filter;
    std::vector<IPin*> m_pins;
    ULONG m_position;
};

class CEnumMediaTypes final : public IEnumMediaTypes {
public:
    // A task-memory copy of the offered type, as IEnumMediaTypes hands out; null when memory
    // runs out.
    using TypeMaker = std::function<AM_MEDIA_TYPE*()>;

    // `count` is 1 when the pin has a type to offer and 0 when it has none yet.
    CEnumMediaTypes(IBaseFilter& filter, ULONG count, TypeMaker make, ULONG position);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IEnumMediaTypes
    STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumMediaTypes** clone) override;

private:
    ~CEnumMediaTypes();

    std::atomic<ULONG> m_refs{1};
    IBaseFilter& m_filter;
    ULONG m_count;
    TypeMaker m_make;
    ULONG m_position;
};
