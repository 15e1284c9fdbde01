#pragma once
// The about box: dialog 100 of the resource module, in the player window's label font.

#include "base/Handles.h"
#include "framework/Dialog.h"

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(HWND parent);

protected:
    BOOL OnInitDialog() override;

private:
    UniqueFont m_font;
};
