#pragma once
// Pieces the skinned controls share: the scale the skin is drawn at, a skin bitmap of the
// resource module at that scale selected into a memory DC of its own, ready to be blitted, and
// the one-tool tooltip that a control owns.

#include "framework/Gdi.h"
#include "framework/ToolTipCtrl.h"
#include <memory>
#include <string>

// The skin is drawn at 100, 150 or 200 percent: the resource module holds artwork for these
// three. A window's dots per inch pick the nearest; beyond 200 percent the skin stays at 200.
int SkinScale(UINT dpi);
// The skin scale of the monitor a control is on.
int SkinScaleOf(HWND control);
// A length of the 100 percent skin at `scale` percent, rounded to the nearest pixel.
inline int SkinScaled(int value, int scale)
{
    return MulDiv(value, scale, 100);
}

// Skin bitmap `id` at `scale` percent: the module's artwork for that scale (the ID plus
// IDB_SCALE_150 or IDB_SCALE_200) or, in a module without it, the 100 percent artwork enlarged
// pixel by pixel, so that masks stay black and white. Invalid for an ID of 0 or a missing bitmap.
UniqueBitmap LoadSkinBitmap(UINT id, int scale);

// Bitmap `id` of the resource module in a memory DC compatible with `target`. An ID of 0 or a
// bitmap the module does not have gives an empty image, which the controls simply do not draw.
class SkinImage {
public:
    SkinImage(HDC target, UINT id, int scale);
    SkinImage(const SkinImage&) = delete;
    SkinImage& operator=(const SkinImage&) = delete;

    explicit operator bool() const { return m_bitmap && m_dc; }
    HDC Get() const { return m_dc.Get(); }
    int Width() const { return m_size.cx; }
    int Height() const { return m_size.cy; }

private:
    // Declared in this order so the bitmap is selected out before the DC and the bitmap go.
    UniqueBitmap m_bitmap;
    UniqueMemoryDC m_dc;
    SelectGuard m_select;
    SIZE m_size;
};

// The size of skin bitmap `id` at `scale` percent, (0, 0) when the module has none.
SIZE SkinBitmapSize(UINT id, int scale);

// Replaces `toolTip` with a new tooltip for the control `tool` showing `text`. When the new
// one cannot be made the control is left without a tooltip.
void ReplaceToolTip(std::unique_ptr<CToolTipCtrl>& toolTip, HWND tool, const std::wstring& text);

// The dotted focus rectangle just inside `rect`, drawn while `control` has the keyboard focus
// and its top-level window shows focus cues (WM_QUERYUISTATE without UISF_HIDEFOCUS).
void DrawFocusCue(HDC dc, HWND control, RECT rect);
