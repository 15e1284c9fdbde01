#pragma once
// A path made absolute against the current folder, for paths that leave this process or outlive
// its current folder.

#include <windows.h>
#include <string>

// `path` made whole; unchanged when the system cannot say.
inline std::wstring FullPathOf(const std::wstring& path)
{
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) return path;
    full.resize(length);
    return full;
}
