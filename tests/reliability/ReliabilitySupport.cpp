#include "tests/reliability/ReliabilitySupport.h"

#include "base/Handles.h"

#include <cwchar>

std::wstring EnvironmentText(const wchar_t* name)
{
    wchar_t buffer[1024];
    const DWORD length = GetEnvironmentVariableW(name, buffer, 1024);
    return length > 0 && length < 1024 ? std::wstring(buffer, length) : std::wstring();
}

std::uint64_t EnvironmentNumber(const wchar_t* name, std::uint64_t fallback)
{
    const std::wstring text = EnvironmentText(name);
    if (text.empty()) return fallback;
    wchar_t* end = nullptr;
    const unsigned long long value = std::wcstoull(text.c_str(), &end, 10);
    return end && *end == L'\0' ? value : fallback;
}

std::size_t EntriesIn(const std::wstring& folder)
{
    std::size_t count = 0;
    WIN32_FIND_DATAW found;
    UniqueFind find(FindFirstFileW((folder + L"*").c_str(), &found));
    if (!find) return 0;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") ++count;
    } while (FindNextFileW(find.Get(), &found));
    return count;
}
