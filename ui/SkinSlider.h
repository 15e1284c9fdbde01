#pragma once
// A horizontal slider drawn from a track bitmap and a thumb bitmap. The user drags the thumb
// with the left mouse button; the slider posts the start, every step and the end of a drag to
// its parent with the new value in wParam and its control ID in lParam. Values run from 0 to
// the range; the thumb's left edge moves over the track length, the client width less the
// thumb width.
//
// The owner creates it in code as a child window (CreateEx with WS_CHILD and its control ID).
// Screen readers hear it as a slider with its name and its value in words; it shows a focus
// rectangle while it has the keyboard focus.

#include "framework/ToolTipCtrl.h"
#include "framework/Wnd.h"
#include "ui/ControlAccessible.h"
#include <functional>
#include <memory>
#include <optional>
#include <string>

// Messages the slider posts to its parent.
constexpr UINT WM_SLIDER_PRESSED = WM_USER + 1;
constexpr UINT WM_SLIDER_RELEASED = WM_USER + 2;
constexpr UINT WM_SLIDER_DRAGGED = WM_USER + 3;

class CSkinSlider : public CWnd, private IAccessibleControl {
public:
    // The value in words for a value and the range, as a screen reader reads it.
    using ValueText = std::function<std::wstring(int value, int range)>;

    // Stores the bitmaps (a thumb mask of 0 draws the thumb opaque) and takes the thumb's size
    // from the thumb bitmap. Nothing is repainted and the thumb is not moved.
    void SetBitmaps(UINT thumb, UINT disabledThumb, UINT thumbMask, UINT track);
    // The lower end is always 0. A range of 0 or less makes the slider ignore the mouse.
    void SetRange(int minimum, int maximum);
    void SetPos(int value);
    int GetPos() const { return m_value; }
    void SetToolTip(HWND parent, const std::wstring& text);
    // The name screen readers hear (it is the window text too) and how they hear the value;
    // without a value text the value is read as its number.
    void SetAccessibleName(const std::wstring& name);
    void SetValueText(ValueText valueText) { m_valueText = std::move(valueText); }

    int ValueToPixel(int value) const;
    int PixelToValue(int x) const;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Paints the whole face of the control on `dc`.
    virtual void Paint(HDC dc);

    // Stretches the track bitmap over `width` at `y`, at its own height; returns that height.
    int DrawTrack(HDC dc, int y, int width) const;
    // The thumb at its place, `y` from the top: masked when a mask is set, disabled when the
    // window is.
    void DrawThumb(HDC dc, int y) const;

    // Where a press at `mouseX` puts the thumb and the value it gives.
    struct ThumbStop {
        int x;
        int value;
    };
    ThumbStop StopForMouse(int mouseX) const;
    // A value the thumb snaps to when pressed or dragged at `mouseX`, if there is one there.
    virtual std::optional<int> SnapValue(int mouseX) const { return std::nullopt; }
    int ThumbWidth() const { return m_thumbWidth; }
    int Range() const { return m_range; }
    bool IsDragging() const { return m_dragging; }

private:
    // IAccessibleControl
    std::wstring AccessibleName() const override { return GetWindowText(); }
    std::wstring AccessibleValue() const override;
    LONG AccessibleRole() const override { return ROLE_SYSTEM_SLIDER; }
    LONG AccessibleState() const override { return 0; }
    std::wstring DefaultActionName() const override { return std::wstring(); }
    void DoDefaultAction() override {}

    void MeasureThumb();
    int TrackLength() const;
    int ThumbXForMouse(int mouseX) const;
    void TrackMouse(int mouseX);
    void Notify(UINT message) const;
    void EndDrag();

    int m_value = 0;
    int m_range = 100;
    int m_thumbWidth = 0;
    int m_thumbHeight = 0;
    int m_thumbX = 0;
    bool m_dragging = false;
    UINT m_thumb = 0;
    UINT m_disabledThumb = 0;
    UINT m_thumbMask = 0;
    UINT m_track = 0;
    std::unique_ptr<CToolTipCtrl> m_toolTip;
    ValueText m_valueText;
    CAccessibleHost m_accessible;
};
