// The container reader's tests and result codes, the picture index reader, the writer's layout
// and refusals, and the one check of plain file names.
#include "tests/document/DocumentTestSupport.h"

#include "base/Handles.h"
#include "document/ContainerFormat.h"
#include "document/ContainerReader.h"
#include "document/ContainerWriter.h"
#include "document/PictureIndex.h"

#include <windows.h>

namespace {
class ContainerTest : public DocumentTest {
protected:
    // The reader's result for a container holding `bytes`.
    HRESULT ReadBytes(const Bytes& bytes)
    {
        CContainerReader reader;
        const HRESULT hr = reader.Read(WriteScratch(L"edited.kav", bytes));
        if (FAILED(hr)) {
            EXPECT_EQ(reader.File(), INVALID_HANDLE_VALUE) << "a failed read keeps no file";
            EXPECT_TRUE(reader.Directory().voice.name.empty()) << "a failed read keeps no directory";
        }
        return hr;
    }
    // LoadIndex's result for an index file holding `bytes`.
    HRESULT LoadIndexBytes(const Bytes& bytes, std::vector<IndexRecord>* records = nullptr)
    {
        CPictureIndex index;
        const HRESULT hr = index.LoadIndex(WriteScratch(L"edited.pin", bytes));
        std::vector<IndexRecord> read{NoPictureRecord(1)};
        index.GetRecords(read);
        if (FAILED(hr)) {
            EXPECT_TRUE(read.empty()) << "a failed LoadIndex keeps no records";
        }
        if (records) *records = read;
        return hr;
    }
};
}  // namespace

