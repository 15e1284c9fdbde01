#include "app/PlayerApp.h"
#include "base/ExternalNames.h"
#include "framework/Resources.h"
#include "player/DocumentPath.h"
#include "player/PlayerDlg.h"
#include <commctrl.h>
#include <shlwapi.h>

namespace {
const wchar_t kAppName[] = L"Kavora Player";
const wchar_t kResourceModuleMissing[] = L"ZEL.DLL not found";
}

void CPlayerCommandLineInfo::ParseParam(const wchar_t* param, BOOL, BOOL last)
{
    // A flag counts as a file name too: "/p" arrives as "p" and later fails the existence test.
    CCommandLineInfo::ParseParam(param, FALSE, last);
    ++m_nParamCount;
}

std::wstring ResourceModulePathBeside(const std::wstring& exePath)
{
    const size_t slash = exePath.find_last_of(L"\\/");
    std::wstring folder = slash == std::wstring::npos ? std::wstring() : exePath.substr(0, slash + 1);
    if (!folder.empty() && folder.back() != L'\\') folder.back() = L'\\';
    return folder + L"ZEL.dll";
}

void CPlayerApp::ParseCommandLineText(const wchar_t* commandLine)
{
    CPlayerCommandLineInfo info;
    ParseCommandLine(info, commandLine);
    m_commandLinePath = info.m_strFileName;
    m_paramCount = info.m_nParamCount;
}

bool CPlayerApp::CommandLineDocumentIsAcceptable() const
{
    if (m_paramCount == 0) return true;
    return m_paramCount == 1 && PathFileExistsW(m_commandLinePath.c_str()) && HasDocumentExtension(m_commandLinePath);
}

BOOL CPlayerApp::InitInstance()
{
    ParseCommandLineText();
    m_appName = kAppName;

    // The instance mutex is never closed: the system releases it with the process, so it marks
    // exactly the lifetime of the one player.
    HANDLE instance = CreateMutexW(nullptr, TRUE, kPlayerInstanceMutex);
    if (!instance) return FALSE;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        EnumWindows(&CPlayerApp::FindPreviousInstance, reinterpret_cast<LPARAM>(this));
        return FALSE;
    }

    m_presenceMutex.Reset(CreateMutexW(nullptr, TRUE, kPlayerPresenceMutex));
    if (!m_presenceMutex) return FALSE;
    if (!CreateSiblingMutexIfInstalled()) return FALSE;

    if (!LoadResourceModule()) {
        ShowMessage(kResourceModuleMissing, MB_OK);
        return FALSE;
    }

    InitCommonControls();
    m_ole.emplace();

    if (!CommandLineDocumentIsAcceptable()) return FALSE;

    {
        CPlayerDlg dialog;
        dialog.SetPendingPath(m_paramCount > 0 ? m_commandLinePath : std::wstring());
        m_pMainWnd = &dialog;
        dialog.DoModal();
        m_pMainWnd = nullptr;
    } // the dialog's members go with it: the document removes its work folder here
    return FALSE;
}

int CPlayerApp::ExitInstance()
{
    m_siblingMutex.Reset();
    m_presenceMutex.Reset();
    if (m_resourceModule) {
        SetResourceModule(nullptr);
        m_resourceModule.Reset();
    }
    m_ole.reset();
    return CWinApp::ExitInstance();
}

// The sibling editor's speech component announces itself by an existing program path in the
// registry. The key is only read, so a user without write access to it is treated alike.
bool CPlayerApp::CreateSiblingMutexIfInstalled()
{
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSiblingKey, 0, KEY_READ, &raw) != ERROR_SUCCESS) return true;
    UniqueRegKey key(raw);

    wchar_t appPath[261] = {}; // one unit more than the 520 bytes read, so the text always ends
    DWORD type = REG_SZ;
    DWORD size = 520;
    if (RegQueryValueExW(key.Get(), kSiblingValue, nullptr, &type, reinterpret_cast<BYTE*>(appPath), &size) != ERROR_SUCCESS)
        return true;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return true;
    if (!PathFileExistsW(appPath)) return true;

    m_siblingMutex.Reset(CreateMutexW(nullptr, TRUE, kSiblingMutex));
    return m_siblingMutex.IsValid();
}

bool CPlayerApp::LoadResourceModule()
{
    std::wstring exePath(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, exePath.data(), static_cast<DWORD>(exePath.size()));
    if (length == 0 || length >= exePath.size()) return false;
    exePath.resize(length);
    m_resourceModule.Reset(LoadLibraryW(ResourceModulePathBeside(exePath).c_str()));
    if (!m_resourceModule) return false;
    SetResourceModule(m_resourceModule.Get());
    return true;
}

BOOL CALLBACK CPlayerApp::FindPreviousInstance(HWND hwnd, LPARAM param)
{
    if (reinterpret_cast<INT_PTR>(GetPropW(hwnd, kPlayerWindowProperty)) != 1) return TRUE;
    reinterpret_cast<const CPlayerApp*>(param)->ActivatePreviousInstance(hwnd);
    return FALSE;
}

void CPlayerApp::ActivatePreviousInstance(HWND hwnd) const
{
    if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
    SetForegroundWindow(GetLastActivePopup(hwnd));
    if (m_commandLinePath.empty()) return;

    // The running player has a current folder of its own: a relative path is made whole here,
    // where it was typed.
    const std::wstring path = FullPathOf(m_commandLinePath);
    COPYDATASTRUCT data{};
    data.dwData = 0;
    data.cbData = static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t));
    data.lpData = const_cast<wchar_t*>(path.c_str());
    SendMessageW(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}
