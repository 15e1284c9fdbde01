#pragma once
// A push button drawn entirely from skin bitmaps: a normal, pressed, hover and disabled look,
// a hit-test mask that is black where the button is clickable (so round or irregular buttons
// react only where they are drawn), a tooltip, and a check flag its owner keeps toggle states
// in. A click reaches the parent as a posted WM_COMMAND, the same as a standard button click.
//
// The button is a static control of the dialog template, bound by its control ID. Screen
// readers hear it as a push button named by its tooltip text (which is also its window text),
// and it shows a focus rectangle while it has the keyboard focus.

#include "framework/ToolTipCtrl.h"
#include "ui/ControlAccessible.h"
#include "framework/Wnd.h"
#include <memory>
#include <string>

class CSkinButton : public CStatic, private IAccessibleControl {
public:
    // The ten skin bitmaps. An image ID of 0 takes the normal image, a mask ID of 0 the normal
    // mask. The first normal image given sizes the control to itself. Only the normal mask is
    // consulted (for hit testing); the other looks' masks and the spare pair come with the skin's
    // table and are not kept.
    void SetBitmaps(UINT normal, UINT normalMask, UINT pressed, UINT pressedMask, UINT hover, UINT hoverMask,
                    UINT spare, UINT spareMask, UINT disabled, UINT disabledMask);
    // With the enabled look off every look is drawn with the disabled image; the window itself
    // stays enabled.
    void SetEnabledLook(bool enabled);
    // Sets the look and enables or disables the window with it.
    void EnableButton(bool enable);
    void SetCheck(bool check);
    bool GetCheck() const { return m_check; }
    // Marks the check flag as an on / off state of the button, which screen readers then hear
    // as pressed or not. Buttons whose flag only remembers a look leave it off.
    void SetCheckable(bool checkable) { m_checkable = checkable; }

    virtual void SetToolTip(HWND parent, const std::wstring& text);
    virtual void SetToolTip(HWND parent, UINT stringId);
    virtual void UpdateToolTip(const std::wstring& text);
    virtual void UpdateToolTip(UINT stringId);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // IAccessibleControl
    std::wstring AccessibleName() const override { return GetWindowText(); }
    std::wstring AccessibleValue() const override { return std::wstring(); }
    LONG AccessibleRole() const override { return ROLE_SYSTEM_PUSHBUTTON; }
    LONG AccessibleState() const override;
    std::wstring DefaultActionName() const override;
    void DoDefaultAction() override;

    void SetName(const std::wstring& name);
    void DrawLook(HDC target, UINT imageId) const;
    void DrawLookNow(UINT imageId) const;
    bool HitTest(POINT point) const;
    bool InClient(POINT point) const;
    void PostClick() const;

    UINT m_normal = 0;
    UINT m_normalMask = 0;
    UINT m_pressed = 0;
    UINT m_hover = 0;
    UINT m_disabled = 0;

    bool m_isPressed = false;
    bool m_doubleClicked = false;
    bool m_enabledLook = true;
    bool m_check = false;
    bool m_checkable = false;
    std::unique_ptr<CToolTipCtrl> m_toolTip;
    CAccessibleHost m_accessible;
};
