#include "player/AboutDlg.h"
#include "player/LabelFont.h"
#include "resources/ResourceIds.h"
#include "ui/SkinSupport.h"

CAboutDlg::CAboutDlg(HWND parent) : CDialog(IDD_ABOUTBOX, parent)
{
}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_font = CreateLabelFont(SkinScaleOf(m_hWnd));
    SetFont(m_font.Get());
    for (int id : {IDOK, IDC_ABOUT_COPYRIGHT, IDC_ABOUT_PRODUCT, IDC_ABOUT_KEYS}) {
        if (HWND control = GetDlgItem(m_hWnd, id))
            ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), TRUE);
    }
    return TRUE;
}
