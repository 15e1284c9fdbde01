#pragma once
// A tooltip control with one tool: the whole client area of the window it is created for.
// The tool subclasses that window itself (TTF_SUBCLASS), so no mouse relaying is needed.

#include "framework/Wnd.h"
#include <commctrl.h>
#include <string>

class CToolTipCtrl {
public:
    CToolTipCtrl() = default;
    CToolTipCtrl(const CToolTipCtrl&) = delete;
    CToolTipCtrl& operator=(const CToolTipCtrl&) = delete;
    ~CToolTipCtrl();

    bool Create(HWND tool, const std::wstring& text);
    void SetText(const std::wstring& text);
    HWND GetSafeHwnd() const { return m_hWnd; }

private:
    TTTOOLINFOW ToolInfo();

    HWND m_hWnd = nullptr;
    HWND m_tool = nullptr;
    std::wstring m_text;
};
