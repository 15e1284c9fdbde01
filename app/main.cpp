#include "framework/Dialog.h"
#include "framework/Resources.h"
#include "framework/WinApp.h"
#include "resources/ResourceIds.h"
#include <commctrl.h>
#include <shlwapi.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    PathRemoveFileSpecW(path);
    PathAppendW(path, L"ZEL.dll");
    HMODULE zel = LoadLibraryW(path);
    if (!zel) {
        MessageBoxW(nullptr, L"ZEL.DLL not found", L"Kavora Player", MB_OK);
        return 1;
    }
    SetResourceModule(zel);
    InitCommonControls();
    CDialog dialog(IDD_PLAYER);
    dialog.DoModal();
    FreeLibrary(zel);
    return 0;
}
