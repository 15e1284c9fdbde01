#include "player/RecentDocuments.h"
#include "framework/Resources.h"
#include "resources/ResourceIds.h"
#include <algorithm>
#include <shlobj.h>
#include <shlwapi.h>

namespace {
// One multi-string value: the paths in order, most recent first.
constexpr wchar_t kValueName[] = L"Recent Documents";

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

std::vector<std::wstring> ReadPaths(const std::wstring& keyPath)
{
    std::vector<std::wstring> paths;
    const UniqueRegKey key = OpenUserKey(keyPath);
    DWORD type = 0;
    DWORD bytes = 0;
    if (!key || RegQueryValueExW(key.Get(), kValueName, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ)
        return paths;
    std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 2, L'\0'); // room for the closing NULs it may lack
    if (RegQueryValueExW(key.Get(), kValueName, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &bytes) !=
        ERROR_SUCCESS)
        return paths;
    for (const wchar_t* item = text.data(); *item && paths.size() < CRecentDocuments::kCapacity;
         item += wcslen(item) + 1) {
        const std::wstring path(item);
        if (std::none_of(paths.begin(), paths.end(), [&](const std::wstring& p) { return SamePath(p, path); }))
            paths.push_back(path);
    }
    return paths;
}

// Drops the paths that `condition` holds for; true when there was one.
template <class Condition>
bool RemovePaths(std::vector<std::wstring>& paths, Condition condition)
{
    const auto kept = std::remove_if(paths.begin(), paths.end(), condition);
    const bool removed = kept != paths.end();
    paths.erase(kept, paths.end());
    return removed;
}

// "&1 name.kav": the place as access key, then the file name with its own ampersands doubled.
std::wstring ItemCaption(size_t index, const std::wstring& path)
{
    std::wstring caption = L"&" + std::to_wstring(index + 1) + L" ";
    for (const wchar_t* c = PathFindFileNameW(path.c_str()); *c; ++c) {
        if (*c == L'&') caption += L'&';
        caption += *c;
    }
    return caption;
}
}

CRecentDocuments::CRecentDocuments(std::wstring settingsKey)
    : m_keyPath(std::move(settingsKey)), m_paths(ReadPaths(m_keyPath))
{
}

void CRecentDocuments::Add(const std::wstring& path)
{
    RemovePaths(m_paths, [&](const std::wstring& p) { return SamePath(p, path); });
    m_paths.insert(m_paths.begin(), path);
    if (m_paths.size() > kCapacity) m_paths.resize(kCapacity);
    Save();
}

void CRecentDocuments::Remove(const std::wstring& path)
{
    if (RemovePaths(m_paths, [&](const std::wstring& p) { return SamePath(p, path); })) Save();
}

bool CRecentDocuments::RemoveMissing()
{
    const bool removed = RemovePaths(m_paths, [](const std::wstring& p) { return !PathFileExistsW(p.c_str()); });
    if (removed) Save();
    return removed;
}

void CRecentDocuments::Save() const
{
    std::wstring text;
    for (const std::wstring& path : m_paths) text += path + L'\0';
    text += L'\0';
    const UniqueRegKey key = CreateUserKey(m_keyPath);
    if (key)
        RegSetValueExW(key.Get(), kValueName, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(text.data()),
                       static_cast<DWORD>(text.size() * sizeof(wchar_t)));
}

void AppendRecentDocumentItems(HMENU menu, const std::vector<std::wstring>& paths)
{
    if (paths.empty()) {
        AppendMenuW(menu, MF_STRING | MF_GRAYED, ID_MENU_RECENT_NONE, LoadResourceString(IDS_RECENT_NONE).c_str());
        return;
    }
    const size_t count = std::min(paths.size(), CRecentDocuments::kCapacity);
    for (size_t i = 0; i < count; ++i)
        AppendMenuW(menu, MF_STRING, ID_MENU_RECENT_FIRST + i, ItemCaption(i, paths[i]).c_str());
}

std::optional<size_t> RecentDocumentIndex(UINT command)
{
    if (command < ID_MENU_RECENT_FIRST || command > ID_MENU_RECENT_LAST) return std::nullopt;
    return command - ID_MENU_RECENT_FIRST;
}

void AddToSystemRecentDocuments(const std::wstring& path)
{
    SHAddToRecentDocs(SHARD_PATHW, path.c_str());
}
