#pragma once
// Reads and checks a container's header and directory, keeping the file open for the copying
// that follows. Every failed test gives E_FAIL; nothing is kept from a failed read.

#include "base/Handles.h"
#include "document/ContainerFormat.h"

#include <windows.h>
#include <string>

class CContainerReader {
public:
    // Opens the container at `path` and reads its header and directory. The path must exist
    // (the caller tests that first). S_OK, E_FAIL, or E_UNEXPECTED for any other failure.
    HRESULT Read(const std::wstring& path);

    const ContainerDirectory& Directory() const { return m_directory; }
    // The open container, positioned anywhere; valid after a successful Read until Close.
    HANDLE File() const { return m_file.Get(); }
    // Closes the container; the directory read stays available.
    void Close();

private:
    UniqueFile m_file;
    ContainerDirectory m_directory;
};
