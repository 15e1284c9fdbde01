#pragma once
// What every test that drives real windows needs: a message pump, polling for a condition, real
// mouse input through the system's input queue, and the search for a visible popup a window owns.

#include <windows.h>
#include <functional>

// Dispatches every message of this thread for about `milliseconds`, and at least once.
void Pump(int milliseconds = 30);

// Polls `condition` every 50 ms, pumping this thread's messages, until it holds or `milliseconds`
// pass. Returns whether it held.
bool WaitFor(const std::function<bool()>& condition, int milliseconds);

// Real mouse input at a point in the client area of `hwnd` (which may belong to another process).
void MoveMouse(HWND hwnd, POINT client);
void MouseButton(bool down);

// A visible top-level window of the framework's window class owned by `owner`, such as the seek
// bar's preview; null when there is none.
HWND VisiblePopupOwnedBy(HWND owner);
