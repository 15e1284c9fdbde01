#include "framework/WinApp.h"
#include <shellapi.h>

namespace {
CWinApp* g_app = nullptr;
}

void CCommandLineInfo::ParseParam(const wchar_t* param, BOOL flag, BOOL)
{
    if (!flag) m_strFileName = param;
}

CWinApp::CWinApp()
{
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this) g_app = nullptr;
}

CWinApp* CWinApp::Current()
{
    return g_app;
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info, const wchar_t* commandLine)
{
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(commandLine ? commandLine : GetCommandLineW(), &count);
    if (!args) return;
    for (int i = 1; i < count; ++i) {
        const wchar_t* param = args[i];
        const BOOL flag = param[0] == L'/' || param[0] == L'-';
        info.ParseParam(flag ? param + 1 : param, flag, i == count - 1);
    }
    LocalFree(args);
}

int CWinApp::Run()
{
    InitInstance();
    return ExitInstance();
}

int CWinApp::ShowMessage(const std::wstring& text, UINT type) const
{
    HWND main = m_pMainWnd ? m_pMainWnd->GetSafeHwnd() : nullptr;
    HWND owner = main ? GetLastActivePopup(main) : nullptr;
    return MessageBoxW(owner, text.c_str(), m_appName.c_str(), type);
}

int AppMessageBox(const std::wstring& text, UINT type)
{
    if (CWinApp* app = CWinApp::Current()) return app->ShowMessage(text, type);
    return MessageBoxW(nullptr, text.c_str(), nullptr, type);
}
