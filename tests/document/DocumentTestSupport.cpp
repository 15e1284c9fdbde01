#include "tests/document/DocumentTestSupport.h"

#include "base/Handles.h"
#include "document/WorkFolder.h"

#include <windows.h>
#include <algorithm>
#include <cstring>

std::vector<std::wstring> FolderListing(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    UniqueFind find(FindFirstFileW((folder + L"*").c_str(), &found));
    if (!find) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        names.push_back(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? name + L'\\' : name);
    } while (FindNextFileW(find.Get(), &found));
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring CurrentFolder()
{
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, buffer);
    return std::wstring(buffer, length);
}

void SetEntryName(Bytes& container, std::size_t entry, const std::wstring& name)
{
    ASSERT_LT(name.size(), 256u);
    for (std::size_t i = 0; i <= name.size(); ++i)
        PutLe16(container, EntryAt(entry) + 2 * i, i < name.size() ? name[i] : 0);
}

void SetRecordName(Bytes& index, std::size_t record, const std::string& name)
{
    ASSERT_LE(name.size(), 13u);
    std::fill_n(&index.at(RecordAt(record) + 16), 13, 0);
    std::memcpy(&index.at(RecordAt(record) + 16), name.data(), name.size());
}

IndexRecord PictureRecord(std::uint32_t time, const std::wstring& name)
{
    return {false, true, name, time};
}

IndexRecord NoPictureRecord(std::uint32_t time)
{
    return {false, false, L"", time};
}

IndexRecord ReferenceRecord(std::uint32_t time, const std::wstring& name)
{
    return {true, !name.empty(), name, time};
}

Bytes IndexBytes(const std::vector<IndexRecord>& records)
{
    Bytes bytes;
    EXPECT_EQ(BuildPictureIndex(records, bytes), S_OK);
    return bytes;
}

TestDocument SlideShow()
{
    TestDocument document;
    document.records = {PictureRecord(0, L"first.jpg"), ReferenceRecord(1500, L"first.jpg"), NoPictureRecord(3000),
                        PictureRecord(5000, L"second.png")};
    document.pictures = {{L"first.jpg", Pattern(700, 2)}, {L"second.png", Pattern(1300, 3)}};
    return document;
}

void DocumentTest::SetUp()
{
    m_workFolder = GetWorkFolderPath();
    ASSERT_FALSE(m_workFolder.empty());
    m_scratch = GetTempFolder() + L"kav-document-tests\\";
    if (PathExists(m_scratch)) {
        ASSERT_EQ(CleanUpFolder(m_scratch), S_OK);
    }
    if (PathExists(m_workFolder)) {
        ASSERT_EQ(CleanUpFolder(m_workFolder), S_OK);
    }
    ASSERT_TRUE(CreateDirectoryW(m_scratch.c_str(), nullptr));
}

void DocumentTest::TearDown()
{
    if (PathExists(m_scratch)) {
        EXPECT_EQ(CleanUpFolder(m_scratch), S_OK);
    }
    if (PathExists(m_workFolder)) {
        EXPECT_EQ(CleanUpFolder(m_workFolder), S_OK);
    }
}

std::wstring DocumentTest::WriteScratch(const std::wstring& name, const Bytes& bytes)
{
    const std::wstring path = Scratch(name);
    EXPECT_TRUE(WriteFileBytes(path, bytes)) << "cannot write the test file";
    return path;
}

std::wstring DocumentTest::WriteDocument(const TestDocument& document, const std::wstring& name)
{
    ContainerContent content;
    content.index = document.index.empty() ? IndexBytes(document.records) : document.index;
    content.voiceName = document.voiceName;
    content.voicePath = WriteScratch(L"source-voice", document.voice);
    for (std::size_t i = 0; i < document.pictures.size(); ++i) {
        const TestPicture& picture = document.pictures[i];
        content.pictures.push_back({picture.name, WriteScratch(L"source-picture-" + std::to_wstring(i), picture.bytes)});
    }
    const std::wstring path = Scratch(name);
    EXPECT_EQ(WriteContainer(path, content), S_OK);
    return path;
}

Bytes DocumentTest::DocumentBytes(const TestDocument& document)
{
    return ReadFileBytes(WriteDocument(document, L"bytes.kav"));
}
