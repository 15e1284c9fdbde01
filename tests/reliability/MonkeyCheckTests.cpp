// The random run's work-folder check, against the folder a sound player leaves and the folders
// a faulty one could leave: a stray file, an item missing, another document's index.
#include "tests/reliability/FuzzCases.h"
#include "tests/reliability/MonkeyRun.h"
#include "tests/reliability/ReliabilitySupport.h"

#include "document/PlayerDocument.h"
#include "document/WorkFolder.h"

#include <gtest/gtest.h>

TEST(MonkeyChecks, TheWorkFolderCheckSeesAStrayFileAMissingItemAndAnotherIndex)
{
    CComScope com;
    const std::wstring root = GetTempFolder() + L"kavmonkey-check-test\\";
    CleanUpFolder(root);
    ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((root + L"parts\\").c_str(), nullptr));
    const std::wstring path = root + L"check.kav";
    ASSERT_TRUE(WriteFileBytes(path, MakeDocument(root + L"parts\\", {{false, true, L"one.jpg", 0}, {false, true, L"two.jpg", 2000}},
                                                  L"Check.tmv", EncodeTones(true, 1, 0, 24000),
                                                  {{L"one.jpg", Bytes(300, 1)}, {L"two.jpg", Bytes(200, 2)}})));
    {
        CPlayerDocument expected(root + L"expected\\");
        CPlayerDocument shown(root + L"shown\\");
        ASSERT_EQ(expected.Load(path), S_OK);
        ASSERT_EQ(shown.Load(path), S_OK);
        const std::wstring work = shown.WorkFolder();
        EXPECT_EQ(WorkFolderDifference(work, expected.WorkFolder()), "");
        EXPECT_NE(WorkFolderDifference(work, L""), "") << "a document's items where none is open";

        ASSERT_TRUE(WriteFileBytes(work + L"stray.txt", {1}));
        EXPECT_NE(WorkFolderDifference(work, expected.WorkFolder()).find("extra stray.txt"), std::string::npos);
        ASSERT_TRUE(DeleteFileW((work + L"stray.txt").c_str()));
        ASSERT_TRUE(DeleteFileW((work + L"two.jpg").c_str()));
        EXPECT_NE(WorkFolderDifference(work, expected.WorkFolder()).find("missing two.jpg"), std::string::npos);
        ASSERT_TRUE(CopyFileW((expected.WorkFolder() + L"two.jpg").c_str(), (work + L"two.jpg").c_str(), FALSE));

        Bytes index = ReadFileBytes(work + L"ZEL.PIN");
        ASSERT_FALSE(index.empty());
        index.back() ^= 0xFF;
        ASSERT_TRUE(WriteFileBytes(work + L"ZEL.PIN", index));
        EXPECT_EQ(WorkFolderDifference(work, expected.WorkFolder()), "its index differs");
    }
    EXPECT_EQ(WorkFolderDifference(root + L"shown\\", L""), "") << "no folder at all holds nothing";
    CleanUpFolder(root);
}
