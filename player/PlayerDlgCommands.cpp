// Commands that act on the window itself: always on top, strip view, maximise / restore, the
// context menu, the system menu's about item, and the keys that would otherwise close a dialog.
#include "base/Handles.h"
#include "framework/Resources.h"
#include "base/Result.h"
#include "player/AboutDlg.h"
#include "player/PlayerDlg.h"
#include "resources/ResourceIds.h"
#include "ui/MainWindowSkin.h"
#include "player/TimeDisplay.h"
#include "ui/SkinSupport.h"
#include "voice/TimeStretch.h"
#include <iterator>

namespace {
// Height of the strip that stays visible in strip view: the skin header and half a frame.
int StripHeight(int scale)
{
    return GetSystemMetrics(SM_CYFRAME) / 2 + SkinScaled(kHeaderHeight, scale);
}

void AppendString(HMENU menu, UINT flags, UINT_PTR command, UINT stringId)
{
    const std::wstring text = LoadResourceString(stringId);
    AppendMenuW(menu, MF_STRING | flags, command, text.c_str());
}

// The look of a window-command button: one image and its mask in all five states.
void SetToggleBitmaps(CSkinButton& button, UINT image, UINT mask)
{
    button.SetBitmaps(image, mask, image, mask, image, mask, image, mask, image, mask);
}
}

