#pragma once
// File-system helpers of the commands: tests on input paths and temporary files that either
// move into place complete or vanish.

#include "base/FullPath.h"
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

bool IsExistingFile(const std::wstring& path);
bool IsExistingFolder(const std::wstring& path);
// Ends the command with "PATH: no such file" unless `path` names an existing file.
void RequireInputFile(const std::wstring& path);
// Which file a path reaches, whatever name, case or link leads there.
struct FileIdentity {
    std::uint32_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FileIdentity& other) const { return volume == other.volume && index == other.index; }
};
std::optional<FileIdentity> IdentifyFile(const std::wstring& path);
// True when both paths reach the same existing file.
bool IsSameFile(const std::wstring& a, const std::wstring& b);

std::wstring FileNamePart(const std::wstring& path);
// Whether the file name ends in `extension` (".wav"), compared without regard to case.
bool HasExtension(const std::wstring& path, const wchar_t* extension);
std::uint64_t FileSize(const std::wstring& path);
// Up to `size` bytes from the start of the file; fewer when the file is shorter or unreadable.
std::vector<std::uint8_t> ReadFileStart(const std::wstring& path, std::size_t size);

// A file of a unique name in a folder, created empty. It is deleted when its owner goes,
// unless it has been moved into place: so an output is written under this name first, and a
// failed command never leaves half a file, nor destroys an earlier one, under the real name.
class CTemporaryFile {
public:
    explicit CTemporaryFile(const std::wstring& folder);
    // A temporary file in the same folder as `target`, so that the move is a rename.
    static CTemporaryFile Beside(const std::wstring& target);
    CTemporaryFile(CTemporaryFile&& other) noexcept : m_path(std::move(other.m_path)) { other.m_path.clear(); }
    CTemporaryFile(const CTemporaryFile&) = delete;
    CTemporaryFile& operator=(const CTemporaryFile&) = delete;
    ~CTemporaryFile();

    const std::wstring& Path() const { return m_path; }
    // Replaces `target` with the file. Ends the command when that fails.
    void MoveTo(const std::wstring& target);

private:
    std::wstring m_path;
};
