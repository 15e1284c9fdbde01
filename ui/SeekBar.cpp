#include "ui/SeekBar.h"
#include "framework/Dpi.h"
#include "framework/Gdi.h"
#include "ui/SkinSupport.h"
#include <cstdlib>
#include <windowsx.h>

namespace {
// Vertical layout of the face at the 100 percent skin: marks from the top, the track and the
// thumb below them, the scale under the track.
constexpr int kMarkTop = 3;
constexpr int kTrackTop = 8;
constexpr int kScaleOffset = 18;
constexpr COLORREF kBackground = RGB(180, 179, 179);
// How near a mark, in pixels at 96 dots per inch, a press snaps to it.
constexpr int kSnapReach = 4;
}

void CSeekBar::SetScaleBitmaps(UINT majorTick, UINT minorTick)
{
    m_majorTick = majorTick;
    m_minorTick = minorTick;
}

void CSeekBar::SetMarkBitmaps(UINT image, UINT mask)
{
    m_markImage = image;
    m_markMask = mask;
}

void CSeekBar::SetMarks(const std::vector<int>& marks)
{
    m_marks = marks;
    m_preview.Hide();
    m_preview.ForgetPictures();
    // The bar itself is invalidated: its parent clips its children, so invalidating the
    // parent's area would not reach the bar.
    if (m_hWnd) Invalidate(FALSE);
}

void CSeekBar::SetPreviewSource(const ISeekPreviewSource* source, UINT noPictureBitmap)
{
    m_previewSource = source;
    m_preview.SetNoPictureBitmap(noPictureBitmap);
    if (!source) m_preview.Hide();
}

LRESULT CSeekBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOUSEMOVE: {
        const LRESULT result = CSkinSlider::WindowProc(message, wParam, lParam);
        UpdatePreview(GET_X_LPARAM(lParam));
        return result;
    }
    case WM_MOUSELEAVE:
        m_trackingLeave = false;
        if (!IsDragging()) m_preview.Hide();
        break;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED: {
        // A drag that ends away from the bar takes the preview with it.
        const LRESULT result = CSkinSlider::WindowProc(message, wParam, lParam);
        if (!IsDragging() && !CursorInside()) m_preview.Hide();
        return result;
    }
    case WM_ENABLE:
        if (!wParam) m_preview.Hide();
        break;
    }
    return CSkinSlider::WindowProc(message, wParam, lParam);
}

// The preview stands under the thumb's place: where a press at the mouse would put the thumb,
// or, during a drag, where the thumb is.
void CSeekBar::UpdatePreview(int mouseX)
{
    if (!m_previewSource || Range() <= 0 || !IsWindowEnabled()) {
        m_preview.Hide();
        return;
    }
    if (!m_trackingLeave) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, m_hWnd, HOVER_DEFAULT};
        m_trackingLeave = TrackMouseEvent(&track) != FALSE;
    }
    const int value = IsDragging() ? GetPos() : StopForMouse(mouseX).value;
    POINT centre{ValueToPixel(value) + ThumbWidth() / 2, 0};
    ClientToScreen(m_hWnd, &centre);
    m_preview.Show(GetAncestor(m_hWnd, GA_ROOT), m_previewSource->PreviewPicture(value),
                   m_previewSource->PreviewCaption(value), GetWindowRect(), centre.x, WindowDpi(m_hWnd));
}

bool CSeekBar::CursorInside() const
{
    POINT cursor{};
    GetCursorPos(&cursor);
    const RECT bar = GetWindowRect();
    return PtInRect(&bar, cursor) != FALSE;
}

// The mark nearest to the mouse within reach, measured where the cursor would hold the thumb
// standing at the mark's second. Marks beyond the range are out of reach.
std::optional<int> CSeekBar::SnapValue(int mouseX) const
{
    const int reach = ScaleForDpi(kSnapReach, WindowDpi(m_hWnd));
    std::optional<int> nearest;
    int nearestDistance = reach + 1;
    for (const int mark : m_marks) {
        if (mark < 0 || mark > Range()) continue;
        const int distance = std::abs(mouseX - (ValueToPixel(mark) + ThumbWidth() / 2));
        if (distance < nearestDistance) {
            nearest = mark;
            nearestDistance = distance;
        }
    }
    return nearest;
}

void CSeekBar::Paint(HDC dc)
{
    const RECT client = GetClientRect();
    const int width = client.right;
    const int scale = SkinScaleOf(m_hWnd);
    MemoryCanvas canvas(dc, width, client.bottom);
    if (!canvas.IsValid()) return;
    const UniqueBrush background(CreateSolidBrush(kBackground));
    FillRect(canvas.Get(), &client, background.Get());
    const int trackTop = SkinScaled(kTrackTop, scale);
    DrawTrack(canvas.Get(), trackTop, width);
    DrawScale(canvas.Get(), width, scale);
    // Marks go over the track and under the thumb.
    DrawMarks(canvas.Get(), width, scale);
    DrawThumb(canvas.Get(), trackTop);
    canvas.CopyTo();
}

// Major ticks at both ends and in the middle; minor ticks centred on every other tenth, on the
// major ticks' band. The tenth is a whole pixel count, so on widths that are not multiples of
// ten the last minor tick stands a little further from the right end.
void CSeekBar::DrawScale(HDC dc, int width, int scale) const
{
    const int scaleTop = SkinScaled(kTrackTop, scale) + SkinScaled(kScaleOffset, scale);
    const SkinImage major(dc, m_majorTick, scale);
    if (major) {
        for (const int x : {0, (width - major.Width()) / 2, width - major.Width()})
            BitBlt(dc, x, scaleTop, major.Width(), major.Height(), major.Get(), 0, 0, SRCCOPY);
    }
    const SkinImage minor(dc, m_minorTick, scale);
    if (minor) {
        const int y = scaleTop + (major.Height() - minor.Height()) / 2;
        const int tenth = width / 10;
        for (const int k : {1, 2, 3, 4, 6, 7, 8, 9})
            BitBlt(dc, tenth * k - minor.Width() / 2, y, minor.Width(), minor.Height(), minor.Get(), 0, 0, SRCCOPY);
    }
}

// A mark stands where the thumb's left edge stands at the same value, pulled left where it
// would run past the right end.
void CSeekBar::DrawMarks(HDC dc, int width, int scale) const
{
    const SkinImage image(dc, m_markImage, scale);
    const SkinImage mask(dc, m_markMask, scale);
    if (!image || !mask) return;
    const int markTop = SkinScaled(kMarkTop, scale);
    for (const int value : m_marks) {
        int x = ValueToPixel(value);
        if (x + image.Width() > width) x = width - image.Width();
        BitBlt(dc, x, markTop, mask.Width(), mask.Height(), mask.Get(), 0, 0, SRCAND);
        BitBlt(dc, x, markTop, image.Width(), image.Height(), image.Get(), 0, 0, SRCPAINT);
    }
}
