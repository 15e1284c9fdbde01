#pragma once
// Where the player keeps what it remembers for the user between runs: a key under
// HKEY_CURRENT_USER. The stores take the key's path as a parameter, so a test keeps its own.

#include "base/Handles.h"
#include <optional>
#include <string>

constexpr wchar_t kUserSettingsKey[] = L"Software\\Tesmar\\Kavora Player";
// Values under it: 1 when playback pauses at the start of each picture; the listening speed in
// percent.
constexpr wchar_t kPauseAtPicturesValue[] = L"Pause At Pictures";
constexpr wchar_t kSpeedValue[] = L"Listening Speed";

// The key at `path` under HKEY_CURRENT_USER, made when it is not there; invalid when it cannot be.
UniqueRegKey CreateUserKey(const std::wstring& path);
// The key at `path` under HKEY_CURRENT_USER with `access`; invalid when it is not there.
UniqueRegKey OpenUserKey(const std::wstring& path, REGSAM access = KEY_READ);

// A number kept under HKEY_CURRENT_USER\`path`; none when it is not there or not a number.
std::optional<DWORD> ReadUserNumber(const std::wstring& path, const wchar_t* name);
// Keeps a number there; a failure leaves the setting as it was, for the next run to find.
void WriteUserNumber(const std::wstring& path, const wchar_t* name, DWORD value);
