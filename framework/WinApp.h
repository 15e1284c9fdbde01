#pragma once
// The application object and the command-line parser it feeds. One application object exists
// per process; wWinMain runs it: InitInstance, then (whatever it returned) ExitInstance.

#include "framework/Wnd.h"
#include <string>

class CCommandLineInfo {
public:
    virtual ~CCommandLineInfo() = default;
    // Called once per parameter. A flag ("/x" or "-x") arrives without its leading character.
    virtual void ParseParam(const wchar_t* param, BOOL flag, BOOL last);

    std::wstring m_strFileName;
};

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();

    static CWinApp* Current();

    // Splits the process's command line and hands each parameter after the program name to
    // `info`. `commandLine` replaces the process's own, for tests.
    static void ParseCommandLine(CCommandLineInfo& info, const wchar_t* commandLine = nullptr);

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return m_exitCode; }
    // Runs the application the way the entry point does and returns the exit code.
    int Run();

    // A message box with the application name as caption.
    int ShowMessage(const std::wstring& text, UINT type = MB_OK) const;

    std::wstring m_appName;
    // The window message boxes belong to while it exists.
    CWnd* m_pMainWnd = nullptr;

protected:
    int m_exitCode = 0;
};

// The application object's message box, the one every failure report goes through.
int AppMessageBox(const std::wstring& text, UINT type = MB_OK);
