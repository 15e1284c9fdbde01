#include "document/ContainerWriter.h"

#include "base/ByteOrder.h"
#include "base/Handles.h"
#include "base/Result.h"
#include "document/ContainerFormat.h"
#include "document/FileIo.h"
#include "document/WorkFolder.h"

#include <shlwapi.h>
#include <algorithm>
#include <cstring>
#include <iterator>

namespace {
constexpr std::size_t kDirectoryEntryOffsetField = 512;
constexpr std::size_t kIndexRecordTimeField = 12;
constexpr std::size_t kIndexRecordNameField = 16;
constexpr std::uint32_t kMaxEntryCount = 0x7FFF;

// Throws the call's own error code when a platform call reports failure.
void CheckWin32(bool succeeded)
{
    if (!succeeded) throw HResultError(HResultFromLastError());
}

// A record's picture name in the ANSI code page: at most 12 bytes that read back as the same
// name, so no character is replaced by a look-alike that would name another file.
std::string IndexName(const IndexRecord& record)
{
    if (!record.isReference && record.hasPicture) Check(IsPlainFileName(record.name), E_INVALIDARG);
    if (record.name.empty()) return {};
    const int units = static_cast<int>(record.name.size());
    char bytes[pictureindex::kNameBytes - 1];
    const int length = WideCharToMultiByte(CP_ACP, 0, record.name.c_str(), units, bytes, sizeof(bytes), nullptr, nullptr);
    Check(length > 0, E_INVALIDARG);
    wchar_t back[pictureindex::kNameBytes - 1];
    const int backUnits = MultiByteToWideChar(CP_ACP, 0, bytes, length, back, static_cast<int>(std::size(back)));
    Check(std::wstring(back, static_cast<std::size_t>(std::max(backUnits, 0))) == record.name, E_INVALIDARG);
    Check(std::memchr(bytes, '\0', static_cast<std::size_t>(length)) == nullptr, E_INVALIDARG);
    return std::string(bytes, static_cast<std::size_t>(length));
}

// An entry name the reader accepts and the work folder can hold: a plain file name that leaves
// room for its NUL in the 256-unit field.
void CheckEntryName(const std::wstring& name)
{
    Check(IsPlainFileName(name) && name.size() < container::kNameUnits, E_INVALIDARG);
}

std::uint64_t SourceSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    CheckWin32(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) != FALSE);
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

struct PlannedItem {
    std::wstring name;
    std::wstring sourcePath;   // empty for the index, which is written from memory
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};

// Places the index, the voice track and the pictures one after another behind the directory.
std::vector<PlannedItem> PlanItems(const ContainerContent& content)
{
    std::vector<PlannedItem> items;
    items.push_back({kIndexFileName, L"", 0, 0});
    items.push_back({content.voiceName, content.voicePath, 0, 0});
    for (const ContainerPicture& picture : content.pictures) items.push_back({picture.name, picture.sourcePath, 0, 0});
    Check(items.size() <= kMaxEntryCount, E_INVALIDARG);

    std::uint64_t offset = container::kHeaderSize + std::uint64_t(container::kEntrySize) * items.size();
    for (PlannedItem& item : items) {
        CheckEntryName(item.name);
        const std::uint64_t size = item.sourcePath.empty() ? content.index.size() : SourceSize(item.sourcePath);
        Check(offset + size <= container::kMaxItemBytes, E_INVALIDARG);
        item.offset = static_cast<std::uint32_t>(offset);
        item.size = static_cast<std::uint32_t>(size);
        offset += size;
    }
    return items;
}

std::vector<std::uint8_t> HeaderAndDirectory(const std::vector<PlannedItem>& items)
{
    std::vector<std::uint8_t> bytes(container::kHeaderSize + container::kEntrySize * items.size());
    std::memcpy(bytes.data(), container::kMagic, 4);
    StoreLe16(bytes.data() + 4, container::kVersion);
    StoreLe16(bytes.data() + 8, container::kHeaderSize);
    StoreLe16(bytes.data() + 10, static_cast<std::uint16_t>(items.size()));
    StoreLe16(bytes.data() + 12, container::kEntrySize);
    std::size_t at = container::kHeaderSize;
    for (const PlannedItem& item : items) {
        for (std::size_t i = 0; i < item.name.size(); ++i) StoreLe16(bytes.data() + at + 2 * i, item.name[i]);
        StoreLe32(bytes.data() + at + kDirectoryEntryOffsetField, item.offset);
        StoreLe32(bytes.data() + at + kDirectoryEntryOffsetField + 4, item.size);
        at += container::kEntrySize;
    }
    return bytes;
}

