#pragma once
// What the user-interface tests share: a resource module to draw from, a top-level window that
// records what its controls post to it, a message pump, real mouse input, pixels read back from
// the screen, and the process's GDI object count.

#include "base/Handles.h"
#include "framework/Wnd.h"
#include "tests/support/DesktopInput.h"
#include <string>
#include <vector>

// Makes a module from the test folder the resource module for the object's lifetime.
class ScopedResourceModule {
public:
    explicit ScopedResourceModule(const wchar_t* fileName);
    ~ScopedResourceModule();
    ScopedResourceModule(const ScopedResourceModule&) = delete;
    ScopedResourceModule& operator=(const ScopedResourceModule&) = delete;
    bool IsLoaded() const { return m_module.IsValid(); }

private:
    UniqueModule m_module;
};

struct Notification {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A visible window at a fixed place on the screen (its client coordinates are the screen's),
// holding the controls under test and recording the WM_COMMAND and slider messages they post.
class TestParent : public CWnd {
public:
    TestParent(int x, int y, int width, int height, COLORREF background = RGB(64, 64, 64));
    ~TestParent() override;
    std::vector<Notification> notes;
    // A child static control of the kind the dialog template holds, for a control to bind to.
    HWND AddStatic(UINT id, int x, int y, int width, int height, DWORD style = SS_NOTIFY) const;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    HBRUSH m_background;
};

// Repaints the window and its children now, then pumps.
void Redraw(HWND hwnd);

// A press and release of the real mouse at a point in `hwnd`'s client area.
void Click(HWND hwnd, POINT client);

// The client area of a window as it shows on the screen.
class Snapshot {
public:
    explicit Snapshot(HWND hwnd);
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    COLORREF At(int x, int y) const;
    // Writes the pixels as a 24-bit bitmap file.
    bool Save(const std::wstring& path) const;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<DWORD> m_pixels;
};

// True when each channel of `a` is within `tolerance` of `b`.
bool Near(COLORREF a, COLORREF b, int tolerance = 0);
std::string ColourText(COLORREF colour);

// The number of GDI objects this process holds, or -1 when the platform cannot tell.
int GdiObjectCount();
