#include "document/WorkFolder.h"

#include "base/Result.h"
#include "document/FileIo.h"

#include <shlwapi.h>
#include <algorithm>
#include <new>
#include <vector>

std::wstring GetTempFolder()
{
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetTempPathW(MAX_PATH, buffer);
    // 0 is a failure and MAX_PATH or more the size of a path that did not fit. Neither names a
    // folder, and any stand-in (a relative path, a guessed drive) would put the work folder,
    // and what its clean-up deletes, somewhere nobody chose.
    if (length == 0 || length >= MAX_PATH) return {};
    std::wstring folder(buffer, length);
    if (PathIsRelativeW(folder.c_str())) return {};
    if (folder.back() != L'\\') folder += L'\\';
    return folder;
}

std::wstring GetWorkFolderPath()
{
    const std::wstring temp = GetTempFolder();
    return temp.empty() ? std::wstring() : temp + L"ZEL\\";
}

namespace {
constexpr DWORD kAttributesToReset = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;

// Empties `folder` (with its trailing backslash) and removes it. Links and other reparse points
// are removed themselves and never entered, so nothing outside the folder is touched. A file
// that cannot be deleted is passed over; it shows when the folder cannot be removed.
void RemoveFolderTree(const std::wstring& folder)
{
    {
        WIN32_FIND_DATAW found;
        UniqueFind find(FindFirstFileW((folder + L"*").c_str(), &found));
        Check(find.IsValid());
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + name;
            const DWORD attributes = found.dwFileAttributes;
            const bool isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                if (isFolder)
                    RemoveDirectoryW(path.c_str());
                else
                    DeleteFileW(path.c_str());
            } else if (isFolder) {
                RemoveFolderTree(path + L'\\');
            } else {
                if (attributes & kAttributesToReset) Check(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL));
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(find.Get(), &found));
    }
    Check(RemoveDirectoryW(folder.c_str()));
}

std::vector<std::uint8_t> TakeBuffer(std::uint32_t size)
{
    try {
        return std::vector<std::uint8_t>(size);
    } catch (const std::bad_alloc&) {
        throw HResultError(E_OUTOFMEMORY);
    }
}

// An item must lie wholly inside the container, and below 2 GiB where file positions are
// signed 32-bit numbers.
void CheckItemInside(const ContainerItem& item, std::uint64_t containerSize)
{
    Check(item.offset <= container::kMaxItemBytes && item.size <= container::kMaxItemBytes);
    Check(std::uint64_t(item.offset) + item.size <= containerSize);
}

// The index and the pictures are read whole before their file is created.
void CopyWhole(HANDLE container, const ContainerItem& item, const std::wstring& target)
{
    Check(SeekTo(container, item.offset));
    std::vector<std::uint8_t> buffer = TakeBuffer(item.size);
    Check(ReadExactly(container, buffer.data(), item.size));
    UniqueFile out = CreateFileForWriting(target);
    Check(out.IsValid());
    Check(WriteExactly(out.Get(), buffer.data(), item.size));
}

// The voice track, the one large item, goes through one buffer of at most kCopyChunkSize bytes.
void CopyInPieces(HANDLE container, const ContainerItem& item, const std::wstring& target)
{
    Check(SeekTo(container, item.offset));
    UniqueFile out = CreateFileForWriting(target);
    Check(out.IsValid());
    std::vector<std::uint8_t> buffer = TakeBuffer(std::min(item.size, kCopyChunkSize));
    for (std::uint32_t remaining = item.size; remaining > 0;) {
        const DWORD piece = std::min(remaining, kCopyChunkSize);
        Check(ReadExactly(container, buffer.data(), piece));
        Check(WriteExactly(out.Get(), buffer.data(), piece));
        remaining -= piece;
    }
}
}  // namespace

HRESULT CleanUpFolder(const std::wstring& folder)
{
    return RunOperation([&] {
        Check(!folder.empty());
        const std::wstring path = folder.back() == L'\\' ? folder : folder + L'\\';
        const DWORD attributes = GetFileAttributesW(path.c_str());
        Check(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
        // A folder that is itself a link goes as a link; its target is someone else's.
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
            Check(RemoveDirectoryW(path.c_str()));
        else
            RemoveFolderTree(path);
    });
}

HRESULT CopyContainerItems(HANDLE container, const ContainerDirectory& directory, const std::wstring& folder)
{
    return RunOperation([&] {
        // Names and item bounds are checked before the first file is written, so a directory
        // that points outside the container or outside the folder leaves nothing behind.
        LARGE_INTEGER size;
        Check(GetFileSizeEx(container, &size));
        const std::uint64_t containerSize = static_cast<std::uint64_t>(size.QuadPart);
        CheckItemInside(directory.index, containerSize);
        CheckItemInside(directory.voice, containerSize);
        std::uint64_t total = std::uint64_t(directory.index.size) + directory.voice.size;
        for (const ContainerItem& picture : directory.pictures) {
            Check(IsPlainFileName(picture.name));
            CheckItemInside(picture, containerSize);
            total += picture.size;
        }
        // Items may overlap, so a container of a megabyte can name thousands of pictures that
        // each span all of it: what is copied out stays below the largest container there is.
        Check(total <= container::kMaxItemBytes);

        CopyWhole(container, directory.index, folder + kIndexFileName);
        CopyInPieces(container, directory.voice, folder + kVoiceFileName);
        for (const ContainerItem& picture : directory.pictures) CopyWhole(container, picture, folder + picture.name);
    });
}
