#include "ui/SkinSupport.h"
#include "framework/Dpi.h"
#include "framework/Resources.h"
#include "resources/ResourceIds.h"
#include <new>

int SkinScale(UINT dpi)
{
    if (dpi <= 120) return 100; // up to 125 %
    if (dpi <= 168) return 150; // up to 175 %
    return 200;
}

int SkinScaleOf(HWND control)
{
    return SkinScale(WindowDpi(control));
}

namespace {
UniqueBitmap Enlarged(HBITMAP bitmap, int scale)
{
    const SIZE size = BitmapSize(bitmap);
    const int width = SkinScaled(size.cx, scale);
    const int height = SkinScaled(size.cy, scale);
    const WindowDC screen(nullptr);
    UniqueBitmap enlarged(CreateCompatibleBitmap(screen.Get(), width, height));
    UniqueMemoryDC source(CreateCompatibleDC(screen.Get()));
    UniqueMemoryDC target(CreateCompatibleDC(screen.Get()));
    if (!enlarged || !source || !target) return UniqueBitmap();
    const SelectGuard from(source.Get(), bitmap);
    const SelectGuard to(target.Get(), enlarged.Get());
    SetStretchBltMode(target.Get(), COLORONCOLOR);
    StretchBlt(target.Get(), 0, 0, width, height, source.Get(), 0, 0, size.cx, size.cy, SRCCOPY);
    return enlarged;
}
}

UniqueBitmap LoadSkinBitmap(UINT id, int scale)
{
    if (id == 0) return UniqueBitmap();
    if (scale == 100) return LoadResourceBitmap(id);
    UniqueBitmap drawn = LoadResourceBitmap(id + (scale == 150 ? IDB_SCALE_150 : IDB_SCALE_200));
    if (drawn) return drawn;
    const UniqueBitmap plain = LoadResourceBitmap(id);
    return plain ? Enlarged(plain.Get(), scale) : UniqueBitmap();
}

SkinImage::SkinImage(HDC target, UINT id, int scale)
    : m_bitmap(LoadSkinBitmap(id, scale)),
      m_dc(m_bitmap ? CreateCompatibleDC(target) : nullptr),
      m_select(m_dc.Get(), m_dc ? m_bitmap.Get() : nullptr),
      m_size(BitmapSize(m_bitmap.Get()))
{
}

SIZE SkinBitmapSize(UINT id, int scale)
{
    return BitmapSize(LoadSkinBitmap(id, scale).Get());
}

void ReplaceToolTip(std::unique_ptr<CToolTipCtrl>& toolTip, HWND tool, const std::wstring& text)
{
    toolTip.reset();
    std::unique_ptr<CToolTipCtrl> created(new (std::nothrow) CToolTipCtrl);
    if (created && created->Create(tool, text)) toolTip = std::move(created);
}

void DrawFocusCue(HDC dc, HWND control, RECT rect)
{
    if (GetFocus() != control) return;
    // The top-level window keeps the cue state for all of its controls.
    if (SendMessageW(GetAncestor(control, GA_ROOT), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) return;
    InflateRect(&rect, -1, -1);
    DrawFocusRect(dc, &rect);
}
