#pragma once
// A dialog from a template of the resource module, run modally in a message loop of its own.
// The dialog window is bound to the object as it is created (before WM_CREATE), so the object
// sees every message of it; PreTranslateMessage sees every queued message before the dialog's
// own keyboard handling does, after the objects of the message's target window and its
// parents below the dialog.

#include "framework/Wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, HWND parent = nullptr) : m_templateId(templateId), m_parent(parent) {}

    // Runs the dialog until EndDialog, the window's destruction or a quit message (which is
    // posted again for the caller's loop). Returns the EndDialog result, IDCANCEL after a quit
    // or destruction, or -1 when the template could not be loaded.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);

protected:
    // Binds the template's controls to their objects; runs before OnInitDialog.
    virtual void DoDataExchange() {}
    // Return TRUE to let the system set the focus.
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
    static LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam);

    UINT m_templateId;
    HWND m_parent;
    bool m_running = false;
    INT_PTR m_result = IDCANCEL;
};
