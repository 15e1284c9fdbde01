#include "document/ContainerReader.h"

#include "base/ByteOrder.h"
#include "base/Result.h"
#include "document/FileIo.h"

#include <cwchar>

namespace {
std::int16_t ReadInt16(HANDLE file)
{
    std::uint8_t bytes[2];
    Check(ReadExactly(file, bytes, sizeof(bytes)));
    return static_cast<std::int16_t>(LoadLe16(bytes));
}

std::uint32_t ReadUInt32(HANDLE file)
{
    std::uint8_t bytes[4];
    Check(ReadExactly(file, bytes, sizeof(bytes)));
    return LoadLe32(bytes);
}

void ReadMagic(HANDLE file)
{
    char magic[4];
    Check(ReadExactly(file, magic, sizeof(magic)));
    Check(AnsiToWide(magic, sizeof(magic)) == L"ZELF");
}

// One directory entry: a name field that must hold its NUL, the item's offset and size, and
// eight bytes that mean nothing to the player.
ContainerItem ReadEntry(HANDLE file)
{
    wchar_t name[container::kNameUnits];
    Check(ReadExactly(file, name, sizeof(name)));
    const wchar_t* end = std::wmemchr(name, L'\0', container::kNameUnits);
    Check(end != nullptr);

    ContainerItem item;
    item.name.assign(name, static_cast<std::size_t>(end - name));
    item.offset = ReadUInt32(file);
    item.size = ReadUInt32(file);
    std::uint8_t unused[8];
    Check(ReadExactly(file, unused, sizeof(unused)));
    return item;
}

ContainerDirectory ReadHeaderAndDirectory(HANDLE file)
{
    ReadMagic(file);
    Check(ReadInt16(file) == container::kVersion);
    ReadInt16(file);
    Check(ReadInt16(file) == container::kHeaderSize);
    const std::int16_t count = ReadInt16(file);
    Check(count >= container::kMinEntryCount);
    Check(ReadInt16(file) == container::kEntrySize);
    std::uint8_t unused[18];
    Check(ReadExactly(file, unused, sizeof(unused)));

    ContainerDirectory directory;
    directory.index = ReadEntry(file);
    directory.voice = ReadEntry(file);
    for (std::int16_t i = container::kMinEntryCount; i < count; ++i) {
        ContainerItem picture = ReadEntry(file);
        // The picture becomes a file of this name in the work folder: a name that is not a
        // plain file name could place it anywhere.
        Check(IsPlainFileName(picture.name));
        directory.pictures.push_back(std::move(picture));
    }
    return directory;
}
}  // namespace

HRESULT CContainerReader::Read(const std::wstring& path)
{
    Close();
    m_directory = ContainerDirectory();
    const HRESULT hr = RunOperation([&] {
        UniqueFile file = OpenFileForReading(path);
        Check(file.IsValid());
        m_directory = ReadHeaderAndDirectory(file.Get());
        m_file = std::move(file);
    });
    if (FAILED(hr)) m_directory = ContainerDirectory();
    return hr;
}

void CContainerReader::Close()
{
    m_file.Reset();
}
