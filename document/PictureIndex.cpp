#include "document/PictureIndex.h"

#include "base/ByteOrder.h"
#include "base/Result.h"
#include "document/ContainerFormat.h"
#include "document/FileIo.h"

#include <cstring>

namespace {
// Index fields are read into zeroed buffers and the count delivered is not compared: bytes
// beyond the end of the file read as zero. Only a failing read is an error.
class CIndexFieldReader {
public:
    explicit CIndexFieldReader(HANDLE file) : m_file(file) {}

    void Read(void* buffer, DWORD size)
    {
        std::memset(buffer, 0, size);
        DWORD read = 0;
        Check(ReadFile(m_file, buffer, size, &read, nullptr) != FALSE);
    }
    std::uint8_t ReadByte()
    {
        std::uint8_t value;
        Read(&value, 1);
        return value;
    }
    std::uint16_t ReadUInt16()
    {
        std::uint8_t bytes[2];
        Read(bytes, sizeof(bytes));
        return LoadBe16(bytes);
    }
    std::uint32_t ReadUInt32()
    {
        std::uint8_t bytes[4];
        Read(bytes, sizeof(bytes));
        return LoadBe32(bytes);
    }
    void Skip(DWORD size)
    {
        std::uint8_t unused[16];
        Read(unused, size);
    }

private:
    HANDLE m_file;
};

// Returns the count of further records, N.
std::int32_t ReadHeader(CIndexFieldReader& reader)
{
    char magic[4];
    reader.Read(magic, sizeof(magic));
    Check(AnsiToWide(magic, sizeof(magic)) == L"PIND");
    reader.ReadByte();
    reader.ReadByte();
    reader.ReadUInt16();
    reader.ReadUInt16();
    reader.Skip(6);
    const auto further = static_cast<std::int32_t>(reader.ReadUInt32());
    Check(static_cast<std::int16_t>(reader.ReadUInt16()) == pictureindex::kHeaderSize);
    Check(static_cast<std::int16_t>(reader.ReadUInt16()) == pictureindex::kFirstRecordOffset);
    reader.ReadUInt16();
    // A count that reads as negative is no count of records.
    Check(further >= 0);
    return further;
}

IndexRecord ReadRecord(CIndexFieldReader& reader)
{
    const std::uint8_t kind = reader.ReadByte();
    Check(kind == pictureindex::kKindReference || kind == pictureindex::kKindPicture);
    IndexRecord record;
    record.isReference = kind == pictureindex::kKindReference;
    record.hasPicture = reader.ReadByte() == 0;
    reader.Skip(10);
    record.time = reader.ReadUInt32();
    char name[pictureindex::kNameBytes];
    reader.Read(name, sizeof(name));
    const void* end = std::memchr(name, '\0', sizeof(name));
    Check(end != nullptr);
    record.name = AnsiToWide(name, static_cast<int>(static_cast<const char*>(end) - name));
    reader.Skip(3);
    // A record that names no picture starts a period without one, as a record cut off after
    // its kind byte reads: stored files hold such records, and refusing them would refuse the
    // whole document.
    if (record.name.empty()) record.hasPicture = false;
    // The name of a shown picture becomes a path in the work folder, so it must be a plain
    // file name like the container's own picture entries.
    if (!record.isReference && record.hasPicture) Check(IsPlainFileName(record.name));
    return record;
}
}  // namespace

HRESULT CPictureIndex::LoadIndex(const std::wstring& path)
{
    m_records.clear();
    const HRESULT hr = RunOperation([&] {
        UniqueFile file = OpenFileForReading(path);
        Check(file.IsValid());
        Check(SeekTo(file.Get(), 0));
        CIndexFieldReader reader(file.Get());
        const std::int32_t further = ReadHeader(reader);
        Check(SeekTo(file.Get(), pictureindex::kFirstRecordOffset));
        // Records are appended as they are read and never reserved from the count: a count
        // that the file does not back ends at the first missing record (its kind reads as 0).
        for (std::int64_t i = 0; i <= further; ++i) m_records.push_back(ReadRecord(reader));
    });
    if (FAILED(hr)) m_records.clear();
    return hr;
}

HRESULT CPictureIndex::GetRecords(std::vector<IndexRecord>& records) const
{
    records = m_records;
    return S_OK;
}
