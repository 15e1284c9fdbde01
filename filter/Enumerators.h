#pragma once
// Enumerators over the filter's single pin and that pin's single media type. Each holds a
// reference to the filter so the pin outlives it.

#include <dshow.h>

#include <atomic>

class CSourceFilter;

class CEnumPins final : public IEnumPins {
public:
    CEnumPins(CSourceFilter& filter, ULONG position);

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
    CSourceFilter& m_filter;
    ULONG m_position;
};

class CEnumMediaTypes final : public IEnumMediaTypes {
public:
    // `count` is 1 when a voice file is loaded and 0 before.
    CEnumMediaTypes(CSourceFilter& filter, ULONG count, ULONG position);

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
    CSourceFilter& m_filter;
    ULONG m_count;
    ULONG m_position;
};
