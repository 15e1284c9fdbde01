#pragma once
// Where each document was left, so that opening it again starts there. A document is known by
// its full path (in any case), its size and its last-write time: a file changed since, even
// under the same name, starts from the beginning. The last 100 documents are kept, in a subkey
// of the user's settings key; the one left longest ago is forgotten first.

#include "player/UserSettings.h"
#include <optional>
#include <string>

struct DocumentIdentity {
    std::wstring path;       // full path
    ULONGLONG size = 0;      // bytes
    ULONGLONG lastWrite = 0; // FILETIME as one number
};

// The identity of the file at `path` as it is now; none when the file cannot be read.
std::optional<DocumentIdentity> IdentifyDocument(const std::wstring& path);

// Where playback starts for a position left at `positionMs` of `durationMs`: the position
// itself, or 0 when it is in the first 3 seconds, in the last 5 seconds, or outside the document.
int ResumePosition(int positionMs, int durationMs);

// The notice the window shows on resuming: "Resumed at 12:04".
std::wstring ResumedAtText(int positionMs);

class CResumeStore {
public:
    static constexpr size_t kCapacity = 100;

    // A store under HKEY_CURRENT_USER\`settingsKey`.
    explicit CResumeStore(std::wstring settingsKey = kUserSettingsKey);

    // Notes that `document` was left at `positionMs` of `durationMs`. A position that would
    // resume at 0 forgets the document instead.
    void Remember(const DocumentIdentity& document, int positionMs, int durationMs);
    // Where `document`, now `durationMs` long, starts: the remembered position, or 0 when none
    // is remembered, the file changed, or the stored entry is unreadable or out of range.
    int Recall(const DocumentIdentity& document, int durationMs) const;
    void Forget(const DocumentIdentity& document);

private:
    std::wstring m_keyPath;
};
