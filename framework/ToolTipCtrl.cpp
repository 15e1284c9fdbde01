#include "framework/ToolTipCtrl.h"
#include <commctrl.h>

CToolTipCtrl::~CToolTipCtrl()
{
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

bool CToolTipCtrl::Create(HWND tool, const std::wstring& text)
{
    if (m_hWnd || !tool) return false;
    m_hWnd = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, tool, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    if (!m_hWnd) return false;
    m_tool = tool;
    m_text = text;
    TTTOOLINFOW info = ToolInfo();
    return ::SendMessageW(m_hWnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) != FALSE;
}

void CToolTipCtrl::SetText(const std::wstring& text)
{
    m_text = text;
    if (!m_hWnd) return;
    TTTOOLINFOW info = ToolInfo();
    ::SendMessageW(m_hWnd, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

TTTOOLINFOW CToolTipCtrl::ToolInfo()
{
    TTTOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = m_tool;
    info.uId = reinterpret_cast<UINT_PTR>(m_tool);
    info.lpszText = const_cast<wchar_t*>(m_text.c_str());
    return info;
}
