// Hostile documents: a seeded run of mutated containers, picture indexes and voice files through
// CPlayerDocument::Load and the source filter, the truncation of every seed at every field and
// item boundary, and the hostile names, counts and bounds the mutations draw from, each made
// explicit. scripts/fuzz.sh runs the same cases for as long as asked.
#include "tests/reliability/FuzzHarness.h"
#include "tests/reliability/ReliabilitySupport.h"

#include "document/PlayerDocument.h"
#include "document/WorkFolder.h"

#include <gtest/gtest.h>
#include <chrono>
#include <cstring>

namespace {
class Fuzzing : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_com = new CComScope;
        s_harness = new CFuzzHarness;
        if (!s_harness->Prepare(s_error)) return;
        CFuzzGuard::Install(GetTempFolder() + L"kavfuzz-findings\\", 10000);
    }
    static void TearDownTestSuite()
    {
        delete s_harness;
        s_harness = nullptr;
        delete s_com;
        s_com = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(s_error.empty()) << s_error; }

    static CFuzzHarness& Harness() { return *s_harness; }
    static const SeedInputs& Seeds() { return s_harness->Seeds(); }

    // Runs a document or voice file as case `name`; its finding, empty when it passed.
    static std::string Check(const std::string& name, CaseKind kind, const Bytes& bytes)
    {
        FuzzCase fuzzCase;
        fuzzCase.kind = kind;
        fuzzCase.mutation = name;
        fuzzCase.bytes = bytes;
        return Harness().Run(fuzzCase);
    }

    static CComScope* s_com;
    static CFuzzHarness* s_harness;
    static std::string s_error;
};
CComScope* Fuzzing::s_com = nullptr;
CFuzzHarness* Fuzzing::s_harness = nullptr;
std::string Fuzzing::s_error;

void SetName(Bytes& container, std::size_t entry, const std::wstring& name)
{
    const std::size_t at = 32 + 528 * entry;
    for (std::size_t i = 0; i < 256; ++i) PutLe16(container, at + 2 * i, i < name.size() ? name[i] : 0);
}

// `container` with `count` more picture entries, "p0.jpg" and on, each spanning the whole file.
Bytes WithPicturesSpanningTheFile(const Bytes& container, std::size_t count)
{
    const std::vector<ItemPlace> places = ItemPlaces(container);
    const std::size_t directoryEnd = 32 + 528 * places.size();
    const auto shift = static_cast<std::uint32_t>(528 * count);
    Bytes out = container;
    for (const ItemPlace& place : places) PutLe32(out, place.entryAt + 512, place.offset + shift);
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(directoryEnd), 528 * count, 0);
    PutLe16(out, 10, static_cast<std::uint16_t>(places.size() + count));
    for (std::size_t i = 0; i < count; ++i) {
        SetName(out, places.size() + i, L"p" + std::to_wstring(i) + L".jpg");
        PutLe32(out, directoryEnd + 528 * i + 516, static_cast<std::uint32_t>(out.size()));
    }
    return out;
}
}  // namespace

