// The document: what a load yields, its state after failures, what it leaves in the work
// folder, and the three lookups on its picture list.
#include "tests/document/DocumentTestSupport.h"

#include "base/Handles.h"
#include "document/PlayerDocument.h"
#include "document/WorkFolder.h"

#include <windows.h>

namespace {
struct DocumentState {
    std::wstring title;
    std::wstring voicePath;
    std::vector<PictureEntry> pictures;
};

DocumentState StateOf(const CPlayerDocument& document)
{
    DocumentState state;
    EXPECT_EQ(document.GetTitle(state.title), S_OK);
    EXPECT_EQ(document.GetVoicePath(state.voicePath), S_OK);
    state.pictures = {{1, L"stale"}};
    EXPECT_EQ(document.GetPictureList(state.pictures), S_OK);
    return state;
}

std::vector<std::wstring> SlideShowFiles()
{
    return {L"ZEL.PIN", L"ZEL.TMV", L"first.jpg", L"second.png"};
}

using PlayerDocumentTest = DocumentTest;
}  // namespace

TEST_F(PlayerDocumentTest, LoadExtractsTheItemsAndBuildsThePictureList)
{
    const TestDocument source = SlideShow();
    CPlayerDocument document;
    EXPECT_EQ(StateOf(document).voicePath, L"");
    ASSERT_EQ(document.Load(WriteDocument(source)), S_OK);

    const DocumentState state = StateOf(document);
    EXPECT_EQ(state.title, L"Lecture");
    EXPECT_EQ(state.voicePath, m_workFolder + L"ZEL.TMV");
    // One entry per 'P' record in file order; the 'R' record is passed over.
    ASSERT_EQ(state.pictures.size(), 3u);
    EXPECT_EQ(state.pictures[0].time, 0);
    EXPECT_EQ(state.pictures[0].path, m_workFolder + L"first.jpg");
    EXPECT_EQ(state.pictures[1].time, 3000);
    EXPECT_EQ(state.pictures[1].path, L"") << "a no-picture period";
    EXPECT_EQ(state.pictures[2].time, 5000);
    EXPECT_EQ(state.pictures[2].path, m_workFolder + L"second.png");

    EXPECT_EQ(FolderListing(m_workFolder), SlideShowFiles());
    EXPECT_EQ(ReadFileBytes(m_workFolder + L"ZEL.TMV"), source.voice);
    EXPECT_EQ(ReadFileBytes(m_workFolder + L"ZEL.PIN"), IndexBytes(source.records));
    EXPECT_EQ(ReadFileBytes(m_workFolder + L"first.jpg"), source.pictures[0].bytes);
    EXPECT_EQ(ReadFileBytes(m_workFolder + L"second.png"), source.pictures[1].bytes);
    EXPECT_EQ(document.Directory().pictures.size(), 2u);

    // Nothing the load opened stays open: every file can be taken exclusively.
    for (const std::wstring& name : SlideShowFiles()) {
        UniqueFile file(CreateFileW((m_workFolder + name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        EXPECT_TRUE(file.IsValid()) << testing::PrintToString(name);
    }
}

TEST_F(PlayerDocumentTest, DocumentWithoutPicturesHasAnEmptyList)
{
    TestDocument source;
    source.records = {ReferenceRecord(0)};
    CPlayerDocument document;
    ASSERT_EQ(document.Load(WriteDocument(source)), S_OK);
    const DocumentState state = StateOf(document);
    EXPECT_TRUE(state.pictures.empty());
    EXPECT_EQ(FolderListing(m_workFolder), (std::vector<std::wstring>{L"ZEL.PIN", L"ZEL.TMV"}));
    EXPECT_EQ(PictureCandidate(state.pictures, 0), L"");
    EXPECT_EQ(NextPictureTime(state.pictures, 0), 0);
    EXPECT_EQ(PreviousPictureTime(state.pictures, 10), 0);
}

TEST_F(PlayerDocumentTest, PictureNotInTheContainerStillGetsItsPath)
{
    TestDocument source;
    source.records = {PictureRecord(2000, L"absent.jpg")};
    CPlayerDocument document;
    ASSERT_EQ(document.Load(WriteDocument(source)), S_OK);
    const DocumentState state = StateOf(document);
    ASSERT_EQ(state.pictures.size(), 1u);
    EXPECT_EQ(state.pictures[0].path, m_workFolder + L"absent.jpg");
}

TEST_F(PlayerDocumentTest, TitleIsTheVoiceNameWithoutItsExtension)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"Lecture.tmv", L"Lecture"},   {L"two.dots.tmv", L"two.dots"}, {L"no extension", L"no extension"},
        {L"dot. space", L"dot. space"}, {L"talk.TMV", L"talk"},
    };
    for (const auto& [name, title] : cases) {
        TestDocument source;
        source.voiceName = name;
        CPlayerDocument document;
        ASSERT_EQ(document.Load(WriteDocument(source)), S_OK) << testing::PrintToString(std::wstring(name));
        EXPECT_EQ(StateOf(document).title, title);
    }
}

