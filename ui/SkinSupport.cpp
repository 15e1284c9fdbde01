#include "ui/SkinSupport.h"
#include "framework/Resources.h"
#include <new>

namespace {
UniqueBitmap LoadSkinBitmap(UINT id)
{
    return id ? LoadResourceBitmap(id) : UniqueBitmap();
}
}

SkinImage::SkinImage(HDC target, UINT id)
    : m_bitmap(LoadSkinBitmap(id)),
      m_dc(m_bitmap ? CreateCompatibleDC(target) : nullptr),
      m_select(m_dc.Get(), m_dc ? m_bitmap.Get() : nullptr),
      m_size(BitmapSize(m_bitmap.Get()))
{
}

SIZE SkinBitmapSize(UINT id)
{
    return BitmapSize(LoadSkinBitmap(id).Get());
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
    if (SendMessageW(control, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) return;
    InflateRect(&rect, -1, -1);
    DrawFocusRect(dc, &rect);
}
