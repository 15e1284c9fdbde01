#include "tests/support/DesktopInput.h"

#include <string>

void Pump(int milliseconds)
{
    const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (static_cast<LONG>(end - GetTickCount()) <= 0) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (true);
}

bool WaitFor(const std::function<bool()>& condition, int milliseconds)
{
    const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    while (!condition()) {
        if (static_cast<LONG>(end - GetTickCount()) <= 0) return false;
        Pump(50);
    }
    return true;
}

void MoveMouse(HWND hwnd, POINT client)
{
    ClientToScreen(hwnd, &client);
    SetCursorPos(client.x, client.y);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_MOVE; // a move of 0 delivers WM_MOUSEMOVE where the cursor is
    SendInput(1, &input, sizeof(input));
    Pump(50);
}

void MouseButton(bool down)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &input, sizeof(input));
    Pump(50);
}

HWND VisiblePopupOwnedBy(HWND owner)
{
    struct Search {
        HWND owner;
        HWND found;
    } search{owner, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            wchar_t name[64] = {};
            GetClassNameW(hwnd, name, 64);
            if (GetWindow(hwnd, GW_OWNER) != s->owner || !IsWindowVisible(hwnd) ||
                std::wstring(name) != L"KavoraFrameworkWindow")
                return TRUE;
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}