TEST_F(PlayerDocumentTest, MissingPathFailsWithoutTouchingTheLoadedDocument)
{
    CPlayerDocument document;
    ASSERT_EQ(document.Load(WriteDocument(SlideShow())), S_OK);
    EXPECT_EQ(document.Load(Scratch(L"missing.kav")), E_INVALIDARG);

    const DocumentState state = StateOf(document);
    EXPECT_TRUE(state.pictures.empty());
    EXPECT_EQ(state.voicePath, m_workFolder + L"ZEL.TMV");
    EXPECT_EQ(state.title, L"Lecture");
    EXPECT_EQ(FolderListing(m_workFolder), SlideShowFiles()) << "the work folder is not touched";
}

TEST_F(PlayerDocumentTest, FailureAfterTheCleanUpLeavesNoDocumentLoaded)
{
    TestDocument brokenIndex = SlideShow();
    brokenIndex.index = IndexBytes(brokenIndex.records);
    brokenIndex.index[RecordAt(1)] = 'X';
    const std::wstring broken = WriteDocument(brokenIndex, L"broken-index.kav");
    Bytes cut = DocumentBytes(SlideShow());
    cut.resize(EntryAt(3));
    const std::wstring cutPath = WriteScratch(L"cut.kav", cut);

    CPlayerDocument document;
    for (const std::wstring& path : {broken, cutPath}) {
        ASSERT_EQ(document.Load(WriteDocument(SlideShow())), S_OK);
        EXPECT_EQ(document.Load(path), E_FAIL);
        // The earlier document's files are gone: a voice path would play what the failed load
        // left behind under the earlier title.
        const DocumentState state = StateOf(document);
        EXPECT_TRUE(state.pictures.empty());
        EXPECT_EQ(state.voicePath, L"");
        EXPECT_EQ(state.title, L"");
        EXPECT_TRUE(document.Directory().pictures.empty());
    }
    // The broken index was copied with the rest before it was read.
    ASSERT_EQ(document.Load(broken), E_FAIL);
    EXPECT_EQ(FolderListing(m_workFolder), SlideShowFiles());

    // The next load starts from a clean folder.
    TestDocument other;
    other.pictures = {{L"other.jpg", Pattern(5, 5)}};
    ASSERT_EQ(document.Load(WriteDocument(other)), S_OK);
    EXPECT_EQ(FolderListing(m_workFolder), (std::vector<std::wstring>{L"ZEL.PIN", L"ZEL.TMV", L"other.jpg"}));
    EXPECT_EQ(StateOf(document).voicePath, m_workFolder + L"ZEL.TMV");
}

TEST_F(PlayerDocumentTest, SecondDocumentReplacesTheFirstsFiles)
{
    TestDocument second;
    second.voiceName = L"Second.tmv";
    second.voice = Pattern(77, 7);
    second.records = {PictureRecord(1000, L"only.bmp")};
    second.pictures = {{L"only.bmp", Pattern(33, 8)}};

    CPlayerDocument document;
    ASSERT_EQ(document.Load(WriteDocument(SlideShow(), L"first.kav")), S_OK);
    ASSERT_EQ(document.Load(WriteDocument(second, L"second.kav")), S_OK);
    EXPECT_EQ(FolderListing(m_workFolder), (std::vector<std::wstring>{L"ZEL.PIN", L"ZEL.TMV", L"only.bmp"}));
    EXPECT_EQ(ReadFileBytes(m_workFolder + L"ZEL.TMV"), second.voice);
    const DocumentState state = StateOf(document);
    EXPECT_EQ(state.title, L"Second");
    ASSERT_EQ(state.pictures.size(), 1u);
    EXPECT_EQ(state.pictures[0].path, m_workFolder + L"only.bmp");
}

