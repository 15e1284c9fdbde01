// What the player remembers for the user between runs: where each document was left and the
// documents opened last. Each test keeps its stores under a registry key of its own.
#include "framework/Resources.h"
#include "player/RecentDocuments.h"
#include "player/ResumeStore.h"
#include "resources/ResourceIds.h"
#include "ui/ClockTime.h"
#include <gtest/gtest.h>
#include <fstream>

namespace {
class SettingsStore : public testing::Test {
protected:
    void SetUp() override
    {
        const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        m_key = L"Software\\Tesmar\\Kavora Player Tests\\" + std::wstring(name.begin(), name.end());
        RegDeleteTreeW(HKEY_CURRENT_USER, m_key.c_str());
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, m_key.c_str()); }

    const std::wstring& Key() const { return m_key; }
    // Writes a raw entry into the resume store's key, as a damaged or foreign value would be.
    void WriteRawResumeEntry(const std::wstring& name, DWORD type, const void* data, DWORD size) const
    {
        const UniqueRegKey key = CreateUserKey(m_key + L"\\Resume Positions");
        ASSERT_TRUE(key);
        RegSetValueExW(key.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    }

private:
    std::wstring m_key;
};

DocumentIdentity Document(int number)
{
    return DocumentIdentity{L"C:\\Lessons\\talk" + std::to_wstring(number) + L".kav", 1000u + number, 77};
}

constexpr int kHour = 3600 * 1000;
}

TEST(ResumeRules, StartsAgainNearTheEdgesAndFormatsTheNotice)
{
    EXPECT_EQ(ResumePosition(2999, kHour), 0) << "the first 3 seconds";
    EXPECT_EQ(ResumePosition(3000, kHour), 3000);
    EXPECT_EQ(ResumePosition(kHour - 5001, kHour), kHour - 5001);
    EXPECT_EQ(ResumePosition(kHour - 5000, kHour), 0) << "the last 5 seconds";
    EXPECT_EQ(ResumePosition(kHour + 1, kHour), 0) << "beyond the end";
    EXPECT_EQ(ResumePosition(4000, 0), 0) << "no duration";

    EXPECT_EQ(FormatClockTime(0), L"0:00");
    EXPECT_EQ(FormatClockTime(12 * 60 + 4), L"12:04");
    EXPECT_EQ(FormatClockTime(3599), L"59:59");
    EXPECT_EQ(FormatClockTime(3600 + 2 * 60 + 3), L"1:02:03");

    const UniqueModule module(LoadLibraryExW(L"ZEL.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module);
    SetResourceModule(module.Get());
    EXPECT_EQ(ResumedAtText((12 * 60 + 4) * 1000 + 999), L"Resumed at 12:04");
    EXPECT_EQ(ResumedAtText(kHour + 62 * 1000), L"Resumed at 1:01:02");
    SetResourceModule(nullptr);
}

TEST(ResumeRules, IdentifiesAFileByItsFullPathSizeAndTime)
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring file = std::wstring(folder) + L"kavora-identity-test.kav";
    std::ofstream(file.c_str(), std::ios::binary) << "twelve bytes";
    const std::optional<DocumentIdentity> identity = IdentifyDocument(file);
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->path, file);
    EXPECT_EQ(identity->size, 12u);
    EXPECT_NE(identity->lastWrite, 0u);
    DeleteFileW(file.c_str());
    EXPECT_FALSE(IdentifyDocument(file)) << "a file that is gone";
    EXPECT_FALSE(IdentifyDocument(folder)) << "a folder";
}

TEST_F(SettingsStore, ResumesTheSameFileInAnyCaseButNotAChangedOne)
{
    CResumeStore store(Key());
    const DocumentIdentity talk = Document(1);
    EXPECT_EQ(store.Recall(talk, kHour), 0) << "never opened";
    store.Remember(talk, 724000, kHour);
    EXPECT_EQ(CResumeStore(Key()).Recall(talk, kHour), 724000) << "kept for the next run";

    DocumentIdentity otherCase = talk;
    otherCase.path = L"c:\\LESSONS\\Talk1.KAV";
    EXPECT_EQ(store.Recall(otherCase, kHour), 724000);
    DocumentIdentity resized = talk;
    ++resized.size;
    EXPECT_EQ(store.Recall(resized, kHour), 0);
    DocumentIdentity rewritten = talk;
    ++rewritten.lastWrite;
    EXPECT_EQ(store.Recall(rewritten, kHour), 0);
    EXPECT_EQ(store.Recall(talk, 700000), 0) << "the remembered place is beyond this duration";

    store.Remember(talk, kHour - 2000, kHour);
    EXPECT_EQ(store.Recall(talk, kHour), 0) << "played to the end: the next opening starts again";
}

TEST_F(SettingsStore, KeepsTheHundredDocumentsLeftLast)
{
    CResumeStore store(Key());
    for (int i = 0; i < 100; ++i) store.Remember(Document(i), 10000 + i, kHour);
    store.Remember(Document(0), 20000, kHour); // left again: now the most recent
    store.Remember(Document(100), 30000, kHour);
    EXPECT_EQ(store.Recall(Document(0), kHour), 20000);
    EXPECT_EQ(store.Recall(Document(1), kHour), 0) << "the oldest goes first";
    EXPECT_EQ(store.Recall(Document(2), kHour), 10002);
    EXPECT_EQ(store.Recall(Document(100), kHour), 30000);
}

