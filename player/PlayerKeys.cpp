#include "player/PlayerKeys.h"

KeyCommand CommandForKey(UINT virtualKey, KeyModifiers modifiers)
{
    if (modifiers.control && !modifiers.shift && !modifiers.alt) return virtualKey == 'O' ? KeyCommand::Open : KeyCommand::None;
    if (modifiers.control || modifiers.shift || modifiers.alt) return KeyCommand::None;
    switch (virtualKey) {
    case VK_SPACE: return KeyCommand::PlayPause;
    case VK_LEFT: return KeyCommand::SkipBack;
    case VK_RIGHT: return KeyCommand::SkipForward;
    case VK_PRIOR: return KeyCommand::PreviousPicture;
    case VK_NEXT: return KeyCommand::NextPicture;
    case VK_UP: return KeyCommand::VolumeUp;
    case VK_DOWN: return KeyCommand::VolumeDown;
    case 'M': return KeyCommand::Mute;
    case VK_HOME: return KeyCommand::ToStart;
    default: return KeyCommand::None;
    }
}

KeyCommand CommandForAppCommand(int appCommand)
{
    switch (appCommand) {
    case APPCOMMAND_MEDIA_PLAY_PAUSE: return KeyCommand::PlayPause;
    case APPCOMMAND_MEDIA_PLAY: return KeyCommand::Play;
    case APPCOMMAND_MEDIA_PAUSE: return KeyCommand::Pause;
    case APPCOMMAND_MEDIA_NEXTTRACK: return KeyCommand::NextPicture;
    case APPCOMMAND_MEDIA_PREVIOUSTRACK: return KeyCommand::PreviousPicture;
    default: return KeyCommand::None;
    }
}

bool RepeatsWhileHeld(KeyCommand command)
{
    switch (command) {
    case KeyCommand::SkipBack:
    case KeyCommand::SkipForward:
    case KeyCommand::PreviousPicture:
    case KeyCommand::NextPicture:
    case KeyCommand::VolumeUp:
    case KeyCommand::VolumeDown:
        return true;
    default:
        return false;
    }
}
