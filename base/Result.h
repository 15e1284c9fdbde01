#pragma once
// Failures travel as HRESULTs. Inside an operation a failed step throws an HResultError that
// carries only its code; the operation's boundary (RunOperation) turns it back into the code,
// and any other exception into E_UNEXPECTED.

#include <windows.h>
#include <type_traits>
#include <utility>

class HResultError {
public:
    explicit HResultError(HRESULT code) : m_code(code) {}
    HRESULT Code() const { return m_code; }

private:
    HRESULT m_code;
};

// Throws the code when it is a failure; returns it otherwise (S_FALSE and friends pass).
inline HRESULT ThrowIfFailed(HRESULT hr)
{
    if (FAILED(hr)) throw HResultError(hr);
    return hr;
}

// Throws `code` when `condition` is false: for the many steps whose own failure code is fixed.
inline void Check(bool condition, HRESULT code = E_FAIL)
{
    if (!condition) throw HResultError(code);
}

// The last Win32 error as an HRESULT, E_FAIL when the call left none.
inline HRESULT HResultFromLastError()
{
    const DWORD error = GetLastError();
    return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

// Runs one operation as a failure scope and returns its result code.
template <class Operation>
HRESULT RunOperation(Operation&& operation) noexcept
{
    try {
        if constexpr (std::is_same_v<decltype(operation()), HRESULT>)
            return std::forward<Operation>(operation)();
        else {
            std::forward<Operation>(operation)();
            return S_OK;
        }
    } catch (const HResultError& error) {
        return error.Code();
    } catch (...) {
        return E_UNEXPECTED;
    }
}
