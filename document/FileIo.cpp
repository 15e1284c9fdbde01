#include "document/FileIo.h"

#include "document/ContainerFormat.h"

UniqueFile OpenFileForReading(const std::wstring& path)
{
    return UniqueFile(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

UniqueFile CreateFileForWriting(const std::wstring& path)
{
    return UniqueFile(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
}

bool SeekTo(HANDLE file, std::uint32_t offset)
{
    if (offset > container::kMaxItemBytes) return false;
    return SetFilePointer(file, static_cast<LONG>(offset), nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
}

bool ReadExactly(HANDLE file, void* buffer, DWORD size)
{
    if (size == 0) return true;
    DWORD read = 0;
    return ReadFile(file, buffer, size, &read, nullptr) && read == size;
}

bool WriteExactly(HANDLE file, const void* buffer, DWORD size)
{
    if (size == 0) return true;
    DWORD written = 0;
    return WriteFile(file, buffer, size, &written, nullptr) && written == size;
}

std::wstring AnsiToWide(const char* text, int length)
{
    if (length == 0) return {};
    const int units = MultiByteToWideChar(CP_THREAD_ACP, 0, text, length, nullptr, 0);
    if (units <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_THREAD_ACP, 0, text, length, wide.data(), units);
    return wide;
}
