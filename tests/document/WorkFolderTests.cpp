// The temporary and work folder paths, the clean-up, and the copying of a container's items:
// byte-identical copies, the voice track's pieces, and items that lie outside the container.
#include "tests/document/DocumentTestSupport.h"

#include "base/Handles.h"
#include "document/ContainerReader.h"
#include "document/PlayerDocument.h"
#include "document/WorkFolder.h"

#include <windows.h>

namespace {
void CreateFolder(const std::wstring& path)
{
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr)) << "cannot create a test folder";
}

void CreateFileWithAttributes(const std::wstring& path, DWORD attributes)
{
    ASSERT_TRUE(WriteFileBytes(path, Pattern(10, 0)));
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), attributes));
}

// Sets an environment variable for the life of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const wchar_t* name, const std::wstring& value) : m_name(name)
    {
        wchar_t old[32767];
        const DWORD length = GetEnvironmentVariableW(name, old, 32767);
        m_had = length > 0;
        m_old.assign(old, length);
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedEnvironment() { SetEnvironmentVariableW(m_name, m_had ? m_old.c_str() : nullptr); }

private:
    const wchar_t* m_name;
    std::wstring m_old;
    bool m_had = false;
};

class ScopedCurrentFolder {
public:
    explicit ScopedCurrentFolder(const std::wstring& folder) : m_old(CurrentFolder())
    {
        EXPECT_TRUE(SetCurrentDirectoryW(folder.c_str()));
    }
    ~ScopedCurrentFolder() { SetCurrentDirectoryW(m_old.c_str()); }

private:
    std::wstring m_old;
};

class WorkFolderTest : public DocumentTest {
protected:
    // Reads the container at `path` and copies its items into a fresh folder in the scratch folder.
    HRESULT CopyInto(const std::wstring& path, const std::wstring& folder)
    {
        CreateDirectoryW(folder.c_str(), nullptr);
        CContainerReader reader;
        const HRESULT hr = reader.Read(path);
        if (FAILED(hr)) return hr;
        return CopyContainerItems(reader.File(), reader.Directory(), folder);
    }
};
}  // namespace

TEST(TempFolder, IsAFullPathWithItsBackslash)
{
    const std::wstring temp = GetTempFolder();
    ASSERT_GT(temp.size(), 3u);
    EXPECT_EQ(temp.back(), L'\\');
    EXPECT_EQ(temp[1], L':');
    EXPECT_EQ(GetWorkFolderPath(), temp + L"ZEL\\");
}

TEST_F(WorkFolderTest, NoUsableTempFolderFailsTheLoadAndTouchesNothing)
{
    const std::wstring path = WriteDocument(SlideShow());
    // Something called ZEL in the current folder must survive: nothing falls back to a relative
    // work folder.
    CreateFolder(Scratch(L"ZEL"));
    ASSERT_TRUE(WriteFileBytes(Scratch(L"ZEL\\keep.bin"), Pattern(3, 3)));
    ScopedCurrentFolder current(m_scratch);
    CPlayerDocument earlier;

    {
        const std::wstring tooLong = L"C:\\" + std::wstring(300, L'x');
        ScopedEnvironment tmp(L"TMP", tooLong);
        ScopedEnvironment temp(L"TEMP", tooLong);
        ScopedEnvironment profile(L"USERPROFILE", tooLong);
        EXPECT_EQ(GetTempFolder(), L"");
        EXPECT_EQ(GetWorkFolderPath(), L"");
        {
            CPlayerDocument document;
            EXPECT_EQ(document.Load(path), E_FAIL);
            std::wstring voice;
            document.GetVoicePath(voice);
            EXPECT_EQ(voice, L"");
        }
        EXPECT_EQ(earlier.Load(path), E_FAIL) << "the temporary folder is asked again at each load";
    }
    EXPECT_EQ(FolderListing(Scratch(L"ZEL\\")), std::vector<std::wstring>{L"keep.bin"});
    EXPECT_FALSE(PathExists(m_workFolder));
    EXPECT_EQ(earlier.Load(path), S_OK);
}

