#pragma once
// Writes .kav containers and picture indexes: the items after the directory, zeros in every
// field the reader does not interpret. Used by the command-line tool and by the tests.

#include "document/PictureIndex.h"

#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

// The bytes of a picture index holding `records` in the given order. Names are converted to
// the ANSI code page and must fit 12 bytes; a record without a picture may have an empty name.
// S_OK or E_INVALIDARG (no records, or a name that does not fit or convert).
HRESULT BuildPictureIndex(const std::vector<IndexRecord>& records, std::vector<std::uint8_t>& bytes);

struct ContainerPicture {
    std::wstring name;        // entry name, the file name the picture is extracted under
    std::wstring sourcePath;  // file whose bytes become the item
};

struct ContainerContent {
    std::vector<std::uint8_t> index;   // the picture index's bytes (see BuildPictureIndex)
    std::wstring voiceName;            // entry name of the voice track; the title is its stem
    std::wstring voicePath;            // file whose bytes become the voice track
    std::vector<ContainerPicture> pictures;
};

// Writes the container to `outPath`. The file is built beside it under a temporary name and
// moved into place only when complete, so a failed write never leaves a partial document or
// destroys an earlier one. S_OK; E_INVALIDARG for names that are not plain file names, too many
// pictures or a container of 2 GiB or more; a platform code when a file cannot be read or written.
HRESULT WriteContainer(const std::wstring& outPath, const ContainerContent& content);
