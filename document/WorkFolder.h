#pragma once
// The work folder: one folder under the user's temporary folder into which a document's items
// are copied (index as ZEL.PIN, voice track as ZEL.TMV, pictures under their own names).

#include "document/ContainerFormat.h"

#include <windows.h>
#include <string>

constexpr wchar_t kIndexFileName[] = L"ZEL.PIN";
constexpr wchar_t kVoiceFileName[] = L"ZEL.TMV";
constexpr std::uint32_t kCopyChunkSize = 1000000;

// The user's temporary folder with its trailing backslash; empty when the system reports none
// or one too long for a path buffer.
std::wstring GetTempFolder();
// The player's work folder, the temporary folder followed by "ZEL\"; empty when there is no
// usable temporary folder.
std::wstring GetWorkFolderPath();

// Deletes everything inside `folder` (a path with its trailing backslash), then the folder
// itself. Links and other reparse points inside it are removed, never followed. The current
// folder is left as it was. S_OK, E_FAIL, or E_UNEXPECTED.
HRESULT CleanUpFolder(const std::wstring& folder);

// Copies the items of an open, checked container into `folder` (with its trailing backslash):
// the index to ZEL.PIN, the voice track to ZEL.TMV in pieces of kCopyChunkSize bytes, then each
// picture under its entry name. Items together larger than 2 GiB (overlapping ones) are
// refused before anything is written. S_OK, E_FAIL or E_OUTOFMEMORY; files written before a
// failure stay in the folder.
HRESULT CopyContainerItems(HANDLE container, const ContainerDirectory& directory, const std::wstring& folder);
