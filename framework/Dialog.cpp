#include "framework/Dialog.h"
#include "framework/Resources.h"

namespace {
// The dialog being created on this thread and the hook that waits for its window.
thread_local CDialog* t_pendingDialog = nullptr;
thread_local HHOOK t_creationHook = nullptr;

// Offers the message to the bound objects from its target window up to the dialog.
bool PreTranslateThroughParents(MSG& message, HWND dialog)
{
    for (HWND hwnd = message.hwnd; hwnd; hwnd = GetParent(hwnd)) {
        if (CWnd* window = CWnd::FromHandle(hwnd); window && window->PreTranslateMessage(message)) return true;
        if (hwnd == dialog) break;
    }
    return false;
}

void RemoveCreationHook()
{
    if (t_creationHook) UnhookWindowsHookEx(t_creationHook);
    t_creationHook = nullptr;
    t_pendingDialog = nullptr;
}
}

INT_PTR CDialog::DoModal()
{
    t_pendingDialog = this;
    t_creationHook = SetWindowsHookExW(WH_CBT, &CDialog::CreationHook, nullptr, GetCurrentThreadId());
    HWND hwnd = CreateDialogParamW(ResourceModule(), MAKEINTRESOURCEW(m_templateId), m_parent,
                                   &CDialog::DialogProc, 0);
    RemoveCreationHook();
    if (!hwnd) return -1;

    const bool parentWasEnabled = m_parent && ::IsWindowEnabled(m_parent);
    if (parentWasEnabled) ::EnableWindow(m_parent, FALSE);
    m_result = IDCANCEL;
    m_running = IsWindow(hwnd) != FALSE;
    if (m_running) ::ShowWindow(hwnd, SW_SHOW);

    MSG message{};
    while (m_running && IsWindow(hwnd)) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got == -1) break;
        if (PreTranslateThroughParents(message, hwnd) || IsDialogMessageW(hwnd, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    m_running = false;

    if (parentWasEnabled) {
        ::EnableWindow(m_parent, TRUE);
        SetActiveWindow(m_parent);
    }
    if (IsWindow(hwnd)) ::DestroyWindow(hwnd);
    return m_result;
}

void CDialog::EndDialog(INT_PTR result)
{
    m_result = result;
    m_running = false;
    if (m_hWnd) ::PostMessageW(m_hWnd, WM_NULL, 0, 0); // wakes the loop
}

// The first window created after DoModal starts is the dialog itself: bind it there, so that
// WM_CREATE already reaches the object. The dialog class's procedure stays underneath.
LRESULT CALLBACK CDialog::CreationHook(int code, WPARAM wParam, LPARAM lParam)
{
    HHOOK hook = t_creationHook;
    if (code == HCBT_CREATEWND && t_pendingDialog) {
        CDialog* dialog = t_pendingDialog;
        t_pendingDialog = nullptr;
        dialog->SubclassWindow(reinterpret_cast<HWND>(wParam));
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        DoDataExchange();
        return OnInitDialog();
    case WM_COMMAND:
        if (lParam == 0 || HIWORD(wParam) == BN_CLICKED) {
            if (LOWORD(wParam) == IDOK) { OnOK(); return 0; }
            if (LOWORD(wParam) == IDCANCEL) { OnCancel(); return 0; }
        }
        break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}
