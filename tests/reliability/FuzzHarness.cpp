#include "tests/reliability/FuzzHarness.h"

#include "tests/reliability/ReliabilitySupport.h"

#include "base/ByteOrder.h"
#include "base/ComPtr.h"
#include "base/ExternalNames.h"
#include "base/Handles.h"
#include "document/PlayerDocument.h"
#include "document/WorkFolder.h"

#include <dshow.h>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <exception>
#include <set>
#include <sstream>
#include <thread>

namespace {
constexpr std::size_t kWavHeaderBytes = 44;

std::string Narrow(const std::wstring& text)
{
    std::string out;
    for (const wchar_t c : text) out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

// False for text with a surrogate that is not half of a pair.
bool IsValidUtf16(const std::wstring& text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c >= 0xDC00 && c <= 0xDFFF) return false;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
            ++i;
        }
    }
    return true;
}

std::string Hex(HRESULT hr)
{
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

bool IsDocumentedLoadResult(HRESULT hr)
{
    return hr == S_OK || hr == E_INVALIDARG || hr == E_FAIL || hr == E_OUTOFMEMORY || hr == E_UNEXPECTED;
}

// What IFileSourceFilter::Load gives for a voice file it refuses, by the voice library's reasons.
bool IsDocumentedFilterLoadResult(HRESULT hr)
{
    return hr == S_OK || hr == VFW_E_INVALID_FILE_FORMAT || hr == VFW_E_UNSUPPORTED_STREAM ||
           hr == HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE) || hr == HRESULT_FROM_WIN32(ERROR_READ_FAULT) ||
           hr == E_OUTOFMEMORY;
}

}  // namespace

// ---- report ----

std::string DescribeTally(const FuzzTally& tally)
{
    std::ostringstream out;
    out << tally.cases << " cases; document loads:";
    for (const auto& [hr, count] : tally.documentResults) out << " " << Hex(hr) << " x" << count;
    out << "; filter loads:";
    for (const auto& [hr, count] : tally.filterResults) out << " " << Hex(hr) << " x" << count;
    out << "; streams read whole " << tally.streamsReadWhole << ", refused midway " << tally.streamsRefusedMidway
        << ", " << tally.bytesDecoded << " bytes decoded";
    return out.str();
}

// ---- snapshots ----

void CFolderSnapshot::AddTree(const std::wstring& folder, const std::vector<std::wstring>& skip)
{
    WIN32_FIND_DATAW found;
    UniqueFind find(FindFirstFileW((folder + L"*").c_str(), &found));
    if (!find) {
        m_entries[folder] = "missing";
        return;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L".." || std::find(skip.begin(), skip.end(), name) != skip.end()) continue;
        const std::wstring path = folder + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            m_entries[path + L"\\"] = "folder";
            AddTree(path + L"\\");
            continue;
        }
        const std::uint64_t size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        // Any write moves the time of last write, so size, time and attributes tell a change
        // without reading the file.
        std::ostringstream entry;
        entry << "size " << size << " written " << found.ftLastWriteTime.dwHighDateTime << ":"
              << found.ftLastWriteTime.dwLowDateTime << " attributes " << found.dwFileAttributes;
        m_entries[path] = entry.str();
    } while (FindNextFileW(find.Get(), &found));
}

void CFolderSnapshot::AddNames(const std::wstring& folder, const std::vector<std::wstring>& skip)
{
    WIN32_FIND_DATAW found;
    UniqueFind find(FindFirstFileW((folder + L"*").c_str(), &found));
    if (!find) return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L".." || std::find(skip.begin(), skip.end(), name) != skip.end()) continue;
        m_entries[folder + name] = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? "folder" : "file";
    } while (FindNextFileW(find.Get(), &found));
}

std::string CFolderSnapshot::DifferencesFrom(const CFolderSnapshot& before) const
{
    std::string out;
    for (const auto& [path, entry] : m_entries) {
        const auto old = before.m_entries.find(path);
        if (old == before.m_entries.end())
            out += "new " + Narrow(path) + "; ";
        else if (old->second != entry)
            out += "changed " + Narrow(path) + " (" + old->second + " -> " + entry + "); ";
    }
    for (const auto& [path, entry] : before.m_entries)
        if (m_entries.find(path) == m_entries.end()) out += "gone " + Narrow(path) + "; ";
    return out;
}

// ---- the harness ----

CFuzzHarness::~CFuzzHarness()
{
    if (!m_previousFolder.empty()) SetCurrentDirectoryW(m_previousFolder.c_str());
    if (!m_root.empty() && PathExists(m_root)) CleanUpFolder(m_root);
}

