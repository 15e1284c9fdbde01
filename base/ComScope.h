#pragma once
// Owners for a thread's COM and OLE start-up, one traits type for each. An owner ends only what
// it started: a failed start is not paired with an end, and a successful one always is.

#include <ole2.h>

template <class Traits>
class StartUpScope {
public:
    StartUpScope() : m_result(Traits::Start()) {}
    StartUpScope(const StartUpScope&) = delete;
    StartUpScope& operator=(const StartUpScope&) = delete;
    ~StartUpScope()
    {
        if (SUCCEEDED(m_result)) Traits::End();
    }
    HRESULT Result() const { return m_result; }

private:
    HRESULT m_result;
};

// COM in a single-threaded apartment, as the player's own thread has it.
struct ComStartUpTraits {
    static HRESULT Start() { return CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    static void End() { CoUninitialize(); }
};
// OLE: the same apartment plus the clipboard, drag and drop and the picture loaders.
struct OleStartUpTraits {
    static HRESULT Start() { return OleInitialize(nullptr); }
    static void End() { OleUninitialize(); }
};

using CComScope = StartUpScope<ComStartUpTraits>;
using COleScope = StartUpScope<OleStartUpTraits>;
