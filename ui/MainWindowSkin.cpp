#include "ui/MainWindowSkin.h"
#include "framework/Gdi.h"
#include "framework/Resources.h"
#include "resources/ResourceIds.h"

namespace {
RECT At(int x, int y, int width, int height)
{
    return RECT{x, y, x + width, y + height};
}
}

std::vector<ControlPlacement> LayoutControls(const RECT& client)
{
    const int L = client.left;
    const int T = client.top;
    const int R = client.right;
    const int W = client.right - client.left;
    const int H = client.bottom - client.top;
    // The left group keeps its distance from the left edge, the right group from the right
    // edge, and the seek bar stretches between them.
    return {
        {IDC_PICTURE, At(L, kHeaderHeight, W, H - kHeaderHeight), true},
        {IDC_TITLE, At(L + 5, T + 3, 200, 15), false},
        {IDC_TARGET_TIME, At(L + 10, T + 20, 80, 16), false},
        {IDC_INDICATOR, At(L + 10, T + 18, 16, 16), false},
        {IDC_PAUSE, At(L + 5, T + 46, 27, 24), false},
        {IDC_PLAY, At(L + 32, T + 46, 32, 24), false},
        {IDC_SKIP_BACK, At(L + 65, T + 49, 23, 19), false},
        {IDC_SKIP_FORWARD, At(L + 88, T + 49, 23, 19), false},
        {IDC_PREV_PICTURE, At(L + 112, T + 49, 23, 19), false},
        {IDC_NEXT_PICTURE, At(L + 135, T + 49, 23, 19), false},
        {IDC_TIME, At(R - 142, T + 23, 60, 12), false},
        {IDC_VOLUME, At(R - 46, T + 18, 36, 17), true},
        {IDC_MUTE, At(R - 72, T + 18, 27, 17), true},
        {IDC_SEEKBAR, At(L + 232, T + 40, W - 242, 34), false},
        {IDC_CLOSE, At(R - 16, T + 3, 11, 11), true},
        {IDC_MAXIMIZE, At(R - 32, T + 3, 13, 11), true},
        {IDC_MINIMIZE, At(R - 48, T + 3, 13, 11), true},
        {IDC_COMPACT, At(R - 64, T + 3, 13, 11), true},
        {IDC_TOPMOST, At(R - 80, T + 3, 14, 13), true},
    };
}

void PaintHeader(HDC target, const RECT& client)
{
    const int W = client.right - client.left;
    const int H = client.bottom - client.top;
    MemoryCanvas canvas(target, W, H);
    if (!canvas.IsValid()) return;

    UniqueBitmap header = LoadResourceBitmap(IDB_HEADER);
    const SIZE size = BitmapSize(header.Get());
    UniqueMemoryDC source(CreateCompatibleDC(target));
    if (header && source) {
        SelectGuard selected(source.Get(), header.Get());
        StretchBlt(canvas.Get(), 0, 0, W, size.cy, source.Get(), 0, 0, size.cx, size.cy, SRCCOPY);
    }

    // Only the three header zones are painted; the seek bar and the picture view paint themselves.
    UniqueRegion zones(CreateRectRgn(0, 0, W, 40));
    UniqueRegion block(CreateRectRgn(0, 40, 232, kHeaderHeight));
    UniqueRegion strip(CreateRectRgn(client.right - 10, 0, client.right, kHeaderHeight));
    if (zones && block && strip) {
        CombineRgn(zones.Get(), zones.Get(), block.Get(), RGN_OR);
        CombineRgn(zones.Get(), zones.Get(), strip.Get(), RGN_OR);
        SelectClipRgn(target, zones.Get());
    }
    canvas.CopyTo(0, 0);
    SelectClipRgn(target, nullptr);
}

void ApplySizeLimits(UINT edge, RECT& proposed, const RECT& current, bool stripView, int screenWidth)
{
    const RECT asProposed = proposed;
    const int width = asProposed.right - asProposed.left;
    const int height = asProposed.bottom - asProposed.top;

    const bool top = edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT;
    const bool bottom = edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT;
    const bool left = edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT;
    const bool right = edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT;

    if (top) {
        if (stripView)
            proposed.top = current.top;
        else if (height < kMinimumWindowHeight)
            proposed.top = asProposed.bottom - kMinimumWindowHeight;
    }
    if (bottom) {
        if (stripView)
            proposed.bottom = current.bottom;
        else if (height < kMinimumWindowHeight)
            proposed.bottom = asProposed.top + kMinimumWindowHeight;
    }
    if (left) {
        if (width < kMinimumWindowWidth)
            proposed.left = asProposed.right - kMinimumWindowWidth;
        else if (width > screenWidth)
            proposed.left = asProposed.right - screenWidth;
    }
    if (right) {
        if (width < kMinimumWindowWidth)
            proposed.right = asProposed.left + kMinimumWindowWidth;
        else if (width > screenWidth)
            proposed.right = asProposed.left + screenWidth;
    }
}
