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