void WriteAll(HANDLE file, const void* data, std::size_t size)
{
    if (size == 0) return;
    DWORD written = 0;
    CheckWin32(WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) != FALSE);
    Check(written == size);
}

// Streams a source file into the container in pieces, so memory does not grow with its size.
// The file must still have the size the directory was planned with.
void AppendFile(HANDLE out, const PlannedItem& item, std::vector<std::uint8_t>& buffer)
{
    UniqueFile source = OpenFileForReading(item.sourcePath);
    CheckWin32(source.IsValid());
    for (std::uint32_t remaining = item.size; remaining > 0;) {
        const DWORD piece = std::min<std::uint32_t>(remaining, static_cast<std::uint32_t>(buffer.size()));
        DWORD read = 0;
        CheckWin32(ReadFile(source.Get(), buffer.data(), piece, &read, nullptr) != FALSE);
        Check(read == piece);
        WriteAll(out, buffer.data(), piece);
        remaining -= piece;
    }
}

// The container while it is written: a file beside the target under a unique name, deleted
// unless it is moved into place complete.
class CPendingContainer {
public:
    CPendingContainer() = default;
    CPendingContainer(const CPendingContainer&) = delete;
    CPendingContainer& operator=(const CPendingContainer&) = delete;
    ~CPendingContainer()
    {
        m_file.Reset();
        if (!m_path.empty()) DeleteFileW(m_path.c_str());
    }

    void Create(const std::wstring& target)
    {
        wchar_t folder[MAX_PATH] = {};
        Check(target.size() < MAX_PATH, E_INVALIDARG);
        target.copy(folder, MAX_PATH - 1);
        PathRemoveFileSpecW(folder);
        wchar_t name[MAX_PATH];
        CheckWin32(GetTempFileNameW(folder[0] ? folder : L".", L"kav", 0, name) != 0);
        m_path = name;
        m_file = CreateFileForWriting(m_path);
        CheckWin32(m_file.IsValid());
    }
    HANDLE File() const { return m_file.Get(); }

    void MoveInto(const std::wstring& target)
    {
        m_file.Reset();
        CheckWin32(MoveFileExW(m_path.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE);
        m_path.clear();
    }

private:
    std::wstring m_path;
    UniqueFile m_file;
};
}  // namespace

HRESULT BuildPictureIndex(const std::vector<IndexRecord>& records, std::vector<std::uint8_t>& bytes)
{
    return RunOperation([&] {
        Check(!records.empty() && records.size() - 1 <= 0x7FFFFFFF, E_INVALIDARG);
        std::vector<std::uint8_t> index(pictureindex::kHeaderSize + pictureindex::kRecordSize * records.size());
        std::memcpy(index.data(), pictureindex::kMagic, 4);
        StoreBe32(index.data() + 16, static_cast<std::uint32_t>(records.size() - 1));
        StoreBe16(index.data() + 20, pictureindex::kHeaderSize);
        StoreBe16(index.data() + 22, pictureindex::kFirstRecordOffset);
        std::size_t at = pictureindex::kFirstRecordOffset;
        for (const IndexRecord& record : records) {
            index[at] = record.isReference ? pictureindex::kKindReference : pictureindex::kKindPicture;
            index[at + 1] = record.hasPicture ? 0 : 1;
            StoreBe32(index.data() + at + kIndexRecordTimeField, record.time);
            const std::string name = IndexName(record);
            std::memcpy(&index[at + kIndexRecordNameField], name.data(), name.size());
            at += pictureindex::kRecordSize;
        }
        bytes = std::move(index);
    });
}

HRESULT WriteContainer(const std::wstring& outPath, const ContainerContent& content)
{
    return RunOperation([&] {
        const std::vector<PlannedItem> items = PlanItems(content);
        CPendingContainer pending;
        pending.Create(outPath);
        const std::vector<std::uint8_t> directory = HeaderAndDirectory(items);
        WriteAll(pending.File(), directory.data(), directory.size());
        WriteAll(pending.File(), content.index.data(), content.index.size());
        std::vector<std::uint8_t> buffer(kCopyChunkSize);
        for (std::size_t i = 1; i < items.size(); ++i) AppendFile(pending.File(), items[i], buffer);
        pending.MoveInto(outPath);
    });
}
