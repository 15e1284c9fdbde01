#pragma once
// The player's one command vocabulary. A button, a context-menu item, a key and a media key that
// mean the same thing raise the same command, and the window runs every command through one
// dispatch. A command with a button has the button's control identifier; a command reached only
// from the menu has its menu identifier; the two reached only by keys have identifiers of their
// own.

#include "resources/ResourceIds.h"
#include <windows.h>
#include <optional>

enum class PlayerCommand : UINT {
    None = 0,
    Play = IDC_PLAY,
    Pause = IDC_PAUSE,
    SkipBack = IDC_SKIP_BACK,
    SkipForward = IDC_SKIP_FORWARD,
    NextPicture = IDC_NEXT_PICTURE,
    PreviousPicture = IDC_PREV_PICTURE,
    TopMost = IDC_TOPMOST,
    Mute = IDC_MUTE,
    StripView = IDC_COMPACT,
    Close = IDC_CLOSE,
    MaximizeRestore = IDC_MAXIMIZE,
    Minimize = IDC_MINIMIZE,
    Open = ID_MENU_OPEN,
    VolumeUp = ID_MENU_VOLUME_UP,
    VolumeDown = ID_MENU_VOLUME_DOWN,
    About = ID_MENU_ABOUT,
    PictureList = ID_MENU_PICTURE_LIST,
    PauseAtPictures = ID_MENU_PAUSE_AT_PICTURES,
    PlayPause = 20050, // pause while playing, play otherwise
    ToStart = 20051,   // seek to 0 and show the state's look, as a seek bar release at 0
    Slower = 20052,    // one listening speed slower
    Faster = 20053,    // one listening speed faster
    NormalSpeed = 20054,
    // ID_MENU_RECENT_FIRST to ID_MENU_RECENT_LAST: open the recent document of that place.
    // ID_MENU_SPEED_FIRST to ID_MENU_SPEED_LAST: listen at that speed.
};

// The place in the recent documents that a command opens; none for other commands.
std::optional<size_t> RecentDocumentOf(PlayerCommand command);
// The place among the listening speeds that a command chooses; none for other commands.
std::optional<size_t> ListeningSpeedOf(PlayerCommand command);

// Modifier keys held with a key press.
struct KeyModifiers {
    bool control = false;
    bool shift = false;
    bool alt = false;
};

// The command of a skin button's control identifier; None for the indicator and anything else.
PlayerCommand CommandForButton(UINT controlId);
// The command of a context-menu item's identifier; None for identifiers of no item.
PlayerCommand CommandForMenuItem(UINT menuId);
// The command of a WM_KEYDOWN key with the modifiers held, None for keys the player leaves to
// the dialog (Tab, Enter, Escape and the rest). The transport keys act only without modifiers.
PlayerCommand CommandForKey(UINT virtualKey, KeyModifiers modifiers);
// The command of a WM_APPCOMMAND application command (media keys of keyboards and remotes).
PlayerCommand CommandForAppCommand(int appCommand);
// Whether a held key runs its command again with every auto-repeat: steps do, toggles do not.
bool RepeatsWhileHeld(PlayerCommand command);
