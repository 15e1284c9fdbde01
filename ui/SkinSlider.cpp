#include "ui/SkinSlider.h"
#include "framework/Dpi.h"
#include "framework/Gdi.h"
#include "ui/SkinSupport.h"
#include <algorithm>
#include <string>
#include <windowsx.h>

void CSkinSlider::SetBitmaps(UINT thumb, UINT disabledThumb, UINT thumbMask, UINT track)
{
    m_thumb = thumb;
    m_disabledThumb = disabledThumb;
    m_thumbMask = thumbMask;
    m_track = track;
    MeasureThumb();
}

// The thumb's size is that of its artwork at the skin's present scale.
void CSkinSlider::MeasureThumb()
{
    const SIZE size = SkinBitmapSize(m_thumb, SkinScaleOf(m_hWnd));
    m_thumbWidth = size.cx;
    m_thumbHeight = size.cy;
}

void CSkinSlider::SetRange(int minimum, int maximum)
{
    m_range = maximum;
}

void CSkinSlider::SetPos(int value)
{
    const bool changed = value != m_value;
    // Values live in 0..range; a range of 0 or less holds only 0.
    m_value = std::max(0, std::min(value, m_range));
    // While the user drags, the thumb stays under the mouse and only the value follows.
    if (!m_dragging) m_thumbX = ValueToPixel(m_value);
    if (changed && m_hWnd) {
        Invalidate(FALSE);
        NotifyAccessibleChange(m_hWnd, EVENT_OBJECT_VALUECHANGE);
    }
}

void CSkinSlider::SetToolTip(HWND parent, const std::wstring& text)
{
    // As for the skin button: the tooltip belongs to the top-level window and subclasses the
    // slider to follow the mouse.
    ReplaceToolTip(m_toolTip, m_hWnd, text);
}

void CSkinSlider::SetAccessibleName(const std::wstring& name)
{
    if (!m_hWnd) return;
    SetWindowText(name);
    NotifyAccessibleChange(m_hWnd, EVENT_OBJECT_NAMECHANGE);
}

std::wstring CSkinSlider::AccessibleValue() const
{
    return m_valueText ? m_valueText(m_value, m_range) : std::to_wstring(m_value);
}

int CSkinSlider::ValueToPixel(int value) const
{
    if (value <= 0 || m_range <= 0) return 0;
    const int length = TrackLength();
    if (value >= m_range) return length;
    const double step = static_cast<double>(length) / m_range;
    return std::min(static_cast<int>(value * step), length);
}

int CSkinSlider::PixelToValue(int x) const
{
    if (x <= 0 || m_range < 1) return 0;
    const int length = TrackLength();
    if (x >= length) return m_range;
    const double share = static_cast<double>(length) / x;
    return std::min(static_cast<int>(m_range / share), m_range);
}

LRESULT CSkinSlider::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PaintDC paint(m_hWnd);
        Paint(paint.Get());
        DrawFocusCue(paint.Get(), m_hWnd, GetClientRect());
        return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
        Invalidate(FALSE);
        break;
    case WM_GETOBJECT:
        if (const LRESULT object = m_accessible.OnGetObject(m_hWnd, wParam, lParam, *this)) return object;
        break;
    case WM_ERASEBKGND:
        return FALSE;
    case WM_SIZE: {
        // Everything on the face stands at a fraction of the width, so a resize repaints all
        // of it, not just the part the system exposes.
        const LRESULT result = Default(message, wParam, lParam);
        m_thumbX = ValueToPixel(m_value);
        Invalidate(FALSE);
        return result;
    }
    case kDpiChangedAfterParentMessage:
        // Moved to a monitor of another scale: the thumb's artwork changed size.
        MeasureThumb();
        m_thumbX = ValueToPixel(m_value);
        Invalidate(FALSE);
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: // a quick second press starts a drag like the first
        if (m_range <= 0) return 0;
        SetCapture(m_hWnd);
        m_dragging = true;
        TrackMouse(GET_X_LPARAM(lParam));
        Invalidate(FALSE);
        Notify(WM_SLIDER_PRESSED);
        break;
    case WM_MOUSEMOVE:
        if (m_range <= 0) return 0;
        // Only a plain left-button drag moves the thumb; with Shift, Ctrl or another button
        // held the move is ignored.
        if (wParam == MK_LBUTTON) {
            TrackMouse(GET_X_LPARAM(lParam));
            Notify(WM_SLIDER_DRAGGED);
            Invalidate(FALSE);
        }
        break;
    case WM_LBUTTONUP:
        EndDrag();
        if (m_range <= 0) return 0;
        TrackMouse(GET_X_LPARAM(lParam));
        Invalidate(FALSE);
        Notify(WM_SLIDER_RELEASED);
        break;
    case WM_CAPTURECHANGED:
        // The capture was taken away mid-drag (a message box, another window): the drag ends
        // where the thumb stands, so the owner always sees a release after a press.
        if (m_dragging && reinterpret_cast<HWND>(lParam) != m_hWnd) {
            m_dragging = false;
            Notify(WM_SLIDER_RELEASED);
        }
        break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void CSkinSlider::Paint(HDC dc)
{
    // Composed off screen and copied in one blit. Only the band of the track (or of a taller
    // thumb) is painted; the client area below it is left alone.
    const RECT client = GetClientRect();
    MemoryCanvas canvas(dc, client.right, client.bottom);
    if (!canvas.IsValid()) return;
    const int trackHeight = DrawTrack(canvas.Get(), 0, client.right);
    DrawThumb(canvas.Get(), 0);
    const int band = std::min<int>(client.bottom, std::max(trackHeight, m_thumbHeight));
    BitBlt(dc, 0, 0, client.right, band, canvas.Get(), 0, 0, SRCCOPY);
}

