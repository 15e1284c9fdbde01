#pragma once
// Drives the real KavoraPlayer.exe from outside, as a user's tools would: starts the program,
// finds its window by the property it publishes, reads label texts, presses buttons by posting
// their commands, clicks with the real mouse, drops files with OLE drag and drop, and looks at
// the pixels of the picture view.

#include "base/Handles.h"
#include "tests/support/DesktopInput.h"

#include <windows.h>
#include <functional>
#include <string>
#include <vector>

// The folder of this test program, with its trailing backslash (the shipped binaries are here).
std::wstring BinFolder();

class CPlayerProcess {
public:
    CPlayerProcess() = default;
    CPlayerProcess(const CPlayerProcess&) = delete;
    CPlayerProcess& operator=(const CPlayerProcess&) = delete;
    // Ends the process if it still runs.
    ~CPlayerProcess();

    // Starts KavoraPlayer.exe from the bin folder with `arguments` (already quoted as needed),
    // as a new user would: what an earlier player kept for the user (where documents were left,
    // recent documents, settings) is forgotten first, unless `keepUserSettings`.
    bool Start(const std::wstring& arguments, bool keepUserSettings = false);
    // Waits until the process has published its player window; null when it did not in time.
    HWND WaitForWindow(int milliseconds = 15000);
    bool WaitForExit(int milliseconds);
    bool IsRunning() const;
    DWORD Id() const { return m_id; }
    HANDLE Handle() const { return m_process.Get(); }

private:
    UniqueKernelHandle m_process;
    DWORD m_id = 0;
};

// The top-level window marked as the player's, of the given process (any process when 0).
HWND FindPlayerWindow(DWORD processId);
// Any visible top-level window of the process.
HWND FindVisibleWindowOf(DWORD processId);
// A visible dialog box (#32770) of the process other than `except`: a message box or the about box.
HWND FindDialogOf(DWORD processId, HWND except);
// The text of a message box: its static control 0xFFFF.
std::wstring MessageBoxText(HWND box);

std::wstring ControlText(HWND dialog, int id);
// Seconds shown by a time label in the form "HH:MM:SS" (with any prefix such as "To "); -1 if
// the text holds no time.
int SecondsOf(const std::wstring& label);
// A click on a skin button as the button itself reports it: WM_COMMAND with BN_CLICKED.
void PressButton(HWND dialog, int id);
void PostCommand(HWND dialog, int command);

// The colour of the screen at a fraction (0..1) of a window's client width and height.
COLORREF ScreenPixel(HWND hwnd, double fx, double fy);
// Each channel of `a` within `tolerance` of `b`.
bool Near(COLORREF a, COLORREF b, int tolerance);
// The demo document's slides are 4:3 and fade from a colour at their top edge to one dark colour
// at their bottom. SlideSample is the screen colour at their sample point (left of the text,
// below the heading) as a picture view `view` draws a slide: as large as fits, centred.
COLORREF SlideSample(HWND view);
// Whether `view` shows the slide whose top edge has the colour `top`.
bool ShowsSlide(HWND view, COLORREF top);
// Saves the whole screen as a 24-bit bitmap file, for a person to look at.
bool SaveScreen(const std::wstring& path);
// Writes the call stacks of every thread of the Wine session's processes, `processId`'s among
// them, to the text file `path`, with Wine's debugger attached for a moment: what a process that
// stopped answering waits on.
bool SaveThreadStacks(DWORD processId, const std::wstring& path);

// Drags `files` from this process onto a point in `target`'s client area and drops them there,
// with OLE drag and drop and the real mouse. Returns the effect the target granted.
DWORD DragAndDropFiles(HWND target, POINT client, const std::vector<std::wstring>& files);

// A text of the player's string table, read from the shipped ZEL.dll.
std::wstring ResourceString(UINT id);
