#include "player/PlayerCommands.h"

PlayerCommand CommandForButton(UINT controlId)
{
    if (controlId >= IDC_PLAY && controlId <= IDC_MINIMIZE) return static_cast<PlayerCommand>(controlId);
    return PlayerCommand::None;
}

PlayerCommand CommandForMenuItem(UINT menuId)
{
    switch (menuId) {
    case ID_MENU_OPEN: return PlayerCommand::Open;
    case ID_MENU_COMPACT: return PlayerCommand::StripView;
    case ID_MENU_TOPMOST: return PlayerCommand::TopMost;
    case ID_MENU_PLAY: return PlayerCommand::Play;
    case ID_MENU_PAUSE: return PlayerCommand::Pause;
    case ID_MENU_NEXT_PICTURE: return PlayerCommand::NextPicture;
    case ID_MENU_PREV_PICTURE: return PlayerCommand::PreviousPicture;
    case ID_MENU_SKIP_FORWARD: return PlayerCommand::SkipForward;
    case ID_MENU_SKIP_BACK: return PlayerCommand::SkipBack;
    case ID_MENU_VOLUME_UP: return PlayerCommand::VolumeUp;
    case ID_MENU_VOLUME_DOWN: return PlayerCommand::VolumeDown;
    case ID_MENU_MUTE: return PlayerCommand::Mute;
    case ID_MENU_ABOUT: return PlayerCommand::About;
    case ID_MENU_PICTURE_LIST: return PlayerCommand::PictureList;
    case ID_MENU_PAUSE_AT_PICTURES: return PlayerCommand::PauseAtPictures;
    default:
        if ((menuId >= ID_MENU_RECENT_FIRST && menuId <= ID_MENU_RECENT_LAST) ||
            (menuId >= ID_MENU_SPEED_FIRST && menuId <= ID_MENU_SPEED_LAST))
            return static_cast<PlayerCommand>(menuId);
        return PlayerCommand::None;
    }
}

std::optional<size_t> RecentDocumentOf(PlayerCommand command)
{
    const UINT id = static_cast<UINT>(command);
    if (id < ID_MENU_RECENT_FIRST || id > ID_MENU_RECENT_LAST) return std::nullopt;
    return id - ID_MENU_RECENT_FIRST;
}

std::optional<size_t> ListeningSpeedOf(PlayerCommand command)
{
    const UINT id = static_cast<UINT>(command);
    if (id < ID_MENU_SPEED_FIRST || id > ID_MENU_SPEED_LAST) return std::nullopt;
    return id - ID_MENU_SPEED_FIRST;
}

PlayerCommand CommandForKey(UINT virtualKey, KeyModifiers modifiers)
{
    if (modifiers.control && !modifiers.shift && !modifiers.alt)
        return virtualKey == 'O' ? PlayerCommand::Open : PlayerCommand::None;
    if (modifiers.control || modifiers.shift || modifiers.alt) return PlayerCommand::None;
    switch (virtualKey) {
    case VK_SPACE: return PlayerCommand::PlayPause;
    case VK_LEFT: return PlayerCommand::SkipBack;
    case VK_RIGHT: return PlayerCommand::SkipForward;
    case VK_PRIOR: return PlayerCommand::PreviousPicture;
    case VK_NEXT: return PlayerCommand::NextPicture;
    case VK_UP: return PlayerCommand::VolumeUp;
    case VK_DOWN: return PlayerCommand::VolumeDown;
    case 'M': return PlayerCommand::Mute;
    case VK_HOME: return PlayerCommand::ToStart;
    case 'L': return PlayerCommand::PictureList;
    case 'S': return PlayerCommand::PauseAtPictures;
    case VK_OEM_4: return PlayerCommand::Slower;      // [
    case VK_OEM_6: return PlayerCommand::Faster;      // ]
    case VK_OEM_PLUS: return PlayerCommand::NormalSpeed; // =
    default: return PlayerCommand::None;
    }
}

PlayerCommand CommandForAppCommand(int appCommand)
{
    switch (appCommand) {
    case APPCOMMAND_MEDIA_PLAY_PAUSE: return PlayerCommand::PlayPause;
    case APPCOMMAND_MEDIA_PLAY: return PlayerCommand::Play;
    case APPCOMMAND_MEDIA_PAUSE: return PlayerCommand::Pause;
    case APPCOMMAND_MEDIA_NEXTTRACK: return PlayerCommand::NextPicture;
    case APPCOMMAND_MEDIA_PREVIOUSTRACK: return PlayerCommand::PreviousPicture;
    default: return PlayerCommand::None;
    }
}

bool RepeatsWhileHeld(PlayerCommand command)
{
    switch (command) {
    case PlayerCommand::SkipBack:
    case PlayerCommand::SkipForward:
    case PlayerCommand::PreviousPicture:
    case PlayerCommand::NextPicture:
    case PlayerCommand::VolumeUp:
    case PlayerCommand::VolumeDown:
        return true;
    default:
        return false;
    }
}