bool CFuzzHarness::Prepare(std::string& error)
{
    const std::wstring temp = GetTempFolder();
    if (temp.empty()) {
        error = "no temporary folder";
        return false;
    }
    m_root = temp + L"kavfuzz\\";
    m_work = m_root + L"work\\";
    m_cases = m_root + L"cases\\";
    m_sentinel = m_root + L"sentinel\\";
    if (PathExists(m_root) && FAILED(CleanUpFolder(m_root))) {
        error = "cannot empty " + Narrow(m_root);
        return false;
    }
    const std::wstring current = m_root + L"current\\";
    for (const std::wstring& folder : {m_root, m_cases, m_sentinel, current, m_sentinel + L"inner\\"}) {
        if (!CreateDirectoryW(folder.c_str(), nullptr)) {
            error = "cannot create " + Narrow(folder);
            return false;
        }
    }
    // Files under the names a hostile entry aims at; they must never change.
    for (const wchar_t* name : {L"victim.txt", L"ZEL.TMV", L"ZEL.PIN", L"first.jpg", L"inner\\victim.txt"}) {
        if (!WriteFileBytes(m_sentinel + name, Bytes{'s', 'e', 'n', 't', 'i', 'n', 'e', 'l'})) {
            error = "cannot write the sentinel files";
            return false;
        }
    }
    // Relative names would land in the current folder: one of the watched ones.
    wchar_t previous[MAX_PATH];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, previous);
    if (length > 0 && length < MAX_PATH) m_previousFolder.assign(previous, length);
    SetCurrentDirectoryW(current.c_str());

    m_seeds = MakeSeedInputs(m_cases, m_sentinel, L"..\\sentinel\\");
    for (const Bytes& seed : m_seeds.containers)
        if (seed.empty()) {
            error = "the seed documents could not be written";
            return false;
        }
    for (const Bytes& seed : m_seeds.voices)
        if (seed.empty()) {
            error = "the seed voice tracks could not be encoded";
            return false;
        }
    for (const wchar_t* name : {L"seed.kav", L"seed-voice", L"seed-picture-0", L"seed-picture-1"})
        DeleteFileW((m_cases + name).c_str());
    // The filter's class factory, found by its class identifier once: creating the filter from
    // it per case spares a registry look-up each time.
    const HRESULT hr = CoGetClassObject(CLSID_RecorderSourceFilter, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                        reinterpret_cast<void**>(&m_filterFactory));
    if (FAILED(hr)) {
        error = "the source filter is not registered (" + Hex(hr) + "); run scripts/register-filter.sh";
        return false;
    }
    m_outsideBefore = Outside();
    return true;
}

CFolderSnapshot CFuzzHarness::Outside() const
{
    CFolderSnapshot snapshot;
    snapshot.AddTree(m_root, {L"work", L"cases"});
    snapshot.AddNames(GetTempFolder(), {L"kavfuzz"});
    snapshot.AddNames(L"C:\\");
    return snapshot;
}

std::string CFuzzHarness::Run(const FuzzCase& fuzzCase)
{
    CFuzzGuard::BeginCase(fuzzCase);
    ++m_tally.cases;
    m_lastDocument = m_lastFilter = S_FALSE;
    std::string finding = fuzzCase.kind == CaseKind::Voice ? RunVoice(fuzzCase.bytes) : RunDocument(fuzzCase.bytes);
    CFuzzGuard::EndCase();
    if (!finding.empty()) finding = std::string(CaseKindName(fuzzCase.kind)) + " case " +
                                    std::to_string(fuzzCase.number) + " [" + fuzzCase.mutation + "]: " + finding;
    return finding;
}

std::string CFuzzHarness::RunDocument(const Bytes& container)
{
    const std::wstring path = m_cases + L"case.kav";
    if (!WriteFileBytes(path, container)) return "cannot write the case file";
    std::string finding;
    {
        CPlayerDocument document(m_work);
        const HRESULT hr = document.Load(path);
        m_lastDocument = hr;
        ++m_tally.documentResults[hr];
        if (!IsDocumentedLoadResult(hr)) finding += "Load returned " + Hex(hr) + "; ";
        if (hr == S_OK) finding += CheckLoadedDocument(document);
    }
    if (PathExists(m_work)) {
        finding += "the work folder outlived its document; ";
        CleanUpFolder(m_work);
    }
    if (ReadFileBytes(path) != container) finding += "the document file changed; ";
    const std::string outside = Outside().DifferencesFrom(m_outsideBefore);
    if (!outside.empty()) {
        finding += "written outside the work folder: " + outside;
        m_outsideBefore = Outside();  // report each change once
    }
    return finding;
}