TEST_F(WorkFolderTest, CleanUpRemovesEverythingAndKeepsTheCurrentFolder)
{
    const std::wstring folder = Scratch(L"tree\\");
    CreateFolder(folder);
    CreateFileWithAttributes(folder + L"read-only.bin", FILE_ATTRIBUTE_READONLY);
    CreateFileWithAttributes(folder + L"hidden.bin", FILE_ATTRIBUTE_HIDDEN);
    CreateFileWithAttributes(folder + L"plain.bin", FILE_ATTRIBUTE_NORMAL);
    CreateFolder(folder + L"sub");
    CreateFileWithAttributes(folder + L"sub\\both.bin", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    CreateFolder(folder + L"sub\\deeper");
    CreateFileWithAttributes(folder + L"sub\\deeper\\d.bin", FILE_ATTRIBUTE_NORMAL);
    CreateFolder(folder + L"empty");
    CreateFileWithAttributes(folder + L"zzz-after-the-folders.bin", FILE_ATTRIBUTE_NORMAL);

    ScopedCurrentFolder current(m_scratch);
    const std::wstring before = CurrentFolder();
    EXPECT_EQ(CleanUpFolder(folder), S_OK);
    EXPECT_FALSE(PathExists(folder));
    EXPECT_EQ(CurrentFolder(), before) << "the current folder is left as it was";

    CreateFolder(Scratch(L"no-backslash"));
    EXPECT_EQ(CleanUpFolder(Scratch(L"no-backslash")), S_OK);
    EXPECT_FALSE(PathExists(Scratch(L"no-backslash")));
}

TEST_F(WorkFolderTest, CleanUpOfWhatIsNoFolderFails)
{
    EXPECT_EQ(CleanUpFolder(Scratch(L"missing\\")), E_FAIL);
    EXPECT_EQ(CleanUpFolder(WriteScratch(L"file.bin", Pattern(1, 1))), E_FAIL);
    EXPECT_TRUE(PathExists(Scratch(L"file.bin")));
    EXPECT_EQ(CleanUpFolder(L""), E_FAIL);
}

TEST_F(WorkFolderTest, FileHeldOpenMakesTheCleanUpFailAndStays)
{
    const std::wstring folder = Scratch(L"held\\");
    CreateFolder(folder);
    ASSERT_TRUE(WriteFileBytes(folder + L"a.bin", Pattern(1, 1)));
    ASSERT_TRUE(WriteFileBytes(folder + L"held.bin", Pattern(1, 2)));
    ASSERT_TRUE(WriteFileBytes(folder + L"z.bin", Pattern(1, 3)));
    UniqueFile held(CreateFileW((folder + L"held.bin").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.IsValid());
    EXPECT_EQ(CleanUpFolder(folder), E_FAIL);
    EXPECT_EQ(FolderListing(folder), std::vector<std::wstring>{L"held.bin"}) << "every other file is deleted";
    held.Reset();
    EXPECT_EQ(CleanUpFolder(folder), S_OK);
}

TEST_F(WorkFolderTest, CleanUpRemovesLinksWithoutFollowingThem)
{
    const std::wstring outside = Scratch(L"outside\\");
    CreateFolder(outside);
    ASSERT_TRUE(WriteFileBytes(outside + L"keep.bin", Pattern(4, 4)));
    const std::wstring folder = Scratch(L"linked\\");
    CreateFolder(folder);
    // Wine 8 reports success here but makes no link; Windows needs the right to create links.
    CreateSymbolicLinkW((folder + L"to-outside").c_str(), outside.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
    const DWORD attributes = GetFileAttributesW((folder + L"to-outside").c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        GTEST_SKIP() << "this system makes no symbolic links that show as reparse points";
    CreateSymbolicLinkW((folder + L"file-link").c_str(), (outside + L"keep.bin").c_str(), 0);

    EXPECT_EQ(CleanUpFolder(folder), S_OK);
    EXPECT_FALSE(PathExists(folder));
    EXPECT_EQ(ReadFileBytes(outside + L"keep.bin"), Pattern(4, 4));

    // A work folder that is itself a link goes as a link.
    ASSERT_TRUE(CreateSymbolicLinkW(Scratch(L"link-folder").c_str(), outside.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY));
    EXPECT_EQ(CleanUpFolder(Scratch(L"link-folder\\")), S_OK);
    EXPECT_FALSE(PathExists(Scratch(L"link-folder")));
    EXPECT_EQ(ReadFileBytes(outside + L"keep.bin"), Pattern(4, 4));
}

TEST_F(WorkFolderTest, ItemsAreCopiedByteForByteWhateverTheVoiceSize)
{
    // Around the size of one piece, and one and two whole pieces.
    for (std::size_t size : {0, 1, 999999, 1000000, 1000001, 2000000, 2000001}) {
        SCOPED_TRACE(size);
        TestDocument document = SlideShow();
        document.voice = Pattern(size, static_cast<std::uint8_t>(size));
        const std::wstring folder = Scratch(L"out-" + std::to_wstring(size) + L"\\");
        ASSERT_EQ(CopyInto(WriteDocument(document), folder), S_OK);
        EXPECT_EQ(FolderListing(folder), (std::vector<std::wstring>{L"ZEL.PIN", L"ZEL.TMV", L"first.jpg", L"second.png"}));
        EXPECT_EQ(ReadFileBytes(folder + L"ZEL.TMV"), document.voice);
        EXPECT_EQ(ReadFileBytes(folder + L"ZEL.PIN"), IndexBytes(document.records));
        EXPECT_EQ(ReadFileBytes(folder + L"first.jpg"), document.pictures[0].bytes);
        EXPECT_EQ(ReadFileBytes(folder + L"second.png"), document.pictures[1].bytes);
        EXPECT_EQ(CleanUpFolder(folder), S_OK);
    }
}

TEST_F(WorkFolderTest, LaterPictureOfTheSameNameReplacesTheEarlier)
{
    TestDocument document;
    document.pictures = {{L"same.jpg", Pattern(10, 1)}, {L"SAME.jpg", Pattern(20, 2)}};
    const std::wstring folder = Scratch(L"out\\");
    ASSERT_EQ(CopyInto(WriteDocument(document), folder), S_OK);
    EXPECT_EQ(FolderListing(folder).size(), 3u);
    EXPECT_EQ(ReadFileBytes(folder + L"same.jpg"), Pattern(20, 2));
}

TEST_F(WorkFolderTest, ItemsOutsideTheContainerFailBeforeAnythingIsCopied)
{
    TestDocument document = SlideShow();
    const Bytes good = DocumentBytes(document);
    const std::uint32_t end = static_cast<std::uint32_t>(good.size());
    struct Edit {
        const char* what;
        std::size_t entry;
        std::size_t field;   // 512: offset, 516: size
        std::uint32_t value;
    };
    const Edit edits[] = {
        {"index offset of 2^31", 0, 512, 0x80000000},
        {"index size of 2^31", 0, 516, 0x80000000},
        {"voice running past the end", 1, 516, end},
        {"voice starting past the end", 1, 512, end + 1},
        {"voice offset 0xFFFFFFFF", 1, 512, 0xFFFFFFFF},
        {"last picture running past the end", 3, 516, 1301},
        {"last picture size 0xFFFFFFFF", 3, 516, 0xFFFFFFFF},
    };
    for (const Edit& edit : edits) {
        Bytes bytes = good;
        PutLe32(bytes, EntryAt(edit.entry) + edit.field, edit.value);
        const std::wstring folder = Scratch(L"out\\");
        EXPECT_EQ(CopyInto(WriteScratch(L"edited.kav", bytes), folder), E_FAIL) << edit.what;
        EXPECT_TRUE(FolderListing(folder).empty()) << edit.what;
        CleanUpFolder(folder);
    }
    // An item may lie anywhere inside the file, even over another one.
    Bytes overlapping = good;
    PutLe32(overlapping, EntryAt(3) + 512, 0);
    PutLe32(overlapping, EntryAt(3) + 516, end);
    ASSERT_EQ(CopyInto(WriteScratch(L"overlapping.kav", overlapping), Scratch(L"out\\")), S_OK);
    EXPECT_EQ(ReadFileBytes(Scratch(L"out\\second.png")), overlapping);
}

TEST_F(WorkFolderTest, CopyRefusesPictureNamesThatLeaveTheFolder)
{
    const std::wstring path = WriteDocument(SlideShow());
    CContainerReader reader;
    ASSERT_EQ(reader.Read(path), S_OK);
    const std::wstring folder = Scratch(L"out\\");
    CreateFolder(folder);
    for (const wchar_t* name : {L"..\\escape.jpg", L"C:\\escape.jpg", L"sub/escape.jpg", L"AUX"}) {
        ContainerDirectory directory = reader.Directory();
        directory.pictures[1].name = name;
        EXPECT_EQ(CopyContainerItems(reader.File(), directory, folder), E_FAIL);
        EXPECT_TRUE(FolderListing(folder).empty());
    }
    EXPECT_FALSE(PathExists(m_scratch + L"escape.jpg"));
    EXPECT_FALSE(PathExists(L"C:\\escape.jpg"));
}
