#pragma once
// The application object: decides whether this process becomes the player, keeps one player per
// user, hands a second start's document to the running player, loads the resource module and
// runs the player window modally.

#include "base/ComScope.h"
#include "base/Handles.h"
#include "framework/WinApp.h"
#include <optional>
#include <string>

// Takes every parameter, flag or not, as a document name; the last one wins.
class CPlayerCommandLineInfo : public CCommandLineInfo {
public:
    void ParseParam(const wchar_t* param, BOOL flag, BOOL last) override;

    int m_nParamCount = 0;
};

class CPlayerApp : public CWinApp {
public:
    BOOL InitInstance() override;
    int ExitInstance() override;

    // Parses `commandLine` (the process's own when null) into the command-line path and count.
    void ParseCommandLineText(const wchar_t* commandLine = nullptr);
    // True when the command line names exactly one existing ".kav" file, or nothing at all.
    bool CommandLineDocumentIsAcceptable() const;

private:
    static BOOL CALLBACK FindPreviousInstance(HWND hwnd, LPARAM param);
    void ActivatePreviousInstance(HWND hwnd) const;
    bool CreateSiblingMutexIfInstalled();
    bool LoadResourceModule();

    std::wstring m_commandLinePath;
    int m_paramCount = 0;
    UniqueKernelHandle m_presenceMutex;
    UniqueKernelHandle m_siblingMutex;
    UniqueModule m_resourceModule;
    std::optional<COleScope> m_ole;
};

// The path of ZEL.dll beside the executable at `exePath`.
std::wstring ResourceModulePathBeside(const std::wstring& exePath);