// A loaded document holds only its own items, under plain names directly in the work folder,
// and its voice track reads through the filter like any voice file.
std::string CFuzzHarness::CheckLoadedDocument(const CPlayerDocument& document)
{
    std::string finding;
    std::set<std::wstring> expected = {L"ZEL.PIN", L"ZEL.TMV"};
    // A name that is not valid UTF-16 (a lone surrogate) is stored as the file system can
    // store it: Wine writes a replacement character instead. Such files are told by count.
    std::size_t unstorable = 0;
    for (const ContainerItem& picture : document.Directory().pictures) {
        if (!IsPlainFileName(picture.name)) finding += "accepted the picture name " + Narrow(picture.name) + "; ";
        if (!IsValidUtf16(picture.name)) {
            ++unstorable;
            continue;
        }
        std::wstring upper = picture.name;
        CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
        expected.insert(upper);
    }
    WIN32_FIND_DATAW found;
    UniqueFind find(FindFirstFileW((m_work + L"*").c_str(), &found));
    if (find) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                finding += "a folder " + Narrow(name) + " in the work folder; ";
            else if (!expected.count(name) && unstorable > 0)
                --unstorable;
            else if (!expected.count(name))
                finding += "unexpected " + Narrow(name) + " in the work folder; ";
        } while (FindNextFileW(find.Get(), &found));
    }
    std::vector<PictureEntry> pictures;
    document.GetPictureList(pictures);
    for (const PictureEntry& entry : pictures) {
        if (entry.path.empty()) continue;
        const std::wstring name = entry.path.substr(std::min(entry.path.size(), m_work.size()));
        if (entry.path.compare(0, m_work.size(), m_work) != 0 || !IsPlainFileName(name))
            finding += "a picture path outside the work folder: " + Narrow(entry.path) + "; ";
    }
    std::wstring voice;
    document.GetVoicePath(voice);
    if (voice != m_work + L"ZEL.TMV") return finding + "the voice path is " + Narrow(voice) + "; ";
    return finding + ReadThroughFilter(voice);
}

std::string CFuzzHarness::RunVoice(const Bytes& voice)
{
    const std::wstring path = m_cases + L"case.tmv";
    if (!WriteFileBytes(path, voice)) return "cannot write the case file";
    return ReadThroughFilter(path);
}

// Load, then every byte of the stream in pieces of changing sizes, then reads at odd places.
std::string CFuzzHarness::ReadThroughFilter(const std::wstring& path)
{
    ComPtr<IFileSourceFilter> source;
    HRESULT hr = m_filterFactory->CreateInstance(nullptr, IID_IFileSourceFilter, reinterpret_cast<void**>(&source));
    if (FAILED(hr)) return "the source filter cannot be created (" + Hex(hr) + "); ";
    hr = source->Load(path.c_str(), nullptr);
    m_lastFilter = hr;
    ++m_tally.filterResults[hr];
    if (!IsDocumentedFilterLoadResult(hr)) return "filter Load returned " + Hex(hr) + "; ";
    if (FAILED(hr)) return {};

    ComPtr<IBaseFilter> filter;
    ComPtr<IPin> pin;
    ComPtr<IAsyncReader> reader;
    if (FAILED(source.As(filter)) || FAILED(filter->FindPin(kSourceFilterOutputPin, &pin)) ||
        FAILED(pin.As(reader)))
        return "the loaded filter offers no reader on its output pin; ";
    LONGLONG total = 0, available = 0;
    hr = reader->Length(&total, &available);
    if (hr != S_OK || total != available || total < static_cast<LONGLONG>(kWavHeaderBytes))
        return "Length gave " + Hex(hr) + " with " + std::to_string(total) + "/" + std::to_string(available) + "; ";

    Bytes buffer(1 << 16);
    if (reader->SyncRead(0, static_cast<LONG>(kWavHeaderBytes), buffer.data()) != S_OK) return "no stream header; ";
    if (std::memcmp(buffer.data(), "RIFF", 4) != 0 || LoadLe32(&buffer[4]) != total - 8 ||
        std::memcmp(&buffer[36], "data", 4) != 0 || LoadLe32(&buffer[40]) != total - 44)
        return "the stream header does not match its length; ";

    CRandom random(static_cast<std::uint64_t>(total));
    LONGLONG position = 0;
    while (position < total) {
        const LONG length = static_cast<LONG>(std::min<LONGLONG>(1 + random.Below(buffer.size()), total - position));
        hr = reader->SyncRead(position, length, buffer.data());
        if (hr == VFW_E_INVALID_FILE_FORMAT || hr == HRESULT_FROM_WIN32(ERROR_READ_FAULT)) {
            ++m_tally.streamsRefusedMidway;
            break;
        }
        if (hr != S_OK) return "SyncRead at " + std::to_string(position) + " returned " + Hex(hr) + "; ";
        position += length;
        m_tally.bytesDecoded += static_cast<std::uint64_t>(length);
    }
    if (position >= total) ++m_tally.streamsReadWhole;

    // Reads that reach past the end stop there; reads before the start are refused.
    for (int i = 0; i < 4; ++i) {
        const LONGLONG at = static_cast<LONGLONG>(random.Below(static_cast<std::uint64_t>(total) + 200)) - 100;
        const LONG length = static_cast<LONG>(random.Below(buffer.size()));
        hr = reader->SyncRead(at, length, buffer.data());
        const bool expected = at < 0 ? hr == E_INVALIDARG
                                     : (hr == S_OK || hr == S_FALSE || hr == VFW_E_INVALID_FILE_FORMAT ||
                                        hr == HRESULT_FROM_WIN32(ERROR_READ_FAULT));
        if (!expected)
            return "SyncRead(" + std::to_string(at) + ", " + std::to_string(length) + ") returned " + Hex(hr) + "; ";
        if (at >= 0 && at + length <= total && hr == S_FALSE) return "a read inside the stream came back short; ";
    }
    return {};
}