void CPlayerDlg::OnTopMost()
{
    m_topMost = !m_topMost;
    ::SetWindowPos(m_hWnd, m_topMost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ShowTopMostLook();
}

void CPlayerDlg::ShowTopMostLook()
{
    const UINT normal = m_topMost ? IDB_TOPMOST_ON : IDB_TOPMOST_OFF;
    m_topMostButton.SetBitmaps(normal, IDB_TOPMOST_MASK, IDB_TOPMOST_PRESSED, IDB_TOPMOST_MASK, normal,
                               IDB_TOPMOST_MASK, IDB_TOPMOST_PRESSED, IDB_TOPMOST_MASK, normal, IDB_TOPMOST_MASK);
    m_topMostButton.SetEnabledLook(true);
    m_topMostButton.SetCheck(m_topMost);
}

// Strip view can be entered only while the window is not maximised.
void CPlayerDlg::OnStripView()
{
    if (m_maximised) return;
    m_stripView = !m_stripView;
    if (m_stripView)
        ApplyStripRegion();
    else
        SetWindowRgn(m_hWnd, nullptr, TRUE);
    ShowStripViewLook();
}

void CPlayerDlg::ShowStripViewLook()
{
    SetToggleBitmaps(m_compact, m_stripView ? IDB_COMPACT_STRIP : IDB_COMPACT_FULL, IDB_COMPACT_MASK);
    m_compact.SetCheck(!m_stripView);
}

void CPlayerDlg::ApplyStripRegion()
{
    HRGN strip = CreateRectRgn(0, 0, GetSystemMetrics(SM_CXSCREEN), StripHeight(SkinScaleOf(m_hWnd)));
    SetWindowRgn(m_hWnd, strip, TRUE); // the window owns the region from here on
}

// Maximising from strip view first returns to the full window.
void CPlayerDlg::OnMaximizeRestore()
{
    if (!m_maximised) {
        ShowWindow(SW_MAXIMIZE);
        if (m_stripView) OnStripView();
        m_maximised = true;
    } else {
        m_maximised = false;
        ShowWindow(SW_RESTORE);
    }
    ShowMaximizeLook(false);
}

// After the system's own restore command the button keeps the restore image on its pressed
// mask until it is used again.
void CPlayerDlg::ShowMaximizeLook(bool afterSystemRestore)
{
    if (afterSystemRestore)
        SetToggleBitmaps(m_maximize, m_maximised ? IDB_RESTORE : IDB_MAXIMIZE, IDB_MAXIMIZE_MASK);
    else if (m_maximised)
        SetToggleBitmaps(m_maximize, IDB_RESTORE, IDB_RESTORE_MASK);
    else
        SetToggleBitmaps(m_maximize, IDB_MAXIMIZE, IDB_MAXIMIZE_MASK);
    m_maximize.SetCheck(!m_maximised);
}

void CPlayerDlg::OnContextMenu(POINT clientPoint)
{
    UniqueMenu menu(CreatePopupMenu());
    UniqueMenu file(CreatePopupMenu());
    UniqueMenu playback(CreatePopupMenu());
    UniqueMenu volume(CreatePopupMenu());
    UniqueMenu speed(CreatePopupMenu());
    if (!menu || !file || !playback || !volume || !speed) return;

    AppendString(file.Get(), 0, ID_MENU_OPEN, IDS_MENU_OPEN);
    AppendMenuW(file.Get(), MF_SEPARATOR, 0, nullptr);
    AppendRecentDocumentItems(file.Get(), m_session.RecentDocuments());

    AppendString(volume.Get(), 0, ID_MENU_VOLUME_UP, IDS_MENU_VOLUME_UP);
    AppendString(volume.Get(), 0, ID_MENU_VOLUME_DOWN, IDS_MENU_VOLUME_DOWN);
    AppendString(volume.Get(), m_session.IsMuted() ? MF_CHECKED : 0, ID_MENU_MUTE, IDS_MENU_MUTE);

    AppendString(playback.Get(), 0, ID_MENU_PLAY, IDS_MENU_PLAY);
    AppendString(playback.Get(), 0, ID_MENU_PAUSE, IDS_MENU_PAUSE);
    AppendMenuW(playback.Get(), MF_SEPARATOR, 0, nullptr);
    AppendString(playback.Get(), 0, ID_MENU_NEXT_PICTURE, IDS_MENU_NEXT_PICTURE);
    AppendString(playback.Get(), 0, ID_MENU_PREV_PICTURE, IDS_MENU_PREV_PICTURE);
    AppendString(playback.Get(), 0, ID_MENU_PICTURE_LIST, IDS_MENU_PICTURE_LIST);
    AppendString(playback.Get(), m_session.PausesAtPictures() ? MF_CHECKED : 0, ID_MENU_PAUSE_AT_PICTURES,
                 IDS_MENU_PAUSE_AT_PICTURES);
    AppendMenuW(playback.Get(), MF_SEPARATOR, 0, nullptr);
    for (size_t i = 0; i < std::size(kListeningSpeeds); ++i) {
        const UINT checked = kListeningSpeeds[i] == m_session.Speed() ? MF_CHECKED : 0;
        AppendMenuW(speed.Get(), MF_STRING | checked, ID_MENU_SPEED_FIRST + i, FormatSpeed(kListeningSpeeds[i]).c_str());
    }
    AppendString(playback.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(speed.Release()), IDS_MENU_SPEED);
    AppendMenuW(playback.Get(), MF_SEPARATOR, 0, nullptr);
    AppendString(playback.Get(), 0, ID_MENU_SKIP_FORWARD, IDS_MENU_SKIP_FORWARD);
    AppendString(playback.Get(), 0, ID_MENU_SKIP_BACK, IDS_MENU_SKIP_BACK);
    AppendMenuW(playback.Get(), MF_SEPARATOR, 0, nullptr);
    // A submenu handed to its parent menu belongs to it from then on.
    AppendString(playback.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(volume.Release()), IDS_MENU_VOLUME);

    AppendString(menu.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(file.Release()), IDS_MENU_FILE);
    AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
    // The item reads "Full window": checked while the whole window shows, and greyed while
    // maximised, when strip view cannot be had.
    const UINT compactFlags = m_maximised ? (MF_GRAYED | MF_CHECKED) : (m_stripView ? 0 : MF_CHECKED);
    AppendString(menu.Get(), compactFlags, ID_MENU_COMPACT, IDS_MENU_COMPACT);
    AppendString(menu.Get(), m_topMost ? MF_CHECKED : 0, ID_MENU_TOPMOST, IDS_MENU_TOPMOST);
    AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
    AppendString(menu.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(playback.Release()), IDS_MENU_PLAYBACK);
    AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
    AppendString(menu.Get(), 0, ID_MENU_ABOUT, IDS_ABOUTBOX);

    POINT screen = clientPoint;
    ClientToScreen(m_hWnd, &screen);
    TrackPopupMenu(menu.Get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, m_hWnd, nullptr);
}

// A menu item runs its command; nothing else on the menu reaches here.
void CPlayerDlg::OnMenuCommand(WPARAM command)
{
    const PlayerCommand player = CommandForMenuItem(static_cast<UINT>(command));
    if (player != PlayerCommand::None) RunCommand(player);
}

void CPlayerDlg::OnSysCommand(WPARAM command, LPARAM lParam)
{
    if ((command & 0xFFF0) == IDM_ABOUTBOX)
        ShowAboutBox();
    else
        Default(WM_SYSCOMMAND, command, lParam);
    if (command == SC_MAXIMIZE && !m_maximised) OnMaximizeRestore();
    if (command == SC_RESTORE) ShowMaximizeLook(true);
}

void CPlayerDlg::ShowAboutBox()
{
    CAboutDlg about(m_hWnd);
    about.DoModal();
}

void CPlayerDlg::ShowPictureList()
{
    if (m_session.IsDocumentLoaded()) m_pictureList.Show(m_hWnd, m_session.Pictures(), m_session.CurrentPeriod());
}

namespace {
bool IsKeyHeld(int virtualKey)
{
    return GetKeyState(virtualKey) < 0;
}
}

// Enter, Escape and Ctrl+Break skip the dialog's keyboard handling, so they never close the
// player. The player's own keys run their commands whichever control has the focus, before the
// dialog could take arrows or Space for itself; every other message gets the dialog's handling,
// which moves the focus with Tab.
bool CPlayerDlg::PreTranslateMessage(MSG& message)
{
    if (message.message != WM_KEYDOWN) return false;
    if (message.wParam == VK_CANCEL || message.wParam == VK_RETURN || message.wParam == VK_ESCAPE) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
        return true;
    }
    if (message.wParam == VK_TAB && !m_focusCuesShown) {
        m_focusCuesShown = true;
        RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
    const KeyModifiers modifiers{IsKeyHeld(VK_CONTROL), IsKeyHeld(VK_SHIFT), IsKeyHeld(VK_MENU)};
    const PlayerCommand command = CommandForKey(static_cast<UINT>(message.wParam), modifiers);
    if (command == PlayerCommand::None) return false;
    // Bit 30 of a key message is set when the key was already down: an auto-repeat.
    const bool repeat = (message.lParam & (1 << 30)) != 0;
    if (!repeat || RepeatsWhileHeld(command)) RunCommand(command);
    return true;
}
