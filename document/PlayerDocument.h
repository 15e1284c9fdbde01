#pragma once
// The player's document: opens a container into the work folder and offers its title, the path
// of the extracted voice track and the picture list, a timeline of pictures by start time.

#include "document/ContainerFormat.h"
#include "document/PictureIndex.h"

#include <windows.h>
#include <optional>
#include <string>
#include <vector>

struct PictureEntry {
    int time = 0;          // start, in milliseconds from the start of the voice track
    std::wstring path;     // full path of the extracted picture; empty: no picture from here on
};

class CPlayerDocument {
public:
    // A document that extracts into the player's work folder.
    CPlayerDocument();
    // A document that extracts into `workFolder` instead (a full path strictly inside the
    // temporary folder, with its trailing backslash), for tools that read documents beside a
    // running player. Any other folder makes Load fail with E_FAIL and is never cleaned up.
    explicit CPlayerDocument(std::wstring workFolder);
    CPlayerDocument(const CPlayerDocument&) = delete;
    CPlayerDocument& operator=(const CPlayerDocument&) = delete;
    // Removes the work folder.
    virtual ~CPlayerDocument();

    // Opens the container at `path` and replaces the document's content. S_OK; E_INVALIDARG when
    // the path does not exist (the document stays as it was); E_FAIL, E_OUTOFMEMORY or
    // E_UNEXPECTED when it cannot be read. A failure always empties the picture list, and once
    // the work folder has been cleaned up it leaves no title, voice path or directory either.
    HRESULT Load(const std::wstring& path);
    // Forgets the title, voice path and picture list; the work folder stays as it is.
    HRESULT Reset();

    HRESULT GetPictureList(std::vector<PictureEntry>& pictures) const;
    HRESULT GetTitle(std::wstring& title) const;
    HRESULT GetVoicePath(std::wstring& path) const;
    // The directory of the last container read, for tools that report it.
    const ContainerDirectory& Directory() const { return m_directory; }
    const std::wstring& WorkFolder() const { return m_workFolder; }

private:
    void PrepareWorkFolder();

    CPictureIndex m_index;
    std::vector<PictureEntry> m_pictures;
    std::wstring m_title;
    std::wstring m_voicePath;
    std::wstring m_workFolder;
    ContainerDirectory m_directory;
};

// Lookups on a picture list, by position in whole seconds. An entry starts at its time / 1000.
// The walks follow list order and stop at the first entry that starts after the position.

// The path of the last entry that has started at `seconds`; empty when none has.
std::wstring PictureCandidate(const std::vector<PictureEntry>& pictures, int seconds);
// The start second of the first entry that starts after `seconds`; 0 when there is none.
int NextPictureTime(const std::vector<PictureEntry>& pictures, int seconds);
// The start second of the last entry, before the first one that does not start before
// `seconds`; 0 when there is none.
int PreviousPictureTime(const std::vector<PictureEntry>& pictures, int seconds);

// The same walks by the exact position in milliseconds, for what happens while the recording
// plays. The path of the last entry that has started at `milliseconds`; the start of the entry
// where that walk stops, the next moment the picture can change and the next picture to jump
// to (none in the last period).
std::wstring PictureCandidateAt(const std::vector<PictureEntry>& pictures, int milliseconds);
std::optional<int> NextPeriodStart(const std::vector<PictureEntry>& pictures, int milliseconds);
// The picture to jump back to: the start of the last entry that began at least
// kPreviousPictureGraceMs before `milliseconds`, so that a press just after a picture came goes
// on to the one before it rather than to the start of the one just come; 0 when there is none.
constexpr int kPreviousPictureGraceMs = 1000;
int PreviousPictureStart(const std::vector<PictureEntry>& pictures, int milliseconds);