TEST_F(PlayerDocumentTest, LeftoversInTheWorkFolderAreRemovedByTheNextLoad)
{
    ASSERT_TRUE(CreateDirectoryW(m_workFolder.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(m_workFolder + L"read-only.jpg", Pattern(3, 1)));
    SetFileAttributesW((m_workFolder + L"read-only.jpg").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(WriteFileBytes(m_workFolder + L"hidden.jpg", Pattern(3, 2)));
    SetFileAttributesW((m_workFolder + L"hidden.jpg").c_str(), FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(CreateDirectoryW((m_workFolder + L"sub").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(m_workFolder + L"sub\\inner.bin", Pattern(3, 3)));

    CPlayerDocument document;
    ASSERT_EQ(document.Load(WriteDocument(SlideShow())), S_OK);
    EXPECT_EQ(FolderListing(m_workFolder), SlideShowFiles());
}

TEST_F(PlayerDocumentTest, FileHeldOpenInTheWorkFolderFailsTheLoad)
{
    CPlayerDocument document;
    ASSERT_EQ(document.Load(WriteDocument(SlideShow())), S_OK);
    {
        // What a graph that still plays the voice track does.
        UniqueFile held(CreateFileW((m_workFolder + L"ZEL.TMV").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held.IsValid());
        EXPECT_EQ(document.Load(WriteDocument(SlideShow(), L"again.kav")), E_FAIL);
        EXPECT_EQ(FolderListing(m_workFolder), std::vector<std::wstring>{L"ZEL.TMV"});
    }
    EXPECT_EQ(document.Load(WriteDocument(SlideShow(), L"again.kav")), S_OK);
}

TEST_F(PlayerDocumentTest, LoadLeavesTheCurrentFolderAndDestructionRemovesTheWorkFolder)
{
    const std::wstring path = WriteDocument(SlideShow());
    const std::wstring before = CurrentFolder();
    {
        CPlayerDocument document;
        ASSERT_EQ(document.Load(path), S_OK);
        ASSERT_EQ(document.Load(path), S_OK) << "a load over a filled work folder";
        EXPECT_EQ(CurrentFolder(), before);
        EXPECT_TRUE(PathExists(m_workFolder));
    }
    EXPECT_FALSE(PathExists(m_workFolder));
    EXPECT_EQ(CurrentFolder(), before);
}

TEST_F(PlayerDocumentTest, HostileNamesAreRefusedAndNothingLeavesTheWorkFolder)
{
    const std::wstring escape = GetTempFolder() + L"escape.jpg";
    DeleteFileW(escape.c_str());
    const Bytes good = DocumentBytes(SlideShow());
    CPlayerDocument document;
    for (const wchar_t* name : {L"..\\escape.jpg", L"../escape.jpg", escape.c_str(), L"CON", L"a:b"}) {
        Bytes bytes = good;
        SetEntryName(bytes, 3, name);
        EXPECT_EQ(document.Load(WriteScratch(L"hostile.kav", bytes)), E_FAIL) << testing::PrintToString(std::wstring(name));
        EXPECT_TRUE(FolderListing(m_workFolder).empty()) << "refused before anything is copied";
    }
    EXPECT_FALSE(PathExists(escape));

    // An index that would show a picture from outside the work folder.
    TestDocument source = SlideShow();
    source.index = IndexBytes(source.records);
    SetRecordName(source.index, 3, "..\\x.jpg");
    EXPECT_EQ(document.Load(WriteDocument(source)), E_FAIL);
    EXPECT_TRUE(StateOf(document).pictures.empty());
}

TEST_F(PlayerDocumentTest, OwnWorkFolderMustLieInsideTheTemporaryFolder)
{
    const std::wstring path = WriteDocument(SlideShow());
    const std::wstring own = GetTempFolder() + L"kav-document-own\\";
    {
        CPlayerDocument document(own);
        ASSERT_EQ(document.Load(path), S_OK);
        EXPECT_EQ(document.WorkFolder(), own);
        EXPECT_EQ(FolderListing(own), SlideShowFiles());
        EXPECT_FALSE(PathExists(m_workFolder));
    }
    EXPECT_FALSE(PathExists(own));

    // A folder elsewhere holds someone's files: it is neither emptied nor filled.
    const std::wstring keep = Scratch(L"keep\\");
    ASSERT_TRUE(CreateDirectoryW(keep.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(keep + L"mine.bin", Pattern(2, 2)));
    for (const std::wstring& folder : {std::wstring(L"C:\\"), GetTempFolder(), keep + L"..\\..\\", std::wstring(L"rel\\"),
                                       std::wstring(L"")}) {
        {
            CPlayerDocument document(folder);
            EXPECT_EQ(document.Load(path), E_FAIL) << testing::PrintToString(folder);
        }
        EXPECT_EQ(FolderListing(keep), std::vector<std::wstring>{L"mine.bin"});
    }
    EXPECT_TRUE(PathExists(Scratch(L"doc.kav")));
}

TEST_F(PlayerDocumentTest, ResetForgetsTheDocumentButKeepsTheFolder)
{
    CPlayerDocument document;
    ASSERT_EQ(document.Load(WriteDocument(SlideShow())), S_OK);
    EXPECT_EQ(document.Reset(), S_OK);
    const DocumentState state = StateOf(document);
    EXPECT_EQ(state.title, L"");
    EXPECT_EQ(state.voicePath, L"");
    EXPECT_TRUE(state.pictures.empty());
    EXPECT_EQ(FolderListing(m_workFolder), SlideShowFiles());
}

TEST(PictureLookups, EmptyListHasNoPictureAndNoTimes)
{
    const std::vector<PictureEntry> none;
    for (int p : {0, 1, 100}) {
        EXPECT_EQ(PictureCandidate(none, p), L"");
        EXPECT_EQ(NextPictureTime(none, p), 0);
        EXPECT_EQ(PreviousPictureTime(none, p), 0);
    }
}

TEST(PictureLookups, OnePictureBeforeAtAndAfterItsStart)
{
    const std::vector<PictureEntry> one = {{5999, L"a"}};  // starts at second 5
    EXPECT_EQ(PictureCandidate(one, 4), L"") << "before the first period";
    EXPECT_EQ(NextPictureTime(one, 4), 5);
    EXPECT_EQ(PreviousPictureTime(one, 4), 0);
    EXPECT_EQ(PictureCandidate(one, 5), L"a") << "a start second equal to the position counts as started";
    EXPECT_EQ(NextPictureTime(one, 5), 0);
    EXPECT_EQ(PreviousPictureTime(one, 5), 0);
    EXPECT_EQ(PictureCandidate(one, 6), L"a");
    EXPECT_EQ(NextPictureTime(one, 6), 0) << "after the last period";
    EXPECT_EQ(PreviousPictureTime(one, 6), 5);
}

TEST(PictureLookups, WalksFollowListOrderAndStopAtTheFirstLaterEntry)
{
    const std::vector<PictureEntry> list = {{0, L"a"}, {999, L"b"}, {3000, L""}, {4000, L"c"}, {4500, L"d"}, {9000, L"e"}};
    EXPECT_EQ(PictureCandidate(list, 0), L"b") << "of entries at the same second the last one";
    EXPECT_EQ(NextPictureTime(list, 0), 3);
    EXPECT_EQ(PreviousPictureTime(list, 0), 0);
    EXPECT_EQ(PictureCandidate(list, 3), L"") << "a no-picture period";
    EXPECT_EQ(PictureCandidate(list, 4), L"d");
    EXPECT_EQ(NextPictureTime(list, 4), 9);
    EXPECT_EQ(PreviousPictureTime(list, 4), 3);
    EXPECT_EQ(PreviousPictureTime(list, 5), 4);
    EXPECT_EQ(PreviousPictureTime(list, 100), 9);
    EXPECT_EQ(NextPictureTime(list, 9), 0);

    // Out of order: the walks do not see past the first entry that starts later.
    const std::vector<PictureEntry> unsorted = {{5000, L"a"}, {2000, L"b"}, {8000, L"c"}};
    EXPECT_EQ(PictureCandidate(unsorted, 3), L"");
    EXPECT_EQ(NextPictureTime(unsorted, 3), 5);
    EXPECT_EQ(PreviousPictureTime(unsorted, 3), 0);
    EXPECT_EQ(PictureCandidate(unsorted, 6), L"b");
    EXPECT_EQ(PreviousPictureTime(unsorted, 6), 2);
}
