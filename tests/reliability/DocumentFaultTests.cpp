// Faults around opening a document: a work folder that cannot be created (a file in its place, a
// read-only temporary folder) and a disk that fills while the items are copied. Each gives
// E_FAIL, loses nothing (the document and whatever stood in the way stay as they were, the
// space the partial copy took is given back) and the next document opens normally.
//
// The read-only folder and the small disk are tmpfs mounts that tests/reliability/
// with-small-disks.sh makes (it needs root) and names in KAV_READONLY_DISK and KAV_SMALL_DISK;
// without them those cases are skipped and say why.
#include "tests/reliability/ReliabilitySupport.h"

#include "document/ContainerWriter.h"
#include "document/PlayerDocument.h"
#include "document/WorkFolder.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <map>

namespace {
constexpr std::uint64_t kPage = 4096;

std::uint64_t FreeBytes(const std::wstring& folder)
{
    ULARGE_INTEGER available{}, total{}, free{};
    return GetDiskFreeSpaceExW(folder.c_str(), &available, &total, &free) ? available.QuadPart : 0;
}

// Points the process's temporary folder (TMP and TEMP) elsewhere for the life of the object.
class CTempFolderOverride {
public:
    explicit CTempFolderOverride(const std::wstring& folder)
        : m_tmp(EnvironmentText(L"TMP")), m_temp(EnvironmentText(L"TEMP"))
    {
        SetEnvironmentVariableW(L"TMP", folder.c_str());
        SetEnvironmentVariableW(L"TEMP", folder.c_str());
    }
    CTempFolderOverride(const CTempFolderOverride&) = delete;
    CTempFolderOverride& operator=(const CTempFolderOverride&) = delete;
    ~CTempFolderOverride()
    {
        SetEnvironmentVariableW(L"TMP", m_tmp.empty() ? nullptr : m_tmp.c_str());
        SetEnvironmentVariableW(L"TEMP", m_temp.empty() ? nullptr : m_temp.c_str());
    }

private:
    std::wstring m_tmp;
    std::wstring m_temp;
};

class DocumentFaults : public testing::Test {
protected:
    void SetUp() override
    {
        m_area = GetTempFolder() + L"kavfault\\";
        if (PathExists(m_area)) {
            ASSERT_EQ(CleanUpFolder(m_area), S_OK);
        }
        ASSERT_TRUE(CreateDirectoryW(m_area.c_str(), nullptr));
        m_small = Write(L"small.kav", L"Small talk.tmv", Pattern(40000, 1));
        // Larger than the small disk, and more than two copy pieces, so the disk fills mid-copy.
        m_big = Write(L"big.kav", L"Big talk.tmv", Pattern(2500000, 2));
    }
    void TearDown() override
    {
        if (PathExists(m_area)) {
            EXPECT_EQ(CleanUpFolder(m_area), S_OK);
        }
    }

    std::wstring Write(const std::wstring& name, const std::wstring& voiceName, const Bytes& voice)
    {
        const std::wstring voicePath = m_area + name + L".voice";
        const std::wstring picturePath = m_area + name + L".picture";
        EXPECT_TRUE(WriteFileBytes(voicePath, voice));
        EXPECT_TRUE(WriteFileBytes(picturePath, Pattern(9000, 3)));
        ContainerContent content;
        EXPECT_EQ(BuildPictureIndex({{false, true, L"slide.jpg", 0}, {false, false, L"", 2000}}, content.index), S_OK);
        content.voiceName = voiceName;
        content.voicePath = voicePath;
        content.pictures = {{L"slide.jpg", picturePath}};
        const std::wstring path = m_area + name;
        EXPECT_EQ(WriteContainer(path, content), S_OK);
        m_originals[path] = ReadFileBytes(path);
        return path;
    }

    // The documents are byte for byte what was written.
    void ExpectDocumentsIntact()
    {
        for (const auto& [path, bytes] : m_originals) EXPECT_TRUE(ReadFileBytes(path) == bytes) << "a document changed";
    }

    static std::wstring Title(const CPlayerDocument& document)
    {
        std::wstring title;
        document.GetTitle(title);
        return title;
    }
    static std::wstring VoicePath(const CPlayerDocument& document)
    {
        std::wstring path;
        document.GetVoicePath(path);
        return path;
    }

    std::wstring m_area;
    std::wstring m_small;
    std::wstring m_big;
    std::map<std::wstring, Bytes> m_originals;
};
}  // namespace

