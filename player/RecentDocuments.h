#pragma once
// The documents opened last, most recent first: at most eight, each once (paths compare without
// regard to case), kept in the user's settings key so that they outlive the program. And the
// menu items that offer them.

#include "player/UserSettings.h"
#include <optional>
#include <string>
#include <vector>

class CRecentDocuments {
public:
    static constexpr size_t kCapacity = 8;

    // The list kept under HKEY_CURRENT_USER\`settingsKey`, read now.
    explicit CRecentDocuments(std::wstring settingsKey = kUserSettingsKey);

    const std::vector<std::wstring>& Paths() const { return m_paths; }

    // Puts `path` (a full path) first, dropping it from further down and the oldest beyond eight.
    void Add(const std::wstring& path);
    void Remove(const std::wstring& path);
    // Drops every document whose file is gone; true when there was one.
    bool RemoveMissing();

private:
    void Save() const;

    std::wstring m_keyPath;
    std::vector<std::wstring> m_paths;
};

// Appends the documents to `menu` as commands ID_MENU_RECENT_FIRST onwards, captioned "&1 name.kav"
// to "&8 name.kav"; or one greyed "No recent documents" item when there are none.
void AppendRecentDocumentItems(HMENU menu, const std::vector<std::wstring>& paths);
// The place in the list that a command of those items stands for; none for any other command.
std::optional<size_t> RecentDocumentIndex(UINT command);

// Tells the system that the user opened `path`, for its own lists of recent documents.
void AddToSystemRecentDocuments(const std::wstring& path);
