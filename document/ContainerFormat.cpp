#include "document/ContainerFormat.h"

#include <windows.h>
#include <string_view>

namespace {
bool IsRefusedCharacter(wchar_t c)
{
    return c < 32 || std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos;
}

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b)
{
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// The system opens a device instead of a file for these names, whatever extension follows and
// with spaces before the extension.
bool IsDeviceName(const std::wstring& name)
{
    std::wstring_view stem(name);
    stem = stem.substr(0, stem.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') stem.remove_suffix(1);
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (EqualsIgnoringCase(stem, device)) return true;
    if (stem.size() == 4 && stem[3] >= L'1' && stem[3] <= L'9')
        return EqualsIgnoringCase(stem.substr(0, 3), L"COM") || EqualsIgnoringCase(stem.substr(0, 3), L"LPT");
    return false;
}
}  // namespace

bool IsPlainFileName(const std::wstring& name)
{
    if (name.empty()) return false;
    for (const wchar_t c : name)
        if (IsRefusedCharacter(c)) return false;
    // The system drops a trailing dot or space, so such a name is not the file it says; this
    // also refuses "." and "..".
    if (name.back() == L'.' || name.back() == L' ') return false;
    return !IsDeviceName(name);
}
