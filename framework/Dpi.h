#pragma once
// Dots per inch as this process sees them, and sizes designed at 96 dots per inch scaled to
// them. The process declares itself aware of the monitor's scale (app manifest), so it sizes
// and draws everything itself.

#include <windows.h>

constexpr UINT kDefaultDpi = 96;

// The scale of the monitor `hwnd` is on: per monitor where the system tells it (Windows 10
// version 1607 and later), the system's scale otherwise.
UINT WindowDpi(HWND hwnd);

// A length designed at 96 dots per inch, at `dpi`, rounded to the nearest pixel.
inline int ScaleForDpi(int value, UINT dpi)
{
    return MulDiv(value, static_cast<int>(dpi), static_cast<int>(kDefaultDpi));
}

// Sent to every child after its top-level window moved to a monitor of another scale
// (WM_DPICHANGED_AFTERPARENT, which the headers declare only for newer targets).
constexpr UINT kDpiChangedAfterParentMessage = 0x02E3;
