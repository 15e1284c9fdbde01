#pragma once
// Shared pieces of the document tests: a scratch folder under the temporary folder, folder
// listings, documents built with the project's own writer, and byte edits for the broken cases.

#include "document/ContainerWriter.h"
#include "document/PictureIndex.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

// Names directly inside `folder`, sorted; subfolders end with a backslash.
std::vector<std::wstring> FolderListing(const std::wstring& folder);
std::wstring CurrentFolder();

// Where directory entry `entry` and index record `record` start.
constexpr std::size_t EntryAt(std::size_t entry) { return 32 + 528 * entry; }
constexpr std::size_t RecordAt(std::size_t record) { return 32 + 32 * record; }
// Writes `name` and a NUL into entry `entry`'s name field.
void SetEntryName(Bytes& container, std::size_t entry, const std::wstring& name);
// Writes `name` (single-byte text, up to 13 bytes, the rest zeroed) into a record's name field.
void SetRecordName(Bytes& index, std::size_t record, const std::string& name);

IndexRecord PictureRecord(std::uint32_t time, const std::wstring& name);
IndexRecord NoPictureRecord(std::uint32_t time);
IndexRecord ReferenceRecord(std::uint32_t time, const std::wstring& name = L"");
Bytes IndexBytes(const std::vector<IndexRecord>& records);

struct TestPicture {
    std::wstring name;
    Bytes bytes;
};

struct TestDocument {
    std::vector<IndexRecord> records{NoPictureRecord(0)};
    std::wstring voiceName = L"Lecture.tmv";
    Bytes voice = Pattern(1000, 1);
    std::vector<TestPicture> pictures;
    // Replaces the index built from `records` when set (for broken indexes).
    Bytes index;
};

// A document with two pictures, a reference record and a no-picture period.
TestDocument SlideShow();

// Gives each test an empty scratch folder and leaves neither it nor the player's work folder
// behind.
class DocumentTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::wstring Scratch(const std::wstring& name) const { return m_scratch + name; }
    // Writes the document's sources and its container into the scratch folder.
    std::wstring WriteDocument(const TestDocument& document, const std::wstring& name = L"doc.kav");
    Bytes DocumentBytes(const TestDocument& document);
    std::wstring WriteScratch(const std::wstring& name, const Bytes& bytes);

    std::wstring m_scratch;
    std::wstring m_workFolder;
};
