#include "framework/Wnd.h"

namespace {
const wchar_t kObjectProperty[] = L"KavoraFramework.Object";
const wchar_t kWindowClass[] = L"KavoraFrameworkWindow";

// CreateEx passes the object through this while CreateWindowExW runs, so that the very first
// messages (WM_NCCREATE, WM_CREATE) already reach it.
thread_local CWnd* t_creating = nullptr;
}

CWnd::~CWnd()
{
    if (m_hWnd) {
        HWND hwnd = m_hWnd;
        const bool created = m_previousProc == DefWindowProcW;
        Unbind();
        if (created) ::DestroyWindow(hwnd);
    }
}

bool CWnd::CreateEx(DWORD exStyle, const wchar_t* text, DWORD style, const RECT& rect, HWND parent, UINT id)
{
    static const ATOM windowClass = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = &CWnd::StaticWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kWindowClass;
        return RegisterClassExW(&wc);
    }();
    if (m_hWnd || !windowClass) return false;
    t_creating = this;
    HWND hwnd = CreateWindowExW(exStyle, kWindowClass, text ? text : L"", style, rect.left, rect.top,
                                rect.right - rect.left, rect.bottom - rect.top, parent,
                                (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    t_creating = nullptr;
    return hwnd != nullptr && m_hWnd == hwnd;
}

bool CWnd::SubclassWindow(HWND hwnd)
{
    if (m_hWnd || !hwnd || FromHandle(hwnd)) return false;
    auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
    Bind(hwnd, previous);
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StaticWindowProc));
    return true;
}

bool CWnd::SubclassDlgItem(UINT id, HWND parent)
{
    return SubclassWindow(::GetDlgItem(parent, static_cast<int>(id)));
}

bool CWnd::DestroyWindow()
{
    return m_hWnd && ::DestroyWindow(m_hWnd);
}

RECT CWnd::GetClientRect() const
{
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    return rc;
}

RECT CWnd::GetWindowRect() const
{
    RECT rc{};
    ::GetWindowRect(m_hWnd, &rc);
    return rc;
}

std::wstring CWnd::GetWindowText() const
{
    const int length = ::GetWindowTextLengthW(m_hWnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(m_hWnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

CWnd* CWnd::FromHandle(HWND hwnd)
{
    return hwnd ? static_cast<CWnd*>(GetPropW(hwnd, kObjectProperty)) : nullptr;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return Default(message, wParam, lParam);
}

LRESULT CWnd::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    return m_previousProc ? CallWindowProcW(m_previousProc, m_hWnd, message, wParam, lParam)
                          : DefWindowProcW(m_hWnd, message, wParam, lParam);
}

void CWnd::Bind(HWND hwnd, WNDPROC previous)
{
    m_hWnd = hwnd;
    m_previousProc = previous;
    SetPropW(hwnd, kObjectProperty, this);
}

void CWnd::Unbind()
{
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(m_hWnd, GWLP_WNDPROC)) == &CWnd::StaticWindowProc)
        SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previousProc));
    RemovePropW(m_hWnd, kObjectProperty);
    m_hWnd = nullptr;
    m_previousProc = nullptr;
}

LRESULT CALLBACK CWnd::StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* self = FromHandle(hwnd);
    if (!self && t_creating) {
        self = t_creating;
        t_creating = nullptr;
        self->Bind(hwnd, DefWindowProcW);
    }
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);

    LRESULT result = 0;
    try {
        result = self->WindowProc(message, wParam, lParam);
    } catch (...) {
        // The caller is the system's own code, which no C++ exception may unwind through: a
        // handler that fails leaves the message to the default handling instead.
        result = self->m_hWnd == hwnd ? self->Default(message, wParam, lParam)
                                      : DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY && self->m_hWnd == hwnd) {
        self->Unbind();
        self->PostNcDestroy();
    }
    return result;
}
