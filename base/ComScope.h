#pragma once
// Owners for a thread's COM and OLE start-up. Each ends only what it started: a failed start
// is not paired with an end, and a successful one always is.

#include <ole2.h>

// COM in a single-threaded apartment, as the player's own thread has it.
class CComScope {
public:
    CComScope() : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    CComScope(const CComScope&) = delete;
    CComScope& operator=(const CComScope&) = delete;
    ~CComScope()
    {
        if (SUCCEEDED(m_result)) CoUninitialize();
    }
    HRESULT Result() const { return m_result; }

private:
    HRESULT m_result;
};

// OLE: COM in a single-threaded apartment plus the clipboard, drag and drop and the picture
// loaders.
class COleScope {
public:
    COleScope() : m_result(OleInitialize(nullptr)) {}
    COleScope(const COleScope&) = delete;
    COleScope& operator=(const COleScope&) = delete;
    ~COleScope()
    {
        if (SUCCEEDED(m_result)) OleUninitialize();
    }
    HRESULT Result() const { return m_result; }

private:
    HRESULT m_result;
};