TEST_F(ContainerTest, ReadsTheDirectoryAsWritten)
{
    TestDocument document = SlideShow();
    document.pictures.push_back({L"third.gif", Pattern(10, 4)});
    const std::wstring path = WriteDocument(document);

    CContainerReader reader;
    ASSERT_EQ(reader.Read(path), S_OK);
    ASSERT_NE(reader.File(), INVALID_HANDLE_VALUE);
    const ContainerDirectory& directory = reader.Directory();
    // Three pictures: five entries, and the first item right behind the directory.
    EXPECT_EQ(directory.index.offset, 2672u);
    EXPECT_EQ(directory.index.size, IndexBytes(document.records).size());
    EXPECT_EQ(directory.voice.name, L"Lecture.tmv");
    EXPECT_EQ(directory.voice.offset, directory.index.offset + directory.index.size);
    EXPECT_EQ(directory.voice.size, 1000u);
    ASSERT_EQ(directory.pictures.size(), 3u);
    EXPECT_EQ(directory.pictures[0].name, L"first.jpg");
    EXPECT_EQ(directory.pictures[1].name, L"second.png");
    EXPECT_EQ(directory.pictures[2].name, L"third.gif");
    EXPECT_EQ(directory.pictures[0].offset, directory.voice.offset + 1000);
    EXPECT_EQ(directory.pictures[2].size, 10u);

    const Bytes bytes = ReadFileBytes(path);
    EXPECT_EQ(bytes.size(), directory.pictures[2].offset + 10u);
    const Bytes voice(bytes.begin() + directory.voice.offset, bytes.begin() + directory.voice.offset + 1000);
    EXPECT_EQ(voice, document.voice);
    reader.Close();
    EXPECT_EQ(reader.File(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(reader.Directory().pictures.size(), 3u) << "closing keeps the directory";
}

TEST_F(ContainerTest, WriterLeavesUninterpretedFieldsZero)
{
    const Bytes bytes = DocumentBytes(SlideShow());
    ASSERT_GE(bytes.size(), EntryAt(4));
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "ZELF");
    EXPECT_EQ(bytes[4], 0x00);
    EXPECT_EQ(bytes[5], 0x01) << "version 256 is stored as 00 01";
    for (std::size_t at : {6, 7}) EXPECT_EQ(bytes[at], 0) << at;
    for (std::size_t at = 14; at < 32; ++at) EXPECT_EQ(bytes[at], 0) << at;
    for (std::size_t entry = 0; entry < 4; ++entry)
        for (std::size_t at = EntryAt(entry) + 520; at < EntryAt(entry + 1); ++at) EXPECT_EQ(bytes[at], 0) << at;
}

TEST_F(ContainerTest, EveryHeaderTestFailsWithEFail)
{
    const Bytes good = DocumentBytes(SlideShow());
    ASSERT_EQ(ReadBytes(good), S_OK);

    struct Edit {
        const char* what;
        std::size_t at;
        std::uint16_t value;
    };
    const Edit edits[] = {
        {"magic ZELX", 2, 'L' | ('X' << 8)},
        {"version 257", 4, 257},
        {"version 0", 4, 0},
        {"header size 33", 8, 33},
        {"header size 0", 8, 0},
        {"entry count 0", 10, 0},
        {"entry count 1", 10, 1},
        {"entry count 32768", 10, 32768},
        {"entry count 65535", 10, 65535},
        {"entry size 527", 12, 527},
        {"entry size 529", 12, 529},
    };
    for (const Edit& edit : edits) {
        Bytes bytes = good;
        PutLe16(bytes, edit.at, edit.value);
        EXPECT_EQ(ReadBytes(bytes), E_FAIL) << edit.what;
    }
    Bytes lower = good;
    PutLe16(lower, 0, 'z' | ('e' << 8));
    PutLe16(lower, 2, 'l' | ('f' << 8));
    EXPECT_EQ(ReadBytes(lower), E_FAIL) << "zelf";
}

TEST_F(ContainerTest, UninterpretedFieldsAcceptAnyValue)
{
    Bytes bytes = DocumentBytes(SlideShow());
    PutLe16(bytes, 6, 0xFFFF);
    for (std::size_t at = 14; at < 32; ++at) bytes[at] = 0xA5;
    for (std::size_t entry = 0; entry < 4; ++entry)
        for (std::size_t at = EntryAt(entry) + 520; at < EntryAt(entry + 1); ++at) bytes[at] = 0x5A;
    // Text after a name's NUL is ignored.
    PutLe16(bytes, EntryAt(1) + 2 * 12, L'x');
    EXPECT_EQ(ReadBytes(bytes), S_OK);
}

TEST_F(ContainerTest, ShortReadsFailWithEFail)
{
    const Bytes good = DocumentBytes(SlideShow());
    // Inside the magic, each header field, the 18 bytes, and each of an entry's four fields.
    for (std::size_t length : {0, 3, 5, 7, 9, 11, 13, 31, 32, 100, 543, 547, 551, 559, 560, 2143}) {
        const Bytes cut(good.begin(), good.begin() + length);
        EXPECT_EQ(ReadBytes(cut), E_FAIL) << "cut at " << length;
    }
    // A directory that ends where the items would start is complete.
    const Bytes directoryOnly(good.begin(), good.begin() + EntryAt(4));
    EXPECT_EQ(ReadBytes(directoryOnly), S_OK);
}

TEST_F(ContainerTest, EntryCountDecidesHowManyEntriesAreRead)
{
    TestDocument none;
    const Bytes two = DocumentBytes(none);
    CContainerReader reader;
    ASSERT_EQ(reader.Read(WriteScratch(L"two.kav", two)), S_OK);
    EXPECT_TRUE(reader.Directory().pictures.empty());
    reader.Close();

    // An entry count beyond the entries present runs into the end of the file.
    Bytes more(two.begin(), two.begin() + EntryAt(2));
    PutLe16(more, 10, 3);
    EXPECT_EQ(ReadBytes(more), E_FAIL);
    Bytes most = two;
    PutLe16(most, 10, 32767);
    EXPECT_EQ(ReadBytes(most), E_FAIL);
}

TEST_F(ContainerTest, NameFieldWithoutNulFailsWithEFail)
{
    const Bytes good = DocumentBytes(SlideShow());
    for (std::size_t entry : {0, 1, 3}) {
        Bytes bytes = good;
        for (std::size_t unit = 0; unit < 256; ++unit) PutLe16(bytes, EntryAt(entry) + 2 * unit, L'a');
        EXPECT_EQ(ReadBytes(bytes), E_FAIL) << "entry " << entry;
    }
    // 255 units of text and the NUL in the last unit is the longest name.
    Bytes longest = good;
    SetEntryName(longest, 1, std::wstring(255, L'v'));
    CContainerReader reader;
    ASSERT_EQ(reader.Read(WriteScratch(L"longest.kav", longest)), S_OK);
    EXPECT_EQ(reader.Directory().voice.name.size(), 255u);
}

TEST_F(ContainerTest, PictureNamesThatAreNotPlainFileNamesAreRefused)
{
    const Bytes good = DocumentBytes(SlideShow());
    for (const wchar_t* name : {L"", L"..\\escape.jpg", L"sub\\a.jpg", L"../escape.jpg", L"C:\\escape.jpg", L"C:a.jpg",
                                L"a.jpg:stream", L".", L"..", L"CON", L"nul.jpg", L"com1", L"LPT9.png", L"a?.jpg",
                                L"a*.jpg", L"a<b", L"a|b", L"a\"b", L"tab\t.jpg", L"trailing.", L"trailing "}) {
        Bytes bytes = good;
        SetEntryName(bytes, 3, name);
        EXPECT_EQ(ReadBytes(bytes), E_FAIL) << "picture name \"" << testing::PrintToString(std::wstring(name)) << "\"";
    }
    // Only picture names become files: the index and voice entries may carry any text.
    Bytes other = good;
    SetEntryName(other, 0, L"");
    SetEntryName(other, 1, L"..\\any\\voice.tmv");
    EXPECT_EQ(ReadBytes(other), S_OK);
}

TEST(PlainFileName, AcceptsOrdinaryNamesOnly)
{
    for (const wchar_t* name : {L"a.jpg", L"ZEL.TMV", L"picture 1.png", L".hidden", L"x", L"cone.d", L"COM0", L"COM10",
                                L"LPT", L"CONSOLE.jpg", L"..a", L"a..b", L"\u00e9t\u00e9.jpg"})
        EXPECT_TRUE(IsPlainFileName(name)) << testing::PrintToString(std::wstring(name));
    for (const wchar_t* name : {L"", L".", L"..", L"a/b", L"a\\b", L"c:", L"PRN", L"aux.txt", L"Nul", L"NUL .txt",
                                L"COM9.a.b", L"con.d", L"lpt1", L"CONIN$", L"a\x1f", L"a>b", L"x.jpg.", L" "})
        EXPECT_FALSE(IsPlainFileName(name)) << testing::PrintToString(std::wstring(name));
}

TEST_F(ContainerTest, UnopenableContainerFailsWithEFail)
{
    CContainerReader reader;
    EXPECT_EQ(reader.Read(m_scratch), E_FAIL) << "a folder is no container";

    const std::wstring path = WriteDocument(SlideShow());
    UniqueFile writer(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer.IsValid());
    EXPECT_EQ(reader.Read(path), E_FAIL) << "a file another program holds without sharing";
    writer.Reset();
    EXPECT_EQ(reader.Read(path), S_OK);

    // The reader shares the file with other readers.
    UniqueFile other(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(other.IsValid());
}

TEST_F(ContainerTest, IndexReadsRecordsInFileOrder)
{
    const std::vector<IndexRecord> written = {PictureRecord(9000, L"late.jpg"), ReferenceRecord(0, L"ref.jpg"),
                                              NoPictureRecord(4000), PictureRecord(0x7FFFFFFF, L"twelve45.jpg"),
                                              ReferenceRecord(12)};
    std::vector<IndexRecord> read;
    ASSERT_EQ(LoadIndexBytes(IndexBytes(written), &read), S_OK);
    ASSERT_EQ(read.size(), written.size());
    for (std::size_t i = 0; i < written.size(); ++i) {
        EXPECT_EQ(read[i].isReference, written[i].isReference) << i;
        EXPECT_EQ(read[i].hasPicture, written[i].hasPicture) << i;
        EXPECT_EQ(read[i].name, written[i].name) << i;
        EXPECT_EQ(read[i].time, written[i].time) << i;
    }
}

TEST_F(ContainerTest, IndexLayoutIsBigEndian)
{
    const Bytes bytes = IndexBytes({PictureRecord(0x01020304, L"a.jpg"), NoPictureRecord(5)});
    ASSERT_EQ(bytes.size(), 96u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "PIND");
    EXPECT_EQ(Bytes(bytes.begin() + 16, bytes.begin() + 24), (Bytes{0, 0, 0, 1, 0, 32, 0, 32}));
    EXPECT_EQ(bytes[RecordAt(0)], 'P');
    EXPECT_EQ(bytes[RecordAt(0) + 1], 0);
    EXPECT_EQ(Bytes(bytes.begin() + RecordAt(0) + 12, bytes.begin() + RecordAt(0) + 16), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(std::string(bytes.begin() + RecordAt(0) + 16, bytes.begin() + RecordAt(0) + 22), std::string("a.jpg\0", 6));
    EXPECT_NE(bytes[RecordAt(1) + 1], 0) << "no-picture flag";
}

TEST_F(ContainerTest, EveryIndexTestFailsWithEFail)
{
    const Bytes good = IndexBytes({PictureRecord(0, L"a.jpg"), ReferenceRecord(10)});
    ASSERT_EQ(LoadIndexBytes(good), S_OK);

    struct Edit {
        const char* what;
        std::size_t at;
        std::uint8_t value;
    };
    const Edit edits[] = {
        {"lower-case magic", 0, 'p'},
        {"header size 33", 21, 33},
        {"first record offset 31", 23, 31},
        {"first record offset 64", 23, 64},
        {"kind 'p'", RecordAt(0), 'p'},
        {"kind 'r'", RecordAt(1), 'r'},
        {"kind 0", RecordAt(1), 0},
    };
    for (const Edit& edit : edits) {
        Bytes bytes = good;
        bytes[edit.at] = edit.value;
        EXPECT_EQ(LoadIndexBytes(bytes), E_FAIL) << edit.what;
    }
    CPictureIndex index;
    EXPECT_EQ(index.LoadIndex(Scratch(L"missing.pin")), E_FAIL);
}

TEST_F(ContainerTest, IndexUninterpretedFieldsAcceptAnyValue)
{
    Bytes bytes = IndexBytes({PictureRecord(0, L"a.jpg"), ReferenceRecord(10)});
    for (std::size_t at = 4; at < 16; ++at) bytes[at] = 0xEE;
    for (std::size_t at = 24; at < 32; ++at) bytes[at] = 0xEE;
    for (std::size_t record = 0; record < 2; ++record) {
        for (std::size_t at = RecordAt(record) + 2; at < RecordAt(record) + 12; ++at) bytes[at] = 0x77;
        for (std::size_t at = RecordAt(record) + 29; at < RecordAt(record) + 32; ++at) bytes[at] = 0x77;
    }
    bytes.insert(bytes.end(), 40, 0xCC);  // bytes behind the last record are ignored
    EXPECT_EQ(LoadIndexBytes(bytes), S_OK);
}

TEST_F(ContainerTest, ShortIndexReadsMissingBytesAsZero)
{
    const Bytes good = IndexBytes({PictureRecord(0x10203040, L"a.jpg"), ReferenceRecord(0x50607080, L"b.jpg")});
    // Within the first 24 bytes the magic, header size or first record offset reads as zero.
    for (std::size_t length : {0, 3, 4, 20, 21, 22, 23})
        EXPECT_EQ(LoadIndexBytes(Bytes(good.begin(), good.begin() + length)), E_FAIL) << "cut at " << length;
    // Without the last record its kind reads as zero.
    EXPECT_EQ(LoadIndexBytes(Bytes(good.begin(), good.begin() + RecordAt(1))), E_FAIL);
    // With only the last record's kind byte, the rest of that record reads as zero.
    std::vector<IndexRecord> records;
    ASSERT_EQ(LoadIndexBytes(Bytes(good.begin(), good.begin() + RecordAt(1) + 1), &records), S_OK);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].time, 0u);
    EXPECT_EQ(records[1].name, L"");
    // Cut inside the time: its missing low bytes read as zero.
    ASSERT_EQ(LoadIndexBytes(Bytes(good.begin(), good.begin() + RecordAt(1) + 14), &records), S_OK);
    EXPECT_EQ(records[1].time, 0x50600000u);
    // A picture record cut off after its kind byte has a zero flag and no name: it starts a
    // period without a picture at 0 instead of refusing the index.
    Bytes picture = good;
    picture[RecordAt(1)] = 'P';
    ASSERT_EQ(LoadIndexBytes(Bytes(picture.begin(), picture.begin() + RecordAt(1) + 1), &records), S_OK);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_FALSE(records[1].isReference);
    EXPECT_FALSE(records[1].hasPicture);
    EXPECT_EQ(records[1].time, 0u);
}

TEST_F(ContainerTest, IndexRecordCountComesFromTheHeader)
{
    Bytes bytes = IndexBytes({ReferenceRecord(0), ReferenceRecord(1), ReferenceRecord(2)});
    std::vector<IndexRecord> records;
    PutBe32(bytes, 16, 0);
    ASSERT_EQ(LoadIndexBytes(bytes, &records), S_OK);
    EXPECT_EQ(records.size(), 1u) << "N = 0 holds exactly one record";

    // A count far beyond what the file holds fails at the first missing record, without first
    // taking memory for the count.
    PutBe32(bytes, 16, 0x7FFFFFFF);
    EXPECT_EQ(LoadIndexBytes(bytes), E_FAIL);
    PutBe32(bytes, 16, 0xFFFFFFFF);
    EXPECT_EQ(LoadIndexBytes(bytes), E_FAIL) << "a count that reads as negative";
}

TEST_F(ContainerTest, IndexNamesMustEndInTheirFieldAndBePlainForShownPictures)
{
    const Bytes good = IndexBytes({PictureRecord(0, L"a.jpg"), NoPictureRecord(10), ReferenceRecord(20)});
    std::vector<IndexRecord> records;

    Bytes longest = good;
    SetRecordName(longest, 0, "abcdefgh.jpg");
    ASSERT_EQ(LoadIndexBytes(longest, &records), S_OK);
    EXPECT_EQ(records[0].name, L"abcdefgh.jpg") << "12 bytes and the NUL fill the field";

    Bytes unterminated = good;
    SetRecordName(unterminated, 0, "abcdefgh.jpeg");
    EXPECT_EQ(LoadIndexBytes(unterminated), E_FAIL) << "13 bytes leave no room for the NUL";

    for (const char* name : {"..\\x.jpg", "c:x.jpg", "/x.jpg", "nul", "x.jpg.", "sub\\x.jpg"}) {
        Bytes bytes = good;
        SetRecordName(bytes, 0, name);
        EXPECT_EQ(LoadIndexBytes(bytes), E_FAIL) << "shown picture \"" << name << "\"";
    }
    // Records that show no picture are not files: their names are not looked at.
    Bytes unused = good;
    SetRecordName(unused, 1, "..\\x.jpg");
    SetRecordName(unused, 2, "c:\\x.jpg");
    EXPECT_EQ(LoadIndexBytes(unused), S_OK);
}

TEST_F(ContainerTest, BuildPictureIndexRefusesWhatTheReaderCouldNotUse)
{
    Bytes bytes;
    EXPECT_EQ(BuildPictureIndex({}, bytes), E_INVALIDARG);
    EXPECT_EQ(BuildPictureIndex({PictureRecord(0, L"abcdefghi.jpg")}, bytes), E_INVALIDARG) << "13 bytes";
    EXPECT_EQ(BuildPictureIndex({PictureRecord(0, L"")}, bytes), E_INVALIDARG);
    EXPECT_EQ(BuildPictureIndex({PictureRecord(0, L"..\\a.jpg")}, bytes), E_INVALIDARG);
    EXPECT_EQ(BuildPictureIndex({PictureRecord(0, L"\u4e2d.jpg")}, bytes), E_INVALIDARG)
        << "a character the ANSI code page cannot hold (the test prefix runs code page 1252)";
    EXPECT_EQ(BuildPictureIndex({PictureRecord(0, std::wstring(L"a\0b", 3))}, bytes), E_INVALIDARG);
    EXPECT_EQ(BuildPictureIndex({NoPictureRecord(0), ReferenceRecord(1)}, bytes), S_OK) << "names are optional there";
    EXPECT_EQ(BuildPictureIndex({PictureRecord(0, L"\u00e9t\u00e9.jpg")}, bytes), S_OK);
}

TEST_F(ContainerTest, WriterRefusesNamesAndCountsTheReaderWouldRefuse)
{
    TestDocument document = SlideShow();
    for (const wchar_t* name : {L"..\\escape.jpg", L"a/b.jpg", L"CON", L"", L"x."}) {
        TestDocument bad = document;
        bad.pictures[0].name = name;
        ContainerContent content;
        content.index = IndexBytes(bad.records);
        content.voiceName = bad.voiceName;
        content.voicePath = WriteScratch(L"voice", bad.voice);
        content.pictures = {{name, WriteScratch(L"picture", bad.pictures[0].bytes)}};
        EXPECT_EQ(WriteContainer(Scratch(L"bad.kav"), content), E_INVALIDARG) << testing::PrintToString(std::wstring(name));
        EXPECT_FALSE(PathExists(Scratch(L"bad.kav")));
    }
    ContainerContent content;
    content.index = IndexBytes(document.records);
    content.voiceName = std::wstring(256, L'v');
    content.voicePath = WriteScratch(L"voice", document.voice);
    EXPECT_EQ(WriteContainer(Scratch(L"bad.kav"), content), E_INVALIDARG) << "a name without room for its NUL";

    content.voiceName = L"voice.tmv";
    content.pictures.assign(32766, {L"p.jpg", WriteScratch(L"picture", Pattern(1, 0))});
    EXPECT_EQ(WriteContainer(Scratch(L"bad.kav"), content), E_INVALIDARG) << "32768 entries";
    EXPECT_FALSE(PathExists(Scratch(L"bad.kav")));
}

TEST_F(ContainerTest, FailedWriteKeepsTheEarlierFileAndLeavesNoTemporaryFile)
{
    const std::wstring path = WriteDocument(SlideShow());
    const Bytes before = ReadFileBytes(path);
    const std::vector<std::wstring> listing = FolderListing(m_scratch);

    ContainerContent content;
    content.index = IndexBytes(SlideShow().records);
    content.voiceName = L"voice.tmv";
    content.voicePath = Scratch(L"no-such-voice");
    EXPECT_EQ(WriteContainer(path, content), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_EQ(FolderListing(m_scratch), listing);

    // A source that cannot be opened once writing has begun.
    content.voicePath = Scratch(L"source-voice");
    content.pictures = {{L"first.jpg", Scratch(L"source-picture-0")}};
    {
        UniqueFile held(CreateFileW(content.pictures[0].sourcePath.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held.IsValid());
        EXPECT_EQ(WriteContainer(path, content), HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION));
    }
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_EQ(FolderListing(m_scratch), listing);
    content.pictures.clear();

    // A successful write replaces the earlier file.
    content.voicePath = WriteScratch(L"new-voice", Pattern(5, 9));
    const std::vector<std::wstring> withVoice = FolderListing(m_scratch);
    ASSERT_EQ(WriteContainer(path, content), S_OK);
    EXPECT_NE(ReadFileBytes(path), before);
    EXPECT_EQ(FolderListing(m_scratch), withVoice);
}
