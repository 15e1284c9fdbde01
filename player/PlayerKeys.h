#pragma once
// The player's keyboard and media keys: which key press or application command runs which of
// the window's commands. Kept apart from the window so that the map can be checked on its own.

#include <windows.h>

enum class KeyCommand {
    None,
    PlayPause,       // pause while playing, play otherwise
    Play,
    Pause,
    SkipBack,
    SkipForward,
    PreviousPicture,
    NextPicture,
    VolumeUp,
    VolumeDown,
    Mute,
    ToStart,
    Open,
};

// Modifier keys held with a key press.
struct KeyModifiers {
    bool control = false;
    bool shift = false;
    bool alt = false;
};

// The command of a WM_KEYDOWN key with the modifiers held, None for keys the player leaves to
// the dialog (Tab, Enter, Escape and the rest). The transport keys act only without modifiers.
KeyCommand CommandForKey(UINT virtualKey, KeyModifiers modifiers);
// The command of a WM_APPCOMMAND application command (media keys of keyboards and remotes).
KeyCommand CommandForAppCommand(int appCommand);
// Whether a held key runs its command again with every auto-repeat: steps do, toggles do not.
bool RepeatsWhileHeld(KeyCommand command);
