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

// The speed filter, in the same module: it stretches the decoded voice to the listening speed
// between the parser and the audio renderer, and the player sets the speed through its control
// interface.
inline constexpr wchar_t kSpeedFilterName[] = L"Kavora Speed Filter";
// {5E0A3C71-2B9D-4F6A-A1C4-7D2E9B3F8A60}
inline constexpr GUID CLSID_SpeedFilter = {0x5E0A3C71, 0x2B9D, 0x4F6A, {0xA1, 0xC4, 0x7D, 0x2E, 0x9B, 0x3F, 0x8A, 0x60}};
// {C3B1E84F-6A27-4D5B-9E08-41F7A2D6B915}
inline constexpr GUID IID_ISpeedControl = {0xC3B1E84F, 0x6A27, 0x4D5B, {0x9E, 0x08, 0x41, 0xF7, 0xA2, 0xD6, 0xB9, 0x15}};
