#pragma once
// The .kav container: a 32-byte header, a directory of 528-byte entries (index, voice track,
// then the pictures) and the items' bytes at the offsets the directory gives. Container numbers
// are little-endian; the picture index inside it is big-endian.

#include <cstdint>
#include <string>
#include <vector>

namespace container {
constexpr char kMagic[] = "ZELF";
constexpr std::int16_t kVersion = 256;
constexpr std::int16_t kHeaderSize = 32;
constexpr std::int16_t kEntrySize = 528;
constexpr std::int16_t kMinEntryCount = 2;
constexpr std::uint32_t kNameUnits = 256;   // UTF-16 code units in an entry's name field
constexpr std::uint32_t kMaxItemBytes = 0x7FFFFFFF;
}  // namespace container

namespace pictureindex {
constexpr char kMagic[] = "PIND";
constexpr std::int16_t kHeaderSize = 32;
constexpr std::int16_t kFirstRecordOffset = 32;
constexpr std::uint32_t kRecordSize = 32;
constexpr std::uint32_t kNameBytes = 13;    // 12 bytes of text and the NUL
constexpr char kKindPicture = 'P';
constexpr char kKindReference = 'R';
}  // namespace pictureindex

// One item of the container: its name and where its bytes lie.
struct ContainerItem {
    std::wstring name;
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};

// What reading a container's directory yields: entry 0, entry 1 and the pictures in order.
struct ContainerDirectory {
    ContainerItem index;
    ContainerItem voice;
    std::vector<ContainerItem> pictures;
};

// True for a name that can only ever mean a file directly inside a folder: not empty, not "."
// or "..", no path separators, drive or stream colons, wildcard or control characters, no
// trailing dot or space, and not a reserved device name (CON, NUL, COM1, ...). Items are written
// under such names in the work folder, so anything else could reach outside it.
bool IsPlainFileName(const std::wstring& name);
