// The player window's skin handlers: header painting, layout of the controls at every size,
// size limits, and the label colours.
#include "framework/Dpi.h"
#include "framework/Gdi.h"
#include "player/LabelFont.h"
#include "player/PlayerDlg.h"
#include "resources/ResourceIds.h"
#include "ui/MainWindowSkin.h"
#include "ui/SkinSupport.h"

void CPlayerDlg::OnPaint()
{
    PaintDC paint(m_hWnd);
    const RECT client = GetClientRect();
    if (IsIconic(m_hWnd)) {
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.Get()), 0);
        const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
        DrawIcon(paint.Get(), x, y, m_icon);
        return;
    }
    PaintHeader(paint.Get(), client, SkinScaleOf(m_hWnd));
}

void CPlayerDlg::OnSize()
{
    const RECT client = GetClientRect();
    for (const ControlPlacement& placement : LayoutControls(client, SkinScaleOf(m_hWnd))) {
        HWND control = GetDlgItem(m_hWnd, static_cast<int>(placement.id));
        if (!control) continue;
        const RECT& r = placement.rect;
        ::MoveWindow(control, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
        if (placement.invalidate) InvalidateRect(control, nullptr, FALSE);
    }
}

void CPlayerDlg::OnSizing(UINT edge, RECT* rect)
{
    if (!rect) return;
    ApplySizeLimits(edge, *rect, GetWindowRect(), m_stripView, GetSystemMetrics(SM_CXSCREEN),
                    SkinScaleOf(m_hWnd));
}

// Moved to a monitor of another scale: the labels' font and the layout follow, and the window
// takes the size the system suggests. The controls load their artwork for the new scale as they
// paint.
void CPlayerDlg::OnDpiChanged(const RECT& suggested)
{
    UniqueFont font = CreateLabelFont(SkinScaleOf(m_hWnd));
    SetFont(font.Get());
    for (CStatic* label : {&m_title, &m_time, &m_targetTime}) label->SetFont(font.Get());
    m_font = std::move(font); // the old font goes once nothing uses it
    // Children hear of the change by themselves only where the system has the second kind of
    // per-monitor awareness; measuring the thumbs again is harmless where they did.
    for (CSkinSlider* slider : {static_cast<CSkinSlider*>(&m_volume), static_cast<CSkinSlider*>(&m_seekBar)})
        slider->SendMessage(kDpiChangedAfterParentMessage);
    ::SetWindowPos(m_hWnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    OnSize();
    if (m_stripView) ApplyStripRegion();
    Invalidate(FALSE);
}

LRESULT CPlayerDlg::OnCtlColor(HDC dc, HWND control)
{
    const LRESULT standard = Default(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
    const int id = ::GetDlgCtrlID(control);
    if (id != IDC_TITLE && id != IDC_TIME && id != IDC_TARGET_TIME) return standard;
    SetBkColor(dc, RGB(200, 199, 199));
    if (id == IDC_TARGET_TIME) SetTextColor(dc, RGB(50, 100, 0));
    return reinterpret_cast<LRESULT>(m_backgroundBrush.Get());
}
