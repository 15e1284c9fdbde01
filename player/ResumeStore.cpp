#include "player/ResumeStore.h"
#include "framework/Resources.h"
#include "resources/ResourceIds.h"
#include "ui/ClockTime.h"
#include <algorithm>
#include <utility>
#include <vector>

namespace {
constexpr wchar_t kSubkey[] = L"\\Resume Positions";
constexpr int kStartMarginMs = 3000;
constexpr int kEndMarginMs = 5000;

// One document's entry: a binary value named by the document's full path. Value names compare
// without regard to case, so the same path written in another case names the same entry.
struct StoredPosition {
    ULONGLONG size;
    ULONGLONG lastWrite;
    ULONGLONG sequence; // higher: left later
    LONGLONG positionMs;
};

std::optional<StoredPosition> ReadEntry(HKEY key, const wchar_t* name)
{
    StoredPosition stored{};
    DWORD type = 0;
    DWORD size = sizeof(stored);
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&stored), &size) != ERROR_SUCCESS ||
        type != REG_BINARY || size != sizeof(stored))
        return std::nullopt;
    return stored;
}

// Every entry's name with its sequence number; an unreadable entry counts as the oldest.
std::vector<std::pair<std::wstring, ULONGLONG>> Entries(HKEY key)
{
    std::vector<std::pair<std::wstring, ULONGLONG>> entries;
    DWORD count = 0;
    DWORD longestName = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return entries;
    std::vector<wchar_t> name(longestName + 1);
    for (DWORD index = 0; index < count; ++index) {
        StoredPosition stored{};
        DWORD type = 0;
        DWORD size = sizeof(stored);
        DWORD length = static_cast<DWORD>(name.size());
        LONG status = RegEnumValueW(key, index, name.data(), &length, nullptr, &type,
                                    reinterpret_cast<BYTE*>(&stored), &size);
        const bool readable = status == ERROR_SUCCESS && type == REG_BINARY && size == sizeof(stored);
        // A value too large to be an entry gives no name with its data: read the name alone.
        if (status == ERROR_MORE_DATA) {
            length = static_cast<DWORD>(name.size());
            status = RegEnumValueW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        }
        if (status == ERROR_SUCCESS)
            entries.emplace_back(std::wstring(name.data(), length), readable ? stored.sequence : 0);
    }
    return entries;
}

// Deletes the entries beyond the store's capacity, the oldest first.
void ForgetOldest(HKEY key)
{
    auto entries = Entries(key);
    if (entries.size() <= CResumeStore::kCapacity) return;
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
    const size_t excess = entries.size() - CResumeStore::kCapacity;
    for (size_t i = 0; i < excess; ++i) RegDeleteValueW(key, entries[i].first.c_str());
}

ULONGLONG FileTimeValue(const FILETIME& time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}
}

std::optional<DocumentIdentity> IdentifyDocument(const std::wstring& path)
{
    const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (length == 0) return std::nullopt;
    std::wstring full(length, L'\0');
    full.resize(GetFullPathNameW(path.c_str(), length, full.data(), nullptr));
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (full.empty() || !GetFileAttributesExW(full.c_str(), GetFileExInfoStandard, &attributes) ||
        (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    const ULONGLONG size = (static_cast<ULONGLONG>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
    return DocumentIdentity{std::move(full), size, FileTimeValue(attributes.ftLastWriteTime)};
}

int ResumePosition(int positionMs, int durationMs)
{
    if (positionMs < kStartMarginMs || positionMs >= durationMs - kEndMarginMs) return 0;
    return positionMs;
}

std::wstring ResumedAtText(int positionMs)
{
    return FormatResourceString(IDS_RESUMED_AT, {FormatClockTime(positionMs / 1000)});
}

CResumeStore::CResumeStore(std::wstring settingsKey) : m_keyPath(std::move(settingsKey) + kSubkey) {}

void CResumeStore::Remember(const DocumentIdentity& document, int positionMs, int durationMs)
{
    const int position = ResumePosition(positionMs, durationMs);
    if (position == 0) {
        Forget(document);
        return;
    }
    const UniqueRegKey key = CreateUserKey(m_keyPath);
    if (!key) return;
    ULONGLONG latest = 0;
    for (const auto& entry : Entries(key.Get())) latest = std::max(latest, entry.second);
    const StoredPosition stored{document.size, document.lastWrite, latest + 1, position};
    RegSetValueExW(key.Get(), document.path.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(&stored),
                   sizeof(stored));
    ForgetOldest(key.Get());
}

int CResumeStore::Recall(const DocumentIdentity& document, int durationMs) const
{
    const UniqueRegKey key = OpenUserKey(m_keyPath);
    if (!key) return 0;
    const std::optional<StoredPosition> stored = ReadEntry(key.Get(), document.path.c_str());
    if (!stored || stored->size != document.size || stored->lastWrite != document.lastWrite ||
        stored->positionMs < 0 || stored->positionMs > durationMs)
        return 0;
    return ResumePosition(static_cast<int>(stored->positionMs), durationMs);
}

void CResumeStore::Forget(const DocumentIdentity& document)
{
    const UniqueRegKey key = OpenUserKey(m_keyPath, KEY_SET_VALUE);
    if (key) RegDeleteValueW(key.Get(), document.path.c_str());
}

