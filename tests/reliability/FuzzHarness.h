#pragma once
// Runs fuzz cases through everything that reads a document, and checks what each one leaves
// behind. A document goes through CPlayerDocument::Load into a work folder of its own; a voice
// file (and the voice track of every document that loads) goes through the source filter,
// created by its class identifier: Load, then the whole stream read through IAsyncReader.
//
// A case passes when every result code is one the interface names, the stream the filter
// offers is consistent with its length, nothing changed outside the work folder (a sentinel
// folder beside it, the folders above it, the drive's root, the current folder), the document
// was left as it was, and the work folder is gone once the document object is destroyed.
// Crashes and hangs are caught by CFuzzGuard.

#include "tests/reliability/FuzzCases.h"

#include "base/ComPtr.h"

#include <windows.h>
#include <map>
#include <string>

// What the cases reached, for the report: how many loaded, how many streams were read whole.
struct FuzzTally {
    std::uint64_t cases = 0;
    std::map<HRESULT, std::uint64_t> documentResults;
    std::map<HRESULT, std::uint64_t> filterResults;
    std::uint64_t streamsReadWhole = 0;
    std::uint64_t streamsRefusedMidway = 0;  // a corrupt block found while reading
    std::uint64_t bytesDecoded = 0;
};
std::string DescribeTally(const FuzzTally& tally);

// Names, sizes, times of last write and attributes of what lies in a set of folders.
class CFolderSnapshot {
public:
    // Everything under `folder` (with its trailing backslash), recursively, leaving out the
    // subfolders named in `skip`.
    void AddTree(const std::wstring& folder, const std::vector<std::wstring>& skip = {});
    // The entries directly inside `folder`, names and kinds only (their contents belong to
    // others and may change).
    void AddNames(const std::wstring& folder, const std::vector<std::wstring>& skip = {});
    // What differs from `before`; empty when nothing does.
    std::string DifferencesFrom(const CFolderSnapshot& before) const;

private:
    std::map<std::wstring, std::string> m_entries;  // path -> size, time of last write, attributes
};

class CFuzzHarness {
public:
    CFuzzHarness() = default;
    CFuzzHarness(const CFuzzHarness&) = delete;
    CFuzzHarness& operator=(const CFuzzHarness&) = delete;
    // Removes the folders it made.
    ~CFuzzHarness();

    // Makes the folders (under the temporary folder, "kavfuzz\") and the seed inputs; `error`
    // says what failed. COM must be initialised on the calling thread.
    bool Prepare(std::string& error);

    const SeedInputs& Seeds() const { return m_seeds; }
    const FuzzTally& Tally() const { return m_tally; }
    const std::wstring& WorkFolder() const { return m_work; }
    // The result codes of the last case's document Load and filter Load (S_FALSE: not run).
    HRESULT LastDocumentResult() const { return m_lastDocument; }
    HRESULT LastFilterResult() const { return m_lastFilter; }

    // Runs one case; empty when it passed, otherwise what went wrong.
    std::string Run(const FuzzCase& fuzzCase);
    std::string RunDocument(const Bytes& container);
    std::string RunVoice(const Bytes& voice);

private:
    std::string ReadThroughFilter(const std::wstring& path);
    std::string CheckLoadedDocument(const class CPlayerDocument& document);
    CFolderSnapshot Outside() const;

    std::wstring m_root;
    std::wstring m_work;
    std::wstring m_cases;
    std::wstring m_sentinel;
    std::wstring m_previousFolder;
    CFolderSnapshot m_outsideBefore;
    ComPtr<IClassFactory> m_filterFactory;
    SeedInputs m_seeds;
    FuzzTally m_tally;
    HRESULT m_lastDocument = S_FALSE;
    HRESULT m_lastFilter = S_FALSE;
};

// Catches what would otherwise end the process without a word: an unhandled exception (access
// violation, stack overflow...) or std::terminate prints the case being run and saves its bytes
// to the findings folder; a case that runs longer than the limit is reported as a hang. Both end
// the process with exit code 3, so the caller can resume after the case.
class CFuzzGuard {
public:
    static void Install(const std::wstring& findingsFolder, DWORD hangMilliseconds);
    static void BeginCase(const FuzzCase& fuzzCase);
    static void EndCase();
    // Saves a case's bytes as "<kind>-<number>.bin" in the findings folder; the path saved to.
    static std::wstring Save(const FuzzCase& fuzzCase);
};
