#pragma once
// Scoped GDI helpers: a paint DC that ends its paint, a window DC that is released, a selected
// object that is put back, and an off-screen canvas that is copied to its target in one blit.

#include "base/Handles.h"

class PaintDC {
public:
    explicit PaintDC(HWND hwnd) : m_hwnd(hwnd) { m_dc = BeginPaint(hwnd, &m_ps); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    ~PaintDC() { EndPaint(m_hwnd, &m_ps); }
    HDC Get() const { return m_dc; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps{};
    HDC m_dc = nullptr;
};

class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : m_hwnd(hwnd), m_dc(GetDC(hwnd)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC()
    {
        if (m_dc) ReleaseDC(m_hwnd, m_dc);
    }
    HDC Get() const { return m_dc; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

// Selects an object into a DC and selects the previous one back when it goes out of scope.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(object ? SelectObject(dc, object) : nullptr) {}
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    ~SelectGuard()
    {
        if (m_previous) SelectObject(m_dc, m_previous);
    }

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// An off-screen surface compatible with `target`, width × height, to compose a paint in.
class MemoryCanvas {
public:
    MemoryCanvas(HDC target, int width, int height)
        : m_target(target), m_width(width), m_height(height),
          m_dc(CreateCompatibleDC(target)),
          m_bitmap(CreateCompatibleBitmap(target, width > 0 ? width : 1, height > 0 ? height : 1)),
          m_select(m_dc.Get(), m_bitmap.Get())
    {
    }
    bool IsValid() const { return m_dc && m_bitmap; }
    HDC Get() const { return m_dc.Get(); }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // Copies the whole canvas to the target at (x, y).
    void CopyTo(int x = 0, int y = 0) const
    {
        BitBlt(m_target, x, y, m_width, m_height, m_dc.Get(), 0, 0, SRCCOPY);
    }

private:
    HDC m_target;
    int m_width;
    int m_height;
    UniqueMemoryDC m_dc;
    UniqueBitmap m_bitmap;
    SelectGuard m_select;
};

// Size of a bitmap in pixels, (0, 0) for none.
inline SIZE BitmapSize(HBITMAP bitmap)
{
    BITMAP info{};
    if (!bitmap || !GetObjectW(bitmap, sizeof(info), &info)) return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight};
}
