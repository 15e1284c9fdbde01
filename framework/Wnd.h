#pragma once
// CWnd binds a C++ object to a window handle. The object sees every message of its window in
// WindowProc; what it does not handle goes on to the window's previous procedure through
// Default. A window is bound either when this layer creates it (CreateEx) or by subclassing a
// window that already exists (a control of a dialog template, SubclassDlgItem).
//
// The binding is removed at WM_NCDESTROY, before PostNcDestroy runs, so a destroyed window
// never calls into a dead object; an object destroyed first unbinds and destroys its window.

#include <windows.h>
#include <string>

// <windowsx.h>, which <dshow.h> pulls in, defines SubclassWindow as a macro; here it is a method.
#ifdef SubclassWindow
#undef SubclassWindow
#endif

class CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd();

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // Creates a child or top-level window of this layer's own window class.
    bool CreateEx(DWORD exStyle, const wchar_t* text, DWORD style, const RECT& rect, HWND parent, UINT id);
    // Binds this object to an existing window, replacing its window procedure.
    bool SubclassWindow(HWND hwnd);
    bool SubclassDlgItem(UINT id, HWND parent);
    bool DestroyWindow();

    // Thin conveniences over the Win32 calls of the same name.
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    BOOL ShowWindow(int command) const { return ::ShowWindow(m_hWnd, command); }
    BOOL EnableWindow(BOOL enable) const { return ::EnableWindow(m_hWnd, enable); }
    bool IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd) != FALSE; }
    bool IsWindowVisible() const { return ::IsWindowVisible(m_hWnd) != FALSE; }
    void Invalidate(BOOL erase = TRUE) const { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE) const
    {
        ::MoveWindow(m_hWnd, x, y, width, height, repaint);
    }
    RECT GetClientRect() const;
    RECT GetWindowRect() const;
    void SetWindowText(const std::wstring& text) const { ::SetWindowTextW(m_hWnd, text.c_str()); }
    std::wstring GetWindowText() const;
    void SetFont(HFONT font, BOOL redraw = TRUE) const
    {
        ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
    }
    UINT_PTR SetTimer(UINT_PTR id, UINT milliseconds) const { return ::SetTimer(m_hWnd, id, milliseconds, nullptr); }
    BOOL KillTimer(UINT_PTR id) const { return ::KillTimer(m_hWnd, id); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }

    // The object bound to `hwnd` by this layer, or null.
    static CWnd* FromHandle(HWND hwnd);

    // A modal loop offers each queued message to the objects of its target window and of that
    // window's parents, innermost first; return true when the message was handled and must not
    // be dispatched.
    virtual bool PreTranslateMessage(MSG& message) { return false; }

protected:
    // Every message of the window passes here first.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Hands the message to the window's previous procedure.
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
    // Called after the window is gone and the binding removed.
    virtual void PostNcDestroy() {}

    HWND m_hWnd = nullptr;

private:
    friend class CDialog;
    static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Bind(HWND hwnd, WNDPROC previous);
    void Unbind();

    WNDPROC m_previousProc = nullptr;
};

// A static control of a dialog template, bound by its ID.
class CStatic : public CWnd {
};
