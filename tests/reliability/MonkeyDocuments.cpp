#include "tests/reliability/MonkeyDocuments.h"
#include "tests/reliability/FuzzCases.h"
#include "tests/reliability/ReliabilitySupport.h"

#include "document/WorkFolder.h"
#include "voice/TmvFormat.h"

#include <cwchar>
#include <tuple>

namespace {
constexpr std::uint32_t kHugePictures = 500;
constexpr std::uint32_t kHugeSeconds = 100;
constexpr std::uint32_t kToneRate = 8000; // EncodeTones writes 8 kHz

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// The voice's length in whole seconds, read from the header of the extracted track.
int VoiceSeconds(const CPlayerDocument& document)
{
    std::wstring voice;
    document.GetVoicePath(voice);
    const Bytes bytes = ReadFileBytes(voice);
    TmvHeader header;
    if (ParseTmvHeader(bytes.data(), bytes.size(), header) != VoiceResult::Ok || header.sampleRate == 0) return 0;
    return static_cast<int>(header.frameCount / header.sampleRate);
}

// A copy of the demo whose title starts with `letter`: the first unit of the voice entry's name.
Bytes Retitled(Bytes demo, wchar_t letter)
{
    const std::size_t titleAt = 32 + 528;
    if (demo.size() > titleAt + 1) demo[titleAt] = static_cast<std::uint8_t>(letter);
    return demo;
}
}  // namespace

CMonkeyDocuments::~CMonkeyDocuments()
{
    m_documents.clear(); // the private folders go with their documents
    if (!m_folder.empty()) CleanUpFolder(m_folder);
}

bool CMonkeyDocuments::Prepare(const std::wstring& demoPath, std::uint64_t seed, std::string& error)
{
    m_folder = GetTempFolder() + L"kavmonkey\\";
    CleanUpFolder(m_folder);
    const std::wstring awkward = m_folder + L"two words \u00e9t\u00e9\\";
    const std::wstring parts = m_folder + L"parts\\";
    for (const std::wstring& folder : {m_folder, awkward, parts})
        if (!CreateDirectoryW(folder.c_str(), nullptr)) {
            error = "cannot make the folder " + Narrow(folder);
            return false;
        }

    const Bytes demo = ReadFileBytes(demoPath);
    if (demo.empty()) {
        error = "cannot read the demo document " + Narrow(demoPath);
        return false;
    }
    if (!WriteFileBytes(m_folder + L"demo.kav", demo) || !AddGood(L"demo", m_folder + L"demo.kav", error)) return false;
    const std::wstring awkwardCopy = awkward + L"Vortrag \u00fcber Kavora.kav";
    if (!WriteFileBytes(m_folder + L"b.kav", Retitled(demo, L'B')) || !AddGood(L"b", m_folder + L"b.kav", error) ||
        !WriteFileBytes(awkwardCopy, Retitled(demo, L'C')) || !AddGood(L"awkward folder", awkwardCopy, error))
        return false;

    // The huge document shows the demo's own pictures in turn, one every 200 ms.
    std::vector<PictureEntry> demoPictures;
    m_documents.front().reference->GetPictureList(demoPictures);
    std::vector<Bytes> pictureBytes;
    for (const PictureEntry& entry : demoPictures)
        if (!entry.path.empty()) pictureBytes.push_back(ReadFileBytes(entry.path));
    if (pictureBytes.empty()) {
        error = "the demo document has no pictures";
        return false;
    }
    std::vector<IndexRecord> records;
    std::vector<DocumentPicture> pictures;
    for (std::uint32_t i = 0; i < kHugePictures; ++i) {
        wchar_t name[16];
        swprintf(name, 16, L"P%04u.JPG", i + 1);
        records.push_back({false, true, name, i * kHugeSeconds * 1000 / kHugePictures});
        pictures.push_back({name, pictureBytes[i % pictureBytes.size()]});
    }
    const Bytes huge = MakeDocument(parts, records, L"Huge.tmv", EncodeTones(true, 1, 0, kHugeSeconds * kToneRate), pictures);
    // The tiny one: a reference record only, so no picture at all, and 0.6 s of voice.
    const Bytes tiny = MakeDocument(parts, {{true, false, L"", 0}}, L"Tiny.tmv", EncodeTones(true, 1, 0, kToneRate * 6 / 10), {});
    CleanUpFolder(parts);
    if (!WriteFileBytes(m_folder + L"huge.kav", huge) || !AddGood(L"huge", m_folder + L"huge.kav", error) ||
        !WriteFileBytes(m_folder + L"tiny.kav", tiny) || !AddGood(L"tiny", m_folder + L"tiny.kav", error))
        return false;

    // Damaged: cut somewhere in the items, and a header whose first byte is flipped.
    CRandom random(seed);
    Bytes cut = demo;
    cut.resize(cut.size() / 4 + static_cast<std::size_t>(random.Below(cut.size() / 2)));
    Bytes flipped = demo;
    flipped[0] ^= 0xFF;
    Bytes hugeCut = huge;
    hugeCut.resize(huge.size() / 2 + static_cast<std::size_t>(random.Below(huge.size() / 3)));
    const std::wstring awkwardCut = awkward + L"abgeschnitten.kav";
    for (const auto& [label, path, bytes] :
         {std::tuple{L"cut", m_folder + L"cut.kav", cut}, std::tuple{L"flipped", m_folder + L"flipped.kav", flipped},
          std::tuple{L"huge cut", m_folder + L"huge-cut.kav", hugeCut}, std::tuple{L"awkward cut", awkwardCut, cut}})
        if (!WriteFileBytes(path, bytes) || !AddDamaged(label, path, error)) return false;

    for (const auto& [label, path] : {std::pair{L"missing", m_folder + L"gone.kav"},
                                      std::pair{L"awkward missing", awkward + L"nicht da.kav"}})
        m_documents.push_back({label, path, DocumentKind::Missing});
    return true;
}

const MonkeyDocument* CMonkeyDocuments::WithTitle(const std::wstring& title) const
{
    for (const MonkeyDocument& document : m_documents)
        if (document.kind == DocumentKind::Good && document.title == title) return &document;
    return nullptr;
}

bool CMonkeyDocuments::AddGood(const std::wstring& label, const std::wstring& path, std::string& error)
{
    MonkeyDocument document;
    document.label = label;
    document.path = path;
    const std::wstring folder = m_folder + L"check-" + std::to_wstring(m_documents.size()) + L"\\";
    document.reference = std::make_shared<CPlayerDocument>(folder);
    if (FAILED(document.reference->Load(path)) || FAILED(document.reference->GetTitle(document.title)) ||
        document.title.empty()) {
        error = "the good document " + Narrow(label) + " does not load";
        return false;
    }
    document.seconds = VoiceSeconds(*document.reference);
    if (WithTitle(document.title)) {
        error = "two documents have the title " + Narrow(document.title);
        return false;
    }
    m_documents.push_back(document);
    return true;
}

bool CMonkeyDocuments::AddDamaged(const std::wstring& label, const std::wstring& path, std::string& error)
{
    CPlayerDocument probe(m_folder + L"probe\\");
    if (SUCCEEDED(probe.Load(path))) {
        error = "the damaged document " + Narrow(label) + " loads";
        return false;
    }
    m_documents.push_back({label, path, DocumentKind::Damaged});
    return true;
}
