#pragma once
// The names other programs see. A second start of the player, the sibling editor, the filter
// graph and the registry find the player and its filter by them, so each is spelled here once
// and never changes.

#include <guiddef.h>

// Held by the running player for its whole life: a second start finds it and hands over.
inline constexpr wchar_t kPlayerInstanceMutex[] = L"Tesmar Kavora Player";
// Held by the running player while it runs.
inline constexpr wchar_t kPlayerPresenceMutex[] = L"Vostrel_ZEL_Instance";
// Held while the sibling editor's speech component is installed.
inline constexpr wchar_t kSiblingMutex[] = L"Marlo_Instance";
// The sibling editor's speech component announces itself by a program path here (HKLM).
inline constexpr wchar_t kSiblingKey[] = L"SOFTWARE\\Tesmar\\Kavora Editor\\NatSpeak";
inline constexpr wchar_t kSiblingValue[] = L"AppPath";
// Set to 1 on the player's window, so a second start can find it among all windows.
inline constexpr wchar_t kPlayerWindowProperty[] = L"Tesmar Kavora Player";

// The recorder source filter: its name in the graph, its one pin, the friendly name it is
// registered under and its class identifier.
inline constexpr wchar_t kSourceFilterName[] = L"Dictel Source Filter";
inline constexpr wchar_t kSourceFilterOutputPin[] = L"Output";
inline constexpr wchar_t kSourceFilterFriendlyName[] = L"Dictel Source Filter";
// {7C22D94B-63DB-4300-8DF4-38C5A296E397}
inline constexpr GUID CLSID_RecorderSourceFilter = {
    0x7C22D94B, 0x63DB, 0x4300, {0x8D, 0xF4, 0x38, 0xC5, 0xA2, 0x96, 0xE3, 0x97}};