int CSkinSlider::DrawTrack(HDC dc, int y, int width) const
{
    const SkinImage track(dc, m_track, SkinScaleOf(m_hWnd));
    if (!track) return 0;
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, 0, y, width, track.Height(), track.Get(), 0, 0, track.Width(), track.Height(), SRCCOPY);
    return track.Height();
}

void CSkinSlider::DrawThumb(HDC dc, int y) const
{
    const int scale = SkinScaleOf(m_hWnd);
    const SkinImage thumb(dc, IsWindowEnabled() ? m_thumb : m_disabledThumb, scale);
    if (!thumb) return;
    // Transparent drawing: the mask is black where the thumb is opaque and white elsewhere,
    // and the thumb image is black where it is transparent.
    const SkinImage mask(dc, m_thumbMask, scale);
    if (mask) {
        BitBlt(dc, m_thumbX, y, m_thumbWidth, m_thumbHeight, mask.Get(), 0, 0, SRCAND);
        BitBlt(dc, m_thumbX, y, m_thumbWidth, m_thumbHeight, thumb.Get(), 0, 0, SRCPAINT);
    } else {
        BitBlt(dc, m_thumbX, y, m_thumbWidth, m_thumbHeight, thumb.Get(), 0, 0, SRCCOPY);
    }
}

int CSkinSlider::TrackLength() const
{
    const RECT client = GetClientRect();
    return std::max(0, static_cast<int>(client.right) - m_thumbWidth);
}

// The cursor holds the thumb by its middle; the thumb stops at both ends of the track.
int CSkinSlider::ThumbXForMouse(int mouseX) const
{
    const int half = m_thumbWidth / 2;
    const RECT client = GetClientRect();
    if (mouseX >= client.right - half) return TrackLength();
    if (mouseX > half) return mouseX - half;
    return 0;
}

CSkinSlider::ThumbStop CSkinSlider::StopForMouse(int mouseX) const
{
    if (const std::optional<int> snapped = SnapValue(mouseX)) {
        const int value = std::max(0, std::min(*snapped, m_range));
        return ThumbStop{ValueToPixel(value), value};
    }
    const int x = ThumbXForMouse(mouseX);
    return ThumbStop{x, PixelToValue(x)};
}

void CSkinSlider::TrackMouse(int mouseX)
{
    const int before = m_value;
    const ThumbStop stop = StopForMouse(mouseX);
    m_thumbX = stop.x;
    m_value = stop.value;
    if (m_value != before) NotifyAccessibleChange(m_hWnd, EVENT_OBJECT_VALUECHANGE);
}

void CSkinSlider::Notify(UINT message) const
{
    ::PostMessageW(GetParent(), message, static_cast<WPARAM>(m_value), static_cast<LPARAM>(GetDlgCtrlID()));
}

// Leaves dragging before the capture goes, so that our own release is not taken for a lost drag.
void CSkinSlider::EndDrag()
{
    const bool dragging = m_dragging;
    m_dragging = false;
    if (dragging && GetCapture() == m_hWnd) ReleaseCapture();
}
