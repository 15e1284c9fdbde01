#include "ui/MainWindowSkin.h"
#include "framework/Gdi.h"
#include "framework/Resources.h"
#include "resources/ResourceIds.h"
#include "ui/SkinSupport.h"

namespace {
RECT At(int x, int y, int width, int height)
{
    return RECT{x, y, x + width, y + height};
}
}

std::vector<ControlPlacement> LayoutControls(const RECT& client, int scale)
{
    const auto S = [scale](int length) { return SkinScaled(length, scale); };
    const int L = client.left;
    const int T = client.top;
    const int R = client.right;
    const int W = client.right - client.left;
    const int H = client.bottom - client.top;
    const int header = S(kHeaderHeight);
    // The left group keeps its distance from the left edge, the right group from the right
    // edge, and the seek bar stretches between them, ending where the right strip begins.
    return {
        {IDC_PICTURE, At(L, header, W, H - header), true},
        {IDC_TITLE, At(L + S(5), T + S(3), S(200), S(15)), false},
        {IDC_TARGET_TIME, At(L + S(10), T + S(20), S(80), S(16)), false},
        {IDC_INDICATOR, At(L + S(10), T + S(18), S(16), S(16)), false},
        {IDC_PAUSE, At(L + S(5), T + S(46), S(27), S(24)), false},
        {IDC_PLAY, At(L + S(32), T + S(46), S(32), S(24)), false},
        {IDC_SKIP_BACK, At(L + S(65), T + S(49), S(23), S(19)), false},
        {IDC_SKIP_FORWARD, At(L + S(88), T + S(49), S(23), S(19)), false},
        {IDC_PREV_PICTURE, At(L + S(112), T + S(49), S(23), S(19)), false},
        {IDC_NEXT_PICTURE, At(L + S(135), T + S(49), S(23), S(19)), false},
        {IDC_TIME, At(R - S(142), T + S(23), S(60), S(12)), false},
        {IDC_VOLUME, At(R - S(46), T + S(18), S(36), S(17)), true},
        {IDC_MUTE, At(R - S(72), T + S(18), S(27), S(17)), true},
        {IDC_SEEKBAR, At(L + S(232), T + S(40), W - S(10) - S(232), S(34)), false},
        {IDC_CLOSE, At(R - S(16), T + S(3), S(11), S(11)), true},
        {IDC_MAXIMIZE, At(R - S(32), T + S(3), S(13), S(11)), true},
        {IDC_MINIMIZE, At(R - S(48), T + S(3), S(13), S(11)), true},
        {IDC_COMPACT, At(R - S(64), T + S(3), S(13), S(11)), true},
        {IDC_TOPMOST, At(R - S(80), T + S(3), S(14), S(13)), true},
    };
}

void PaintHeader(HDC target, const RECT& client, int scale)
{
    const auto S = [scale](int length) { return SkinScaled(length, scale); };
    const int W = client.right - client.left;
    const int H = client.bottom - client.top;
    MemoryCanvas canvas(target, W, H);
    if (!canvas.IsValid()) return;

    UniqueBitmap header = LoadSkinBitmap(IDB_HEADER, scale);
    const SIZE size = BitmapSize(header.Get());
    UniqueMemoryDC source(CreateCompatibleDC(target));
    if (header && source) {
        SelectGuard selected(source.Get(), header.Get());
        StretchBlt(canvas.Get(), 0, 0, W, size.cy, source.Get(), 0, 0, size.cx, size.cy, SRCCOPY);
    }

    // Only the three header zones are painted; the seek bar and the picture view paint themselves.
    UniqueRegion zones(CreateRectRgn(0, 0, W, S(40)));
    UniqueRegion block(CreateRectRgn(0, S(40), S(232), S(kHeaderHeight)));
    UniqueRegion strip(CreateRectRgn(client.right - S(10), 0, client.right, S(kHeaderHeight)));
    if (zones && block && strip) {
        CombineRgn(zones.Get(), zones.Get(), block.Get(), RGN_OR);
        CombineRgn(zones.Get(), zones.Get(), strip.Get(), RGN_OR);
        SelectClipRgn(target, zones.Get());
    }
    canvas.CopyTo(0, 0);
    SelectClipRgn(target, nullptr);
}

void ApplySizeLimits(UINT edge, RECT& proposed, const RECT& current, bool stripView, int screenWidth, int scale)
{
    const int minimumWidth = SkinScaled(kMinimumWindowWidth, scale);
    const int minimumHeight = SkinScaled(kMinimumWindowHeight, scale);
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
        else if (height < minimumHeight)
            proposed.top = asProposed.bottom - minimumHeight;
    }
    if (bottom) {
        if (stripView)
            proposed.bottom = current.bottom;
        else if (height < minimumHeight)
            proposed.bottom = asProposed.top + minimumHeight;
    }
    if (left) {
        if (width < minimumWidth)
            proposed.left = asProposed.right - minimumWidth;
        else if (width > screenWidth)
            proposed.left = asProposed.right - screenWidth;
    }
    if (right) {
        if (width < minimumWidth)
            proposed.right = asProposed.left + minimumWidth;
        else if (width > screenWidth)
            proposed.right = asProposed.left + screenWidth;
    }
}
