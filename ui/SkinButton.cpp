#include "ui/SkinButton.h"
#include "framework/Gdi.h"
#include "framework/Resources.h"
#include "ui/SkinSupport.h"
#include <algorithm>
#include <windowsx.h>

namespace {
POINT PointFrom(LPARAM lParam)
{
    return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}
}

void CSkinButton::SetBitmaps(UINT normal, UINT normalMask, UINT pressed, UINT pressedMask, UINT hover,
                             UINT hoverMask, UINT spare, UINT spareMask, UINT disabled, UINT disabledMask)
{
    const bool firstImage = m_normal == 0 && normal != 0;
    const auto image = [normal](UINT id) { return id ? id : normal; };
    m_normal = normal;
    m_normalMask = normalMask;
    m_pressed = image(pressed);
    m_hover = image(hover);
    m_disabled = image(disabled);
    if (!m_hWnd) return;

    if (firstImage) {
        // The control takes the size of its artwork, keeping its place in the parent.
        const SIZE size = SkinBitmapSize(normal, SkinScaleOf(m_hWnd));
        if (size.cx > 0 && size.cy > 0) {
            RECT rect = GetWindowRect();
            MapWindowPoints(nullptr, GetParent(), reinterpret_cast<POINT*>(&rect), 2);
            MoveWindow(rect.left, rect.top, size.cx, size.cy, FALSE);
        }
    }
    Invalidate(FALSE);
}

void CSkinButton::SetEnabledLook(bool enabled)
{
    m_enabledLook = enabled;
    if (m_hWnd) Invalidate(FALSE);
}

void CSkinButton::EnableButton(bool enable)
{
    SetEnabledLook(enable);
    if (m_hWnd) EnableWindow(enable);
}

void CSkinButton::SetCheck(bool check)
{
    const bool changed = check != m_check;
    m_check = check;
    if (changed && m_checkable) NotifyAccessibleChange(m_hWnd, EVENT_OBJECT_STATECHANGE);
}

void CSkinButton::SetToolTip(HWND parent, const std::wstring& text)
{
    // The tooltip is owned by the button's top-level window whatever `parent` names, and
    // follows the mouse over the button by subclassing it, so no message relaying is needed.
    ReplaceToolTip(m_toolTip, m_hWnd, text);
    SetName(text);
}

void CSkinButton::SetToolTip(HWND parent, UINT stringId)
{
    SetToolTip(parent, LoadResourceString(stringId));
}

void CSkinButton::UpdateToolTip(const std::wstring& text)
{
    if (!m_toolTip) return;
    m_toolTip->SetText(text);
    SetName(text);
}

// The tooltip text names the button for screen readers too.
void CSkinButton::SetName(const std::wstring& name)
{
    if (!m_hWnd || name == GetWindowText()) return;
    SetWindowText(name);
    NotifyAccessibleChange(m_hWnd, EVENT_OBJECT_NAMECHANGE);
}

LONG CSkinButton::AccessibleState() const
{
    return m_checkable && m_check ? STATE_SYSTEM_PRESSED : 0;
}

std::wstring CSkinButton::DefaultActionName() const
{
    return IsWindowEnabled() ? L"Press" : std::wstring();
}

void CSkinButton::DoDefaultAction()
{
    PostClick();
}

void CSkinButton::UpdateToolTip(UINT stringId)
{
    UpdateToolTip(LoadResourceString(stringId));
}

LRESULT CSkinButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PaintDC paint(m_hWnd);
        DrawLook(paint.Get(), m_normal);
        return 0;
    }
    case WM_ERASEBKGND:
        return FALSE;
    case WM_ENABLE:
        // The static control would paint its own face over the skin at once.
        Invalidate(FALSE);
        return 0;
    case WM_SETTEXT: {
        // The text only names the button; the static control would paint it over the skin.
        const LRESULT result = DefWindowProcW(m_hWnd, message, wParam, lParam);
        Invalidate(FALSE);
        return result;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
        Invalidate(FALSE);
        break;
    case WM_GETOBJECT:
        if (const LRESULT object = m_accessible.OnGetObject(m_hWnd, wParam, lParam, *this)) return object;
        break;
    case WM_NCHITTEST:
        // A static control without SS_NOTIFY lets the mouse fall through to its parent.
        return HTCLIENT;
    case WM_MOUSEMOVE: {
        const POINT point = PointFrom(lParam);
        DrawLookNow(!InClient(point) ? m_normal : m_isPressed ? m_pressed : m_hover);
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, m_hWnd, HOVER_DEFAULT};
        TrackMouseEvent(&track);
        break;
    }
    case WM_MOUSELEAVE:
        DrawLookNow(m_normal);
        break;
    case WM_LBUTTONDOWN:
        // Never passed on: the static control would notify its parent of the press itself.
        if (HitTest(PointFrom(lParam))) {
            DrawLookNow(m_pressed);
            SetCapture(m_hWnd);
            m_isPressed = true;
        }
        return 0;
    case WM_LBUTTONDBLCLK:
        // The second press of a double click; its release posts the second click. Not passed
        // on either: the static control would send its own double-click notification, a third
        // WM_COMMAND for the same control.
        if (HitTest(PointFrom(lParam))) {
            DrawLookNow(m_pressed);
            SetCapture(m_hWnd);
            m_doubleClicked = true;
        }
        return 0;
    case WM_LBUTTONUP: {
        const LRESULT result = Default(message, wParam, lParam);
        if (GetCapture() == m_hWnd) ReleaseCapture();
        DrawLookNow(m_normal);
        if (m_isPressed && InClient(PointFrom(lParam))) PostClick();
        m_isPressed = false;
        if (m_doubleClicked) {
            PostClick();
            m_doubleClicked = false;
        }
        return result;
    }
    }
    return CStatic::WindowProc(message, wParam, lParam);
}

// Draws an image unscaled from the top-left corner, clipped to the control; control area
// outside the image is left as it is.
void CSkinButton::DrawLook(HDC target, UINT imageId) const
{
    if (!m_enabledLook) imageId = m_disabled;
    const SkinImage image(target, imageId, SkinScaleOf(m_hWnd));
    if (!image) return;
    const RECT client = GetClientRect();
    BitBlt(target, 0, 0, std::min<int>(image.Width(), client.right), std::min<int>(image.Height(), client.bottom),
           image.Get(), 0, 0, SRCCOPY);
    DrawFocusCue(target, m_hWnd, client);
}

void CSkinButton::DrawLookNow(UINT imageId) const
{
    const WindowDC dc(m_hWnd);
    if (dc.Get()) DrawLook(dc.Get(), imageId);
}

bool CSkinButton::HitTest(POINT point) const
{
    const SkinImage mask(nullptr, m_normalMask, SkinScaleOf(m_hWnd));
    if (!mask || point.x < 0 || point.y < 0 || point.x >= mask.Width() || point.y >= mask.Height()) return false;
    return GetPixel(mask.Get(), point.x, point.y) == RGB(0, 0, 0);
}

bool CSkinButton::InClient(POINT point) const
{
    const RECT client = GetClientRect();
    return PtInRect(&client, point) != FALSE;
}

void CSkinButton::PostClick() const
{
    ::PostMessageW(GetParent(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), BN_CLICKED), reinterpret_cast<LPARAM>(m_hWnd));
}
