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

bool WriteFileBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes)
{
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && (bytes.empty() || WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                               nullptr)) && written == bytes.size();
}

std::vector<std::uint8_t> ReadFileBytes(const std::wstring& path)
{
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                0, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.Get(), &size)) return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty()) ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    return bytes;
}

bool PathExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
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