TEST_F(SettingsStore, IgnoresDamagedEntriesAndKeepsTheOthers)
{
    CResumeStore store(Key());
    store.Remember(Document(1), 60000, kHour);
    const DWORD text = 0x41414141;
    WriteRawResumeEntry(Document(2).path, REG_DWORD, &text, sizeof(text));
    const BYTE shortEntry[5] = {};
    WriteRawResumeEntry(Document(3).path, REG_BINARY, shortEntry, sizeof(shortEntry));
    const BYTE longEntry[64] = {};
    WriteRawResumeEntry(Document(200).path, REG_BINARY, longEntry, sizeof(longEntry));
    const struct {
        ULONGLONG size, lastWrite, sequence;
        LONGLONG positionMs;
    } negative{Document(4).size, Document(4).lastWrite, 1, -50000};
    WriteRawResumeEntry(Document(4).path, REG_BINARY, &negative, sizeof(negative));

    for (const int i : {2, 3, 4, 200}) EXPECT_EQ(store.Recall(Document(i), kHour), 0) << "entry " << i;
    EXPECT_EQ(store.Recall(Document(1), kHour), 60000);
    for (int i = 5; i < 103; ++i) store.Remember(Document(i), 10000, kHour);
    EXPECT_EQ(store.Recall(Document(1), kHour), 60000) << "damaged entries are forgotten before any good one";
    EXPECT_EQ(store.Recall(Document(102), kHour), 10000);
    EXPECT_EQ(store.Recall(Document(5), kHour), 10000);
}

TEST_F(SettingsStore, RecentDocumentsComeMostRecentFirstWithoutRepeats)
{
    CRecentDocuments recent(Key());
    EXPECT_TRUE(recent.Paths().empty());
    for (int i = 1; i <= 9; ++i) recent.Add(Document(i).path);
    recent.Add(L"C:\\LESSONS\\TALK5.kav");
    const std::vector<std::wstring> expected = {L"C:\\LESSONS\\TALK5.kav", Document(9).path, Document(8).path,
                                                Document(7).path,         Document(6).path, Document(4).path,
                                                Document(3).path,         Document(2).path};
    EXPECT_EQ(recent.Paths(), expected) << "eight at most, the oldest dropped, one entry per document";
    EXPECT_EQ(CRecentDocuments(Key()).Paths(), expected) << "kept for the next run";

    recent.Remove(L"c:\\lessons\\talk9.kav");
    EXPECT_EQ(CRecentDocuments(Key()).Paths().size(), 7u);
}

TEST_F(SettingsStore, RecentDocumentsForgetFilesThatAreGone)
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring kept = std::wstring(folder) + L"kavora-recent-kept.kav";
    std::ofstream(kept.c_str()).put('x');
    CRecentDocuments recent(Key());
    recent.Add(kept);
    recent.Add(std::wstring(folder) + L"kavora-recent-gone.kav");
    EXPECT_TRUE(recent.RemoveMissing());
    EXPECT_EQ(CRecentDocuments(Key()).Paths(), std::vector<std::wstring>{kept});
    EXPECT_FALSE(recent.RemoveMissing());
    DeleteFileW(kept.c_str());
}

TEST_F(SettingsStore, RecentDocumentsMenuNumbersTheFileNames)
{
    const UniqueModule module(LoadLibraryExW(L"ZEL.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module);
    SetResourceModule(module.Get());
    const auto caption = [](HMENU menu, int position) {
        wchar_t text[MAX_PATH] = {};
        GetMenuStringW(menu, position, text, MAX_PATH, MF_BYPOSITION);
        return std::wstring(text);
    };

    const UniqueMenu empty(CreatePopupMenu());
    AppendRecentDocumentItems(empty.Get(), {});
    ASSERT_EQ(GetMenuItemCount(empty.Get()), 1);
    EXPECT_EQ(caption(empty.Get(), 0), L"No recent documents");
    EXPECT_TRUE(GetMenuState(empty.Get(), 0, MF_BYPOSITION) & MF_GRAYED);

    std::vector<std::wstring> paths;
    for (int i = 1; i <= 8; ++i) paths.push_back(Document(i).path);
    paths[1] = L"C:\\Q&A\\Q&A.kav";
    const UniqueMenu menu(CreatePopupMenu());
    AppendRecentDocumentItems(menu.Get(), paths);
    ASSERT_EQ(GetMenuItemCount(menu.Get()), 8);
    EXPECT_EQ(caption(menu.Get(), 0), L"&1 talk1.kav");
    EXPECT_EQ(caption(menu.Get(), 1), L"&2 Q&&A.kav") << "the name's own ampersand is no access key";
    EXPECT_EQ(caption(menu.Get(), 7), L"&8 talk8.kav");
    for (int i = 0; i < 8; ++i) {
        const UINT command = GetMenuItemID(menu.Get(), i);
        EXPECT_EQ(command, static_cast<UINT>(ID_MENU_RECENT_FIRST + i));
        EXPECT_EQ(RecentDocumentIndex(command).value_or(99), static_cast<size_t>(i));
    }
    EXPECT_FALSE(RecentDocumentIndex(ID_MENU_RECENT_NONE));
    SetResourceModule(nullptr);
}
