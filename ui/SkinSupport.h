#pragma once
// Pieces the skinned controls share: a skin bitmap of the resource module selected into a
// memory DC of its own, ready to be blitted, and the one-tool tooltip that a control owns.

#include "framework/Gdi.h"
#include "framework/ToolTipCtrl.h"
#include <memory>
#include <string>

// Bitmap `id` of the resource module in a memory DC compatible with `target`. An ID of 0 or a
// bitmap the module does not have gives an empty image, which the controls simply do not draw.
class SkinImage {
public:
    SkinImage(HDC target, UINT id);
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

// The size of bitmap `id` of the resource module, (0, 0) when it has none.
SIZE SkinBitmapSize(UINT id);

// Replaces `toolTip` with a new tooltip for the control `tool` showing `text`. When the new
// one cannot be made the control is left without a tooltip.
void ReplaceToolTip(std::unique_ptr<CToolTipCtrl>& toolTip, HWND tool, const std::wstring& text);

// The dotted focus rectangle just inside `rect`, drawn while `control` has the keyboard focus
// and its window shows focus cues (they stay hidden until the keyboard is used).
void DrawFocusCue(HDC dc, HWND control, RECT rect);
