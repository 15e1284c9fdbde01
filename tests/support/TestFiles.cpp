#include "tests/support/TestFiles.h"

#include "base/ByteOrder.h"
#include "base/Handles.h"

#include <windows.h>
#include <stdexcept>

namespace {
std::uint8_t* Field(Bytes& bytes, std::size_t at, std::size_t size)
{
    if (at > bytes.size() || size > bytes.size() - at) throw std::out_of_range("a field past the end of the bytes");
    return bytes.data() + at;
}
}  // namespace

Bytes Pattern(std::size_t size, std::uint8_t seed)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + seed + (i >> 8));
    return bytes;
}

void PutLe16(Bytes& bytes, std::size_t at, std::uint16_t value) { StoreLe16(Field(bytes, at, 2), value); }
void PutLe32(Bytes& bytes, std::size_t at, std::uint32_t value) { StoreLe32(Field(bytes, at, 4), value); }
void PutBe32(Bytes& bytes, std::size_t at, std::uint32_t value) { StoreBe32(Field(bytes, at, 4), value); }

bool WriteFileBytes(const std::wstring& path, const Bytes& bytes)
{
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && (bytes.empty() || WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                               nullptr)) && written == bytes.size();
}

Bytes ReadFileBytes(const std::wstring& path)
{
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                0, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.Get(), &size)) return {};
    Bytes bytes(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty()) ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    return bytes;
}

bool PathExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
