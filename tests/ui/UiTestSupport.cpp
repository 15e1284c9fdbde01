#include "UiTestSupport.h"
#include "tests/support/BitmapFile.h"
#include "framework/Gdi.h"
#include "framework/Resources.h"
#include <winternl.h>
#include <cstdio>

ScopedResourceModule::ScopedResourceModule(const wchar_t* fileName)
    : m_module(LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_AS_DATAFILE))
{
    if (m_module) SetResourceModule(m_module.Get());
}

ScopedResourceModule::~ScopedResourceModule()
{
    SetResourceModule(nullptr);
}

namespace {
// One top-level window for the whole run, covering the screen, that every test window lives in:
// without a window manager Wine takes two seconds to destroy a visible top-level window, and a
// child window goes at once.
HWND Stage()
{
    static const HWND stage = [] {
        HWND hwnd = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN | SS_BLACKRECT, 0, 0,
                                    GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
        SetForegroundWindow(hwnd);
        return hwnd;
    }();
    return stage;
}
}

TestParent::TestParent(int x, int y, int width, int height, COLORREF background)
    : m_background(CreateSolidBrush(background))
{
    CreateEx(0, L"ui test", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
             RECT{x, y, x + width, y + height}, Stage(), 0);
    Redraw(m_hWnd);
}

TestParent::~TestParent()
{
    DestroyWindow();
    DeleteObject(m_background);
}

HWND TestParent::AddStatic(UINT id, int x, int y, int width, int height, DWORD style) const
{
    return CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | style, x, y, width, height, m_hWnd,
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

LRESULT TestParent::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
    case WM_USER + 1:
    case WM_USER + 2:
    case WM_USER + 3:
        notes.push_back(Notification{message, wParam, lParam});
        return 0;
    case WM_ERASEBKGND: {
        RECT rc = GetClientRect();
        FillRect(reinterpret_cast<HDC>(wParam), &rc, m_background);
        return TRUE;
    }
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void Redraw(HWND hwnd)
{
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
}

void Click(HWND hwnd, POINT client)
{
    MoveMouse(hwnd, client);
    MouseButton(true);
    MouseButton(false);
}

Snapshot::Snapshot(HWND hwnd)
{
    RECT client{};
    GetClientRect(hwnd, &client);
    m_width = client.right;
    m_height = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = m_width;
    info.bmiHeader.biHeight = -m_height; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap dib(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    UniqueMemoryDC memory(CreateCompatibleDC(nullptr));
    if (!dib || !memory || !bits) return;
    {
        SelectGuard select(memory.Get(), dib.Get());
        WindowDC window(hwnd);
        BitBlt(memory.Get(), 0, 0, m_width, m_height, window.Get(), 0, 0, SRCCOPY);
        GdiFlush();
    }
    const auto* pixels = static_cast<const DWORD*>(bits);
    m_pixels.assign(pixels, pixels + static_cast<size_t>(m_width) * m_height);
}

COLORREF Snapshot::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height || m_pixels.empty()) return CLR_INVALID;
    const DWORD p = m_pixels[static_cast<size_t>(y) * m_width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

bool Snapshot::Save(const std::wstring& path) const
{
    const int stride = BitmapStride(m_width);
    std::vector<BYTE> rows(static_cast<size_t>(stride) * m_height);
    for (int y = 0; y < m_height; ++y) {
        BYTE* row = rows.data() + static_cast<size_t>(m_height - 1 - y) * stride;
        for (int x = 0; x < m_width; ++x) {
            const COLORREF c = At(x, y);
            row[x * 3] = GetBValue(c);
            row[x * 3 + 1] = GetGValue(c);
            row[x * 3 + 2] = GetRValue(c);
        }
    }
    return WriteBitmapFile(path, m_width, m_height, rows.data());
}

bool Near(COLORREF a, COLORREF b, int tolerance)
{
    if (a == CLR_INVALID || b == CLR_INVALID) return false;
    return abs(GetRValue(a) - GetRValue(b)) <= tolerance && abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

std::string ColourText(COLORREF colour)
{
    char text[32];
    snprintf(text, sizeof(text), "RGB(%d, %d, %d)", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return text;
}

int GdiObjectCount()
{
    const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (reported) return static_cast<int>(reported);
#ifdef _WIN64
    // Wine leaves GetGuiResources unimplemented but maps its GDI handle table into the process
    // the way Windows does (PEB GdiSharedHandleTable, 24-byte entries whose type word, at byte
    // 14, is 0 for a free slot).
    PROCESS_BASIC_INFORMATION process{};
    if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &process, sizeof(process), nullptr) != 0)
        return -1;
    const auto* peb = reinterpret_cast<const BYTE*>(process.PebBaseAddress);
    const auto* table = *reinterpret_cast<const BYTE* const*>(peb + 0xF8);
    if (!table) return -1;
    int count = 0;
    for (size_t i = 0; i < 0x10000; ++i) {
        WORD type;
        memcpy(&type, table + i * 24 + 14, sizeof(type));
        if (type) ++count;
    }
    return count;
#else
    return -1;
#endif
}
