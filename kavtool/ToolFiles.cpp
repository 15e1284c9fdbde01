#include "kavtool/ToolFiles.h"

#include "base/Handles.h"
#include "base/Result.h"
#include "kavtool/CommandLine.h"

#include <windows.h>
#include <shlwapi.h>

namespace {
UniqueFile OpenForQuery(const std::wstring& path)
{
    return UniqueFile(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::wstring FolderOf(const std::wstring& path)
{
    const std::wstring full = FullPathOf(path);
    return full.substr(0, static_cast<std::size_t>(PathFindFileNameW(full.c_str()) - full.c_str()));
}
}  // namespace

bool IsExistingFile(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsExistingFolder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void RequireInputFile(const std::wstring& path)
{
    if (IsExistingFolder(path)) FailWithFile(path, L"is a folder, not a file");
    if (!IsExistingFile(path)) FailWithFile(path, L"no such file");
}

std::optional<FileIdentity> IdentifyFile(const std::wstring& path)
{
    const UniqueFile file = OpenForQuery(path);
    BY_HANDLE_FILE_INFORMATION information{};
    if (!file || !GetFileInformationByHandle(file.Get(), &information)) return std::nullopt;
    return FileIdentity{information.dwVolumeSerialNumber,
                        (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
}

bool IsSameFile(const std::wstring& a, const std::wstring& b)
{
    const std::optional<FileIdentity> first = IdentifyFile(a);
    return first && first == IdentifyFile(b);
}

std::wstring FileNamePart(const std::wstring& path)
{
    return PathFindFileNameW(path.c_str());
}

bool HasExtension(const std::wstring& path, const wchar_t* extension)
{
    return lstrcmpiW(PathFindExtensionW(path.c_str()), extension) == 0;
}

std::uint64_t FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::vector<std::uint8_t> ReadFileStart(const std::wstring& path, std::size_t size)
{
    const UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::vector<std::uint8_t> bytes(size);
    DWORD read = 0;
    if (!file || !ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(size), &read, nullptr)) read = 0;
    bytes.resize(read);
    return bytes;
}

CTemporaryFile::CTemporaryFile(const std::wstring& folder)
{
    wchar_t path[MAX_PATH];
    if (!GetTempFileNameW(folder.c_str(), L"kav", 0, path))
        FailWithFile(folder, L"cannot create a temporary file there", HResultFromLastError());
    m_path = path;
}

CTemporaryFile CTemporaryFile::Beside(const std::wstring& target)
{
    return CTemporaryFile(FolderOf(target));
}

CTemporaryFile::~CTemporaryFile()
{
    if (!m_path.empty()) DeleteFileW(m_path.c_str());
}

void CTemporaryFile::MoveTo(const std::wstring& target)
{
    if (!MoveFileExW(m_path.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        FailWithFile(target, L"cannot be replaced", HResultFromLastError());
    m_path.clear();
}
