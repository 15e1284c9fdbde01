#include "player/UserSettings.h"

UniqueRegKey CreateUserKey(const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return UniqueRegKey();
    return UniqueRegKey(key);
}

UniqueRegKey OpenUserKey(const std::wstring& path, REGSAM access)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, access, &key) != ERROR_SUCCESS) return UniqueRegKey();
    return UniqueRegKey(key);
}

std::optional<DWORD> ReadUserNumber(const std::wstring& path, const wchar_t* name)
{
    const UniqueRegKey key = OpenUserKey(path);
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof(value);
    if (!key || RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value))
        return std::nullopt;
    return value;
}

void WriteUserNumber(const std::wstring& path, const wchar_t* name, DWORD value)
{
    if (const UniqueRegKey key = CreateUserKey(path))
        RegSetValueExW(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}
