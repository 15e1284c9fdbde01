#pragma once
// A counted reference to a COM interface. Taking its address releases what it held first, so
// it can be passed straight to a call that returns an interface. Queries and creation take the
// interface identifier from the pointer's type (__uuidof), so the two cannot disagree.

#include <objbase.h>
#include <unknwn.h>
#include <utility>

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(T* p) : m_p(p) { if (m_p) m_p->AddRef(); }
    ComPtr(const ComPtr& other) : ComPtr(other.m_p) {}
    ComPtr(ComPtr&& other) noexcept : m_p(other.Detach()) {}
    ComPtr& operator=(const ComPtr& other)
    {
        ComPtr(other).Swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        ComPtr(std::move(other)).Swap(*this);
        return *this;
    }
    ~ComPtr() { Reset(); }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    T** operator&()
    {
        Reset();
        return &m_p;
    }

    void Reset()
    {
        if (m_p) {
            T* p = m_p;
            m_p = nullptr;
            p->Release();
        }
    }
    // Takes over a reference the caller already owns.
    void Attach(T* p)
    {
        Reset();
        m_p = p;
    }
    T* Detach()
    {
        T* p = m_p;
        m_p = nullptr;
        return p;
    }
    // Hands out a new reference, for interface methods that return one.
    HRESULT CopyTo(T** out) const
    {
        if (!out) return E_POINTER;
        *out = m_p;
        if (m_p) m_p->AddRef();
        return S_OK;
    }
    template <class U>
    HRESULT As(ComPtr<U>& out) const
    {
        if (!m_p) return E_POINTER;
        return m_p->QueryInterface(__uuidof(U), reinterpret_cast<void**>(&out));
    }
    // Creates an in-process object of `classId` and holds its interface of this pointer's type.
    HRESULT CreateInstance(REFCLSID classId)
    {
        Reset();
        return CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, __uuidof(T), reinterpret_cast<void**>(&m_p));
    }
    void Swap(ComPtr& other) { std::swap(m_p, other.m_p); }

private:
    T* m_p = nullptr;
};
