#pragma once
// The position slider of the player: a skin slider with a richer face. Over a flat background
// it shows the track, a scale with major ticks at both ends and the middle and minor ticks at
// every tenth, and a mark wherever a picture of the recording begins, so the user sees where
// the pictures change and can drag the thumb there. Values are seconds.

#include "ui/SkinSlider.h"
#include <vector>

class CSeekBar : public CSkinSlider {
public:
    // Neither repaints; the owner sets them before the bar is shown.
    void SetScaleBitmaps(UINT majorTick, UINT minorTick);
    // The mark image is black where it is transparent; the mask, of the same size, is black
    // where the mark is opaque and white elsewhere.
    void SetMarkBitmaps(UINT image, UINT mask);
    // Replaces the marks (start seconds, in the owner's order) and repaints.
    void SetMarks(const std::vector<int>& marks);

protected:
    void Paint(HDC dc) override;

private:
    void DrawScale(HDC dc, int width) const;
    void DrawMarks(HDC dc, int width) const;

    UINT m_majorTick = 0;
    UINT m_minorTick = 0;
    UINT m_markImage = 0;
    UINT m_markMask = 0;
    std::vector<int> m_marks;
};