// ---- the guard ----

namespace {
std::wstring g_findings;
DWORD g_hangMilliseconds = 0;
std::atomic<const FuzzCase*> g_current{nullptr};
std::atomic<DWORD> g_caseStarted{0};
std::atomic<bool> g_reporting{false};

[[noreturn]] void ReportAndExit(const char* what)
{
    if (!g_reporting.exchange(true)) {
        const FuzzCase* current = g_current.load();
        if (current) {
            const std::wstring saved = CFuzzGuard::Save(*current);
            std::fprintf(stderr, "kavfuzz: FINDING %s in %s case %llu [%s]; bytes saved to %s\n", what,
                         CaseKindName(current->kind), static_cast<unsigned long long>(current->number),
                         current->mutation.c_str(), Narrow(saved).c_str());
        } else {
            std::fprintf(stderr, "kavfuzz: FINDING %s outside any case\n", what);
        }
        std::fflush(stderr);
    }
    ExitProcess(3);
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* exception)
{
    char what[64];
    std::snprintf(what, sizeof(what), "crash (exception 0x%08lX)",
                  static_cast<unsigned long>(exception->ExceptionRecord->ExceptionCode));
    ReportAndExit(what);
}

void OnTerminate() { ReportAndExit("std::terminate"); }

void WatchForHangs()
{
    for (;;) {
        Sleep(100);
        const DWORD started = g_caseStarted.load();
        if (g_current.load() && GetTickCount() - started > g_hangMilliseconds) ReportAndExit("hang");
    }
}
}  // namespace

void CFuzzGuard::Install(const std::wstring& findingsFolder, DWORD hangMilliseconds)
{
    g_findings = findingsFolder;
    g_hangMilliseconds = hangMilliseconds;
    SetUnhandledExceptionFilter(&OnUnhandledException);
    std::set_terminate(&OnTerminate);
    static bool watching = false;
    if (!watching) {
        watching = true;
        std::thread(&WatchForHangs).detach();
    }
}

void CFuzzGuard::BeginCase(const FuzzCase& fuzzCase)
{
    g_caseStarted = GetTickCount();
    g_current = &fuzzCase;
}

void CFuzzGuard::EndCase() { g_current = nullptr; }

std::wstring CFuzzGuard::Save(const FuzzCase& fuzzCase)
{
    if (g_findings.empty()) return L"(nowhere: no findings folder)";
    CreateDirectoryW(g_findings.c_str(), nullptr);
    const std::string name = std::string(CaseKindName(fuzzCase.kind)) + "-" + std::to_string(fuzzCase.number) +
                             (fuzzCase.kind == CaseKind::Voice ? ".tmv" : ".kav");
    const std::wstring path = g_findings + std::wstring(name.begin(), name.end());
    WriteFileBytes(path, fuzzCase.bytes);
    return path;
}