TEST_F(DocumentFaults, AFileWhereTheWorkFolderGoesStaysAndTheLoadFails)
{
    const std::wstring work = m_area + L"work\\";
    const std::wstring blocker = m_area + L"work";
    const Bytes someoneElses = Pattern(100, 9);
    ASSERT_TRUE(WriteFileBytes(blocker, someoneElses));
    {
        CPlayerDocument document(work);
        EXPECT_EQ(document.Load(m_small), E_FAIL);
        EXPECT_EQ(VoicePath(document), L"");
    }
    EXPECT_TRUE(ReadFileBytes(blocker) == someoneElses) << "the file in the work folder's place was touched";

    SetFileAttributesW(blocker.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    {
        CPlayerDocument document(work);
        EXPECT_EQ(document.Load(m_small), E_FAIL);
    }
    EXPECT_TRUE(ReadFileBytes(blocker) == someoneElses);
    SetFileAttributesW(blocker.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(DeleteFileW(blocker.c_str()));

    CPlayerDocument document(work);
    EXPECT_EQ(document.Load(m_small), S_OK) << "the next document opens once the way is clear";
    EXPECT_EQ(Title(document), L"Small talk");
    ExpectDocumentsIntact();
}

TEST_F(DocumentFaults, AReadOnlyTemporaryFolderFailsTheLoadAndChangesNothing)
{
    const std::wstring readOnly = EnvironmentText(L"KAV_READONLY_DISK");
    if (readOnly.empty()) GTEST_SKIP() << "no read-only disk: run through tests/reliability/with-small-disks.sh as root";
    {
        CTempFolderOverride temp(readOnly);
        CPlayerDocument document;
        ASSERT_EQ(document.WorkFolder(), readOnly + L"ZEL\\");
        EXPECT_EQ(document.Load(m_small), E_FAIL);
        EXPECT_EQ(VoicePath(document), L"");
        EXPECT_EQ(EntriesIn(readOnly), 0u);
    }
    CPlayerDocument document(m_area + L"work\\");
    EXPECT_EQ(document.Load(m_small), S_OK) << "the next document opens where it can be written";
    ExpectDocumentsIntact();
}

TEST_F(DocumentFaults, ADiskThatFillsMidCopyFailsTheLoadAndGivesItsSpaceBack)
{
    const std::wstring small = EnvironmentText(L"KAV_SMALL_DISK");
    if (small.empty()) GTEST_SKIP() << "no small disk: run through tests/reliability/with-small-disks.sh as root";
    CTempFolderOverride temp(small);
    const std::uint64_t freeBefore = FreeBytes(small);
    ASSERT_GT(freeBefore, 200000u);
    ASSERT_LT(freeBefore, 2500000u) << "the small disk is too large to fill";
    {
        CPlayerDocument document;
        ASSERT_EQ(document.WorkFolder(), small + L"ZEL\\");
        ASSERT_EQ(document.Load(m_small), S_OK);
        EXPECT_EQ(document.Load(m_big), E_FAIL) << "the voice track does not fit";
        EXPECT_EQ(VoicePath(document), L"") << "no voice path to a partial copy";
        std::vector<PictureEntry> pictures;
        document.GetPictureList(pictures);
        EXPECT_TRUE(pictures.empty());

        EXPECT_EQ(document.Load(m_small), S_OK) << "the next document opens normally";
        EXPECT_EQ(Title(document), L"Small talk");
        EXPECT_EQ(VoicePath(document), small + L"ZEL\\ZEL.TMV");
    }
    EXPECT_EQ(EntriesIn(small), 0u) << "the work folder went with its document";
    EXPECT_EQ(FreeBytes(small), freeBefore) << "the partial copy's space came back";
    ExpectDocumentsIntact();
}

TEST_F(DocumentFaults, ADiskFullAtAnyItemFailsTheLoadCleanly)
{
    const std::wstring small = EnvironmentText(L"KAV_SMALL_DISK");
    if (small.empty()) GTEST_SKIP() << "no small disk: run through tests/reliability/with-small-disks.sh as root";
    CTempFolderOverride temp(small);
    const std::uint64_t freeBefore = FreeBytes(small);
    const std::wstring filler = small + L"filler";
    // The small document needs 16 pages (index 1, voice 10, picture 3, and the writes' slack):
    // leave 0 to 20 free, so the disk runs out at each item in turn.
    std::vector<HRESULT> results;
    for (std::uint64_t pages = 0; pages <= 20; ++pages) {
        ASSERT_TRUE(WriteFileBytes(filler, Bytes(static_cast<std::size_t>(freeBefore - pages * kPage), 0)));
        const std::uint64_t freeWithFiller = FreeBytes(small);
        {
            CPlayerDocument document;
            const HRESULT hr = document.Load(m_small);
            EXPECT_TRUE(hr == S_OK || hr == E_FAIL) << pages << " pages free: 0x" << std::hex << hr;
            EXPECT_EQ(VoicePath(document).empty(), FAILED(hr));
            results.push_back(hr);
        }
        EXPECT_EQ(EntriesIn(small), 1u) << pages << " pages free: only the filler is left";
        EXPECT_EQ(FreeBytes(small), freeWithFiller) << pages << " pages free";
        ASSERT_TRUE(DeleteFileW(filler.c_str()));
    }
    EXPECT_EQ(results.front(), E_FAIL) << "a full disk takes no document";
    EXPECT_EQ(results.back(), S_OK) << "20 free pages take the small document";
    const auto firstSuccess = std::find(results.begin(), results.end(), S_OK);
    EXPECT_TRUE(std::all_of(firstSuccess, results.end(), [](HRESULT hr) { return hr == S_OK; }))
        << "more room never makes a load fail";
    EXPECT_EQ(FreeBytes(small), freeBefore);
    ExpectDocumentsIntact();
}
