// Commands that act on the window itself: always on top, strip view, maximise / restore, the
// context menu, the system menu's about item, and the keys that would otherwise close a dialog.
#include "base/Handles.h"
#include "framework/Resources.h"
#include "base/Result.h"
#include "player/AboutDlg.h"
#include "player/PlayerDlg.h"
#include "resources/ResourceIds.h"
#include "ui/MainWindowSkin.h"
#include "ui/SkinSupport.h"

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
}

void CPlayerDlg::SetToggleBitmaps(CSkinButton& button, UINT image, UINT mask)
{
    button.SetBitmaps(image, mask, image, mask, image, mask, image, mask, image, mask);
}

void CPlayerDlg::OnTopMost()
{
    const bool topMost = m_topMost.GetCheck();
    const UINT normal = topMost ? IDB_TOPMOST_OFF : IDB_TOPMOST_ON;
    m_topMost.SetBitmaps(normal, IDB_TOPMOST_MASK, IDB_TOPMOST_PRESSED, IDB_TOPMOST_MASK, normal, IDB_TOPMOST_MASK,
                         IDB_TOPMOST_PRESSED, IDB_TOPMOST_MASK, normal, IDB_TOPMOST_MASK);
    m_topMost.SetEnabledLook(true);
    ::SetWindowPos(m_hWnd, topMost ? HWND_NOTOPMOST : HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    m_topMost.SetCheck(!topMost);
}

void CPlayerDlg::OnCompactView()
{
    if (!m_maximize.GetCheck()) return; // maximised: the whole window stays
    if (m_compact.GetCheck()) {
        ApplyStripRegion();
        SetToggleBitmaps(m_compact, IDB_COMPACT_STRIP, IDB_COMPACT_MASK);
        m_compact.SetCheck(false);
    } else {
        SetWindowRgn(m_hWnd, nullptr, TRUE);
        SetToggleBitmaps(m_compact, IDB_COMPACT_FULL, IDB_COMPACT_MASK);
        m_compact.SetCheck(true);
    }
}

void CPlayerDlg::ApplyStripRegion()
{
    HRGN strip = CreateRectRgn(0, 0, GetSystemMetrics(SM_CXSCREEN), StripHeight(SkinScaleOf(m_hWnd)));
    SetWindowRgn(m_hWnd, strip, TRUE); // the window owns the region from here on
}

void CPlayerDlg::OnMaximizeRestore()
{
    if (m_maximize.GetCheck()) {
        SetToggleBitmaps(m_maximize, IDB_RESTORE, IDB_RESTORE_MASK);
        ShowWindow(SW_MAXIMIZE);
        if (!m_compact.GetCheck()) OnCompactView();
        m_maximize.SetCheck(false);
    } else {
        SetToggleBitmaps(m_maximize, IDB_MAXIMIZE, IDB_MAXIMIZE_MASK);
        m_maximize.SetCheck(true);
        ShowWindow(SW_RESTORE);
    }
}

void CPlayerDlg::OnContextMenu(POINT clientPoint)
{
    UniqueMenu menu(CreatePopupMenu());
    UniqueMenu file(CreatePopupMenu());
    UniqueMenu playback(CreatePopupMenu());
    UniqueMenu volume(CreatePopupMenu());
    if (!menu || !file || !playback || !volume) return;

    AppendString(file.Get(), 0, ID_MENU_OPEN, IDS_MENU_OPEN);

    AppendString(volume.Get(), 0, ID_MENU_VOLUME_UP, IDS_MENU_VOLUME_UP);
    AppendString(volume.Get(), 0, ID_MENU_VOLUME_DOWN, IDS_MENU_VOLUME_DOWN);
    AppendString(volume.Get(), m_mute.GetCheck() ? MF_CHECKED : 0, ID_MENU_MUTE, IDS_MENU_MUTE);

    AppendString(playback.Get(), 0, ID_MENU_PLAY, IDS_MENU_PLAY);
    AppendString(playback.Get(), 0, ID_MENU_PAUSE, IDS_MENU_PAUSE);
    AppendMenuW(playback.Get(), MF_SEPARATOR, 0, nullptr);
    AppendString(playback.Get(), 0, ID_MENU_NEXT_PICTURE, IDS_MENU_NEXT_PICTURE);
    AppendString(playback.Get(), 0, ID_MENU_PREV_PICTURE, IDS_MENU_PREV_PICTURE);
    AppendMenuW(playback.Get(), MF_SEPARATOR, 0, nullptr);
    AppendString(playback.Get(), 0, ID_MENU_SKIP_FORWARD, IDS_MENU_SKIP_FORWARD);
    AppendString(playback.Get(), 0, ID_MENU_SKIP_BACK, IDS_MENU_SKIP_BACK);
    AppendMenuW(playback.Get(), MF_SEPARATOR, 0, nullptr);
    // A submenu handed to its parent menu belongs to it from then on.
    AppendString(playback.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(volume.Release()), IDS_MENU_VOLUME);

    AppendString(menu.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(file.Release()), IDS_MENU_FILE);
    AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
    const bool maximised = !m_maximize.GetCheck();
    const UINT compactFlags = maximised ? (MF_GRAYED | MF_CHECKED) : (m_compact.GetCheck() ? MF_CHECKED : 0);
    AppendString(menu.Get(), compactFlags, ID_MENU_COMPACT, IDS_MENU_COMPACT);
    AppendString(menu.Get(), m_topMost.GetCheck() ? MF_CHECKED : 0, ID_MENU_TOPMOST, IDS_MENU_TOPMOST);
    AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
    AppendString(menu.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(playback.Release()), IDS_MENU_PLAYBACK);
    AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
    AppendString(menu.Get(), 0, ID_MENU_ABOUT, IDS_ABOUTBOX);

    POINT screen = clientPoint;
    ClientToScreen(m_hWnd, &screen);
    TrackPopupMenu(menu.Get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, m_hWnd, nullptr);
}

// Every failure inside a menu command is caught here; the transport handlers report their own.
void CPlayerDlg::OnMenuCommand(WPARAM command)
{
    RunOperation([&] {
        switch (command) {
        case ID_MENU_OPEN: OnOpenWithDialog(); break;
        case ID_MENU_COMPACT: OnCompactView(); break;
        case ID_MENU_TOPMOST: OnTopMost(); break;
        case ID_MENU_PLAY: OnPlay(); break;
        case ID_MENU_PAUSE: OnPause(); break;
        case ID_MENU_NEXT_PICTURE: OnNextPicture(); break;
        case ID_MENU_PREV_PICTURE: OnPreviousPicture(); break;
        case ID_MENU_SKIP_FORWARD: OnSkipForward(); break;
        case ID_MENU_SKIP_BACK: OnSkipBack(); break;
        case ID_MENU_VOLUME_UP: VolumeStep(+5); break;
        case ID_MENU_VOLUME_DOWN: VolumeStep(-5); break;
        case ID_MENU_MUTE: OnMute(); break;
        case ID_MENU_ABOUT: ShowAboutBox(); break;
        }
    });
}

void CPlayerDlg::OnSysCommand(WPARAM command, LPARAM lParam)
{
    if ((command & 0xFFF0) == IDM_ABOUTBOX)
        ShowAboutBox();
    else
        Default(WM_SYSCOMMAND, command, lParam);
    if (command == SC_MAXIMIZE && m_maximize.GetCheck()) OnMaximizeRestore();
    if (command == SC_RESTORE) {
        const UINT image = m_maximize.GetCheck() ? IDB_MAXIMIZE : IDB_RESTORE;
        SetToggleBitmaps(m_maximize, image, IDB_MAXIMIZE_MASK);
    }
}

void CPlayerDlg::ShowAboutBox()
{
    CAboutDlg about(m_hWnd);
    about.DoModal();
}

bool CPlayerDlg::RunKeyCommand(KeyCommand command)
{
    switch (command) {
    case KeyCommand::None: return false;
    case KeyCommand::PlayPause: OnPlayPause(); break;
    case KeyCommand::Play: OnPlay(); break;
    case KeyCommand::Pause: OnPause(); break;
    case KeyCommand::SkipBack: OnSkipBack(); break;
    case KeyCommand::SkipForward: OnSkipForward(); break;
    case KeyCommand::PreviousPicture: OnPreviousPicture(); break;
    case KeyCommand::NextPicture: OnNextPicture(); break;
    case KeyCommand::VolumeUp: VolumeStep(+5); break;
    case KeyCommand::VolumeDown: VolumeStep(-5); break;
    case KeyCommand::Mute: OnMute(); break;
    case KeyCommand::ToStart: OnSeekToStart(); break;
    case KeyCommand::Open: RunOperation([&] { OnOpenWithDialog(); }); break;
    }
    return true;
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
    const KeyCommand command = CommandForKey(static_cast<UINT>(message.wParam), modifiers);
    if (command == KeyCommand::None) return false;
    // Bit 30 of a key message is set when the key was already down: an auto-repeat.
    const bool repeat = (message.lParam & (1 << 30)) != 0;
    if (!repeat || RepeatsWhileHeld(command)) RunKeyCommand(command);
    return true;
}