TEST_F(Fuzzing, MutatedInputsAreRefusedCleanlyOrLoadWhole)
{
    const std::uint64_t cases = EnvironmentNumber(L"KAV_FUZZ_CASES", 2000);
    const std::uint64_t first = EnvironmentNumber(L"KAV_FUZZ_FIRST", 0);
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::string> findings;
    for (std::uint64_t number = first; number < first + cases; ++number) {
        const std::string finding = Harness().Run(MakeCase(Seeds(), number));
        if (!finding.empty()) findings.push_back(finding);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const FuzzTally& tally = Harness().Tally();
    std::printf("kavfuzz: %llu cases in %.1f s (%.0f a second), %zu findings\nkavfuzz: %s\n",
                static_cast<unsigned long long>(cases), seconds, cases / seconds, findings.size(),
                DescribeTally(tally).c_str());
    std::string report;
    for (std::size_t i = 0; i < findings.size() && i < 20; ++i) report += findings[i] + "\n";
    EXPECT_TRUE(findings.empty()) << report;

    // The run must reach past the first checks: documents that load, voice tracks read to the
    // end, and corrupt blocks met while reading, or it proves little.
    const auto loaded = tally.documentResults.find(S_OK);
    EXPECT_TRUE(loaded != tally.documentResults.end() && loaded->second > cases / 30) << DescribeTally(tally);
    EXPECT_GT(tally.streamsReadWhole, cases / 30) << DescribeTally(tally);
    EXPECT_GT(tally.streamsRefusedMidway, 0u) << DescribeTally(tally);
}

TEST_F(Fuzzing, EveryTruncationAtABoundaryIsRefused)
{
    for (const Bytes& seed : Seeds().containers) {
        for (const std::size_t size : ContainerBoundaries(seed)) {
            const Bytes cut(seed.begin(), seed.begin() + static_cast<std::ptrdiff_t>(size));
            EXPECT_EQ(Check("container cut at " + std::to_string(size), CaseKind::Container, cut), "");
            // The writer packs the items up to the end of the file, so every cut loses a byte of one.
            EXPECT_EQ(Harness().LastDocumentResult(), E_FAIL) << "cut at " << size;
        }
        const Bytes index = ItemBytes(seed, 0);
        for (const std::size_t size : IndexBoundaries(index)) {
            const Bytes cut(index.begin(), index.begin() + static_cast<std::ptrdiff_t>(size));
            EXPECT_EQ(Check("index cut at " + std::to_string(size), CaseKind::Index, ReplaceItem(seed, 0, cut)), "");
        }
        const Bytes voice = ItemBytes(seed, 1);
        for (const std::size_t size : VoiceBoundaries(voice)) {
            const Bytes cut(voice.begin(), voice.begin() + static_cast<std::ptrdiff_t>(size));
            EXPECT_EQ(Check("voice in a document cut at " + std::to_string(size), CaseKind::Container,
                            ReplaceItem(seed, 1, cut)),
                      "");
            // The container does not look inside its voice track; the filter refuses the cut one.
            EXPECT_EQ(Harness().LastDocumentResult(), S_OK) << "voice cut at " << size;
            EXPECT_TRUE(FAILED(Harness().LastFilterResult())) << "voice cut at " << size;
        }
    }
    for (const Bytes& seed : Seeds().voices)
        for (const std::size_t size : VoiceBoundaries(seed)) {
            const Bytes cut(seed.begin(), seed.begin() + static_cast<std::ptrdiff_t>(size));
            EXPECT_EQ(Check("voice cut at " + std::to_string(size), CaseKind::Voice, cut), "");
            EXPECT_TRUE(FAILED(Harness().LastFilterResult())) << "voice cut at " << size;
        }
}

TEST_F(Fuzzing, HostileNamesAreRefusedBeforeAnythingIsWritten)
{
    const Bytes& slides = Seeds().containers[0];
    const std::vector<std::wstring> names = {L"..",
                                             L"..\\sentinel\\victim.txt",
                                             L"../sentinel/victim.txt",
                                             Harness().WorkFolder() + L"..\\sentinel\\victim.txt",
                                             L"C:\\kavfuzz-escaped.txt",
                                             L"C:kavfuzz-escaped.txt",
                                             L"\\\\?\\C:\\kavfuzz-escaped.txt",
                                             L"CON",
                                             L"nul.jpg",
                                             L"COM1 .png",
                                             L"LPT9",
                                             L"CONIN$",
                                             L"first.jpg:stream",
                                             L"trailing.",
                                             L"trailing ",
                                             L""};
    for (const std::wstring& name : names) {
        Bytes container = slides;
        SetName(container, 2, name);
        const std::string what = "picture entry named " + std::string(name.begin(), name.end());
        EXPECT_EQ(Check(what, CaseKind::Container, container), "");
        EXPECT_EQ(Harness().LastDocumentResult(), E_FAIL) << what;
    }
    // A name field that fills all 256 units with no NUL.
    Bytes unterminated = slides;
    for (std::size_t i = 0; i < 256; ++i) PutLe16(unterminated, 32 + 528 * 2 + 2 * i, 'a');
    EXPECT_EQ(Check("picture name without a NUL", CaseKind::Container, unterminated), "");
    EXPECT_EQ(Harness().LastDocumentResult(), E_FAIL);

    // A picture index naming such a picture is refused too, with the picture itself plain.
    for (const char* name : {"..\\victim.t", "../victim.tx", "C:victim.txt", "CON", "con.jpg", "a:b.jpg"}) {
        Bytes index = ItemBytes(slides, 0);
        for (std::size_t i = 0; i < 13; ++i) index.at(32 + 16 + i) = i < std::strlen(name) ? name[i] : 0;
        EXPECT_EQ(Check(std::string("index record named ") + name, CaseKind::Index, ReplaceItem(slides, 0, index)), "");
        EXPECT_EQ(Harness().LastDocumentResult(), E_FAIL) << name;
    }

    // The longest plain name the field holds still loads.
    Bytes longest = slides;
    SetName(longest, 2, std::wstring(251, L'x') + L".jpg");
    EXPECT_EQ(Check("picture name of 255 units", CaseKind::Container, longest), "");
    EXPECT_EQ(Harness().LastDocumentResult(), S_OK);
}

TEST_F(Fuzzing, HugeCountsAndBoundsAreRefusedWithoutWritingAnything)
{
    const Bytes& slides = Seeds().containers[0];
    struct Edit {
        const char* what;
        std::size_t at;
        std::uint32_t value;
        bool sixteen;
    };
    const Edit edits[] = {
        {"entry count 0x7FFF", 10, 0x7FFF, true},
        {"entry count 0x8000", 10, 0x8000, true},
        {"entry count 0xFFFF", 10, 0xFFFF, true},
        {"picture offset 2^31", 32 + 528 * 2 + 512, 0x80000000, false},
        {"picture offset 2^32-1", 32 + 528 * 2 + 512, 0xFFFFFFFF, false},
        {"picture size 2^31-1", 32 + 528 * 2 + 516, 0x7FFFFFFF, false},
        {"offset and size that wrap past 2^32", 32 + 528 * 2 + 516, 0xFFFFFF00, false},
        {"voice size past the end", 32 + 528 + 516, static_cast<std::uint32_t>(slides.size()), false},
        {"index offset at the end", 32 + 512, static_cast<std::uint32_t>(slides.size()), false},
    };
    for (const Edit& edit : edits) {
        Bytes container = slides;
        if (edit.sixteen)
            PutLe16(container, edit.at, static_cast<std::uint16_t>(edit.value));
        else
            PutLe32(container, edit.at, edit.value);
        EXPECT_EQ(Check(edit.what, CaseKind::Container, container), "");
        EXPECT_EQ(Harness().LastDocumentResult(), E_FAIL) << edit.what;
    }
    // An index that claims 2^31 - 1 records and holds four.
    Bytes index = ItemBytes(slides, 0);
    for (int i = 0; i < 4; ++i) index.at(16 + i) = i == 0 ? 0x7F : 0xFF;
    EXPECT_EQ(Check("index count 2^31-1", CaseKind::Index, ReplaceItem(slides, 0, index)), "");
    EXPECT_EQ(Harness().LastDocumentResult(), E_FAIL);
}

TEST_F(Fuzzing, OverlappingItemsOfMoreThan2GiBAreRefusedBeforeAnyCopy)
{
    // 2100 entries make a container of 1.1 MB, whose 2100 pictures of all of it would fill
    // 2.3 GB of the temporary folder.
    const Bytes spanning = WithPicturesSpanningTheFile(Seeds().containers[1], 2100);
    const std::wstring path = GetTempFolder() + L"kavfuzz\\cases\\spanning.kav";
    ASSERT_TRUE(WriteFileBytes(path, spanning));
    {
        CPlayerDocument document(Harness().WorkFolder());
        EXPECT_EQ(document.Load(path), E_FAIL);
        EXPECT_EQ(EntriesIn(Harness().WorkFolder()), 0u) << "refused before the first item was copied";
    }
    DeleteFileW(path.c_str());
    EXPECT_EQ(Check("2100 pictures spanning the file", CaseKind::Container, spanning), "");

    // Overlaps as such are allowed: forty pictures of the whole file load.
    EXPECT_EQ(Check("40 pictures spanning the file", CaseKind::Container,
                    WithPicturesSpanningTheFile(Seeds().containers[1], 40)),
              "");
    EXPECT_EQ(Harness().LastDocumentResult(), S_OK);
}
