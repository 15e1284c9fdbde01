#pragma once
// The position slider of the player: a skin slider with a richer face. Over a flat background
// it shows the track, a scale with major ticks at both ends and the middle and minor ticks at
// every tenth, and a mark wherever a picture of the recording begins, so the user sees where
// the pictures change and can drag the thumb there. Values are seconds.
//
// While the mouse rests on the bar, a preview shows the picture and the time that a click there
// would seek to; a press or drag within a few pixels of a mark snaps to that mark's second, so
// a picture's start is easy to hit.

#include "ui/SeekPreview.h"
#include "ui/SkinSlider.h"
#include <vector>

class CSeekBar : public CSkinSlider {
public:
    // Neither repaints; the owner sets them before the bar is shown.
    void SetScaleBitmaps(UINT majorTick, UINT minorTick);
    // The mark image is black where it is transparent; the mask, of the same size, is black
    // where the mark is opaque and white elsewhere.
    void SetMarkBitmaps(UINT image, UINT mask);
    // Replaces the marks (start seconds, in the owner's order) and repaints. New marks mean new
    // pictures: the preview forgets the thumbnails it made.
    void SetMarks(const std::vector<int>& marks);
    // The owner that tells what the preview shows, and the bitmap the preview shows where the
    // position has no picture. Without a source the bar shows no preview.
    void SetPreviewSource(const ISeekPreviewSource* source, UINT noPictureBitmap);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint(HDC dc) override;
    std::optional<int> SnapValue(int mouseX) const override;

private:
    void DrawScale(HDC dc, int width, int scale) const;
    void DrawMarks(HDC dc, int width, int scale) const;
    void UpdatePreview(int mouseX);
    bool CursorInside() const;

    UINT m_majorTick = 0;
    UINT m_minorTick = 0;
    UINT m_markImage = 0;
    UINT m_markMask = 0;
    std::vector<int> m_marks;
    const ISeekPreviewSource* m_previewSource = nullptr;
    CSeekPreview m_preview;
    bool m_trackingLeave = false;
};
