#include "document/PlayerDocument.h"

#include "base/Result.h"
#include "document/ContainerReader.h"
#include "document/WorkFolder.h"

#include <shlwapi.h>

namespace {
// True for a full, normalised folder path (with its trailing backslash) strictly inside the
// temporary folder. Only such a folder is ever emptied: the clean-up deletes all it holds.
bool IsInsideTempFolder(const std::wstring& folder)
{
    const std::wstring temp = GetTempFolder();
    if (temp.empty() || folder.size() <= temp.size() || folder.back() != L'\\') return false;
    wchar_t full[MAX_PATH];
    const DWORD length = GetFullPathNameW(folder.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH || folder != std::wstring(full, length)) return false;
    return CompareStringOrdinal(folder.c_str(), static_cast<int>(temp.size()), temp.c_str(),
                                static_cast<int>(temp.size()), TRUE) == CSTR_EQUAL;
}

// The voice entry's name without its extension.
std::wstring TitleFromVoiceName(const std::wstring& name)
{
    wchar_t buffer[MAX_PATH] = {};
    name.copy(buffer, MAX_PATH - 1);
    PathRemoveExtensionW(buffer);
    return buffer;
}
}  // namespace

CPlayerDocument::CPlayerDocument() : m_workFolder(GetWorkFolderPath()) {}

CPlayerDocument::CPlayerDocument(std::wstring workFolder) : m_workFolder(std::move(workFolder)) {}

CPlayerDocument::~CPlayerDocument()
{
    if (IsInsideTempFolder(m_workFolder) && PathFileExistsW(m_workFolder.c_str())) CleanUpFolder(m_workFolder);
}

HRESULT CPlayerDocument::Load(const std::wstring& path)
{
    m_pictures.clear();
    return RunOperation([&] {
        Check(PathFileExistsW(path.c_str()) != FALSE, E_INVALIDARG);
        Check(IsInsideTempFolder(m_workFolder));
        PrepareWorkFolder();

        CContainerReader reader;
        ThrowIfFailed(reader.Read(path));
        ThrowIfFailed(CopyContainerItems(reader.File(), reader.Directory(), m_workFolder));
        reader.Close();
        ThrowIfFailed(m_index.LoadIndex(m_workFolder + kIndexFileName));

        std::vector<IndexRecord> records;
        m_index.GetRecords(records);
        std::vector<PictureEntry> pictures;
        for (const IndexRecord& record : records) {
            if (record.isReference) continue;
            pictures.push_back({static_cast<int>(record.time),
                                record.hasPicture ? m_workFolder + record.name : std::wstring()});
        }
        m_title = TitleFromVoiceName(reader.Directory().voice.name);
        m_voicePath = m_workFolder + kVoiceFileName;
        m_pictures = std::move(pictures);
        m_directory = reader.Directory();
    });
}

// Empties and re-creates the work folder. From the moment its clean-up starts, the files of the
// document loaded before are going, so the document no longer claims to have one: a load that
// fails from here on leaves no voice path that would play what is left in the folder.
void CPlayerDocument::PrepareWorkFolder()
{
    m_title.clear();
    m_voicePath.clear();
    m_directory = ContainerDirectory();
    if (PathFileExistsW(m_workFolder.c_str())) ThrowIfFailed(CleanUpFolder(m_workFolder));
    Check(CreateDirectoryW(m_workFolder.c_str(), nullptr) != FALSE);
}

HRESULT CPlayerDocument::Reset()
{
    m_title.clear();
    m_voicePath.clear();
    m_pictures.clear();
    return S_OK;
}

HRESULT CPlayerDocument::GetPictureList(std::vector<PictureEntry>& pictures) const
{
    pictures = m_pictures;
    return S_OK;
}

HRESULT CPlayerDocument::GetTitle(std::wstring& title) const
{
    title = m_title;
    return S_OK;
}

HRESULT CPlayerDocument::GetVoicePath(std::wstring& path) const
{
    path = m_voicePath;
    return S_OK;
}

namespace {
int StartSecond(const PictureEntry& entry)
{
    return entry.time / 1000;
}
}  // namespace

std::wstring PictureCandidate(const std::vector<PictureEntry>& pictures, int seconds)
{
    std::wstring candidate;
    for (const PictureEntry& entry : pictures) {
        if (seconds < StartSecond(entry)) break;
        candidate = entry.path;
    }
    return candidate;
}

std::wstring PictureCandidateAt(const std::vector<PictureEntry>& pictures, int milliseconds)
{
    std::wstring candidate;
    for (const PictureEntry& entry : pictures) {
        if (milliseconds < entry.time) break;
        candidate = entry.path;
    }
    return candidate;
}

std::optional<int> NextPeriodStart(const std::vector<PictureEntry>& pictures, int milliseconds)
{
    for (const PictureEntry& entry : pictures)
        if (milliseconds < entry.time) return entry.time;
    return std::nullopt;
}

int NextPictureTime(const std::vector<PictureEntry>& pictures, int seconds)
{
    for (const PictureEntry& entry : pictures)
        if (seconds < StartSecond(entry)) return StartSecond(entry);
    return 0;
}

int PreviousPictureTime(const std::vector<PictureEntry>& pictures, int seconds)
{
    int previous = 0;
    for (const PictureEntry& entry : pictures) {
        if (StartSecond(entry) >= seconds) break;
        previous = StartSecond(entry);
    }
    return previous;
}

int PreviousPictureStart(const std::vector<PictureEntry>& pictures, int milliseconds)
{
    int previous = 0;
    for (const PictureEntry& entry : pictures) {
        if (entry.time > milliseconds - kPreviousPictureGraceMs) break;
        previous = entry.time;
    }
    return previous;
}
