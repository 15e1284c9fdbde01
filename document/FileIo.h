#pragma once
// The few file operations the container code repeats: opening for reading or writing, moving
// to an absolute offset, and reads and writes that must move the full count.

#include "base/Handles.h"

#include <windows.h>
#include <cstdint>
#include <string>

// Opens an existing file for reading while allowing other readers; an invalid owner on failure.
UniqueFile OpenFileForReading(const std::wstring& path);
// Creates (or replaces) a file for writing, shared with nobody; an invalid owner on failure.
UniqueFile CreateFileForWriting(const std::wstring& path);

// Moves to an absolute offset. Offsets of 2^31 or more are refused, as the container's are.
bool SeekTo(HANDLE file, std::uint32_t offset);
// True when the read succeeds and delivers exactly `size` bytes.
bool ReadExactly(HANDLE file, void* buffer, DWORD size);
// True when the write succeeds and writes exactly `size` bytes.
bool WriteExactly(HANDLE file, const void* buffer, DWORD size);

// Text in the ANSI code page of the current thread's locale, converted to UTF-16.
std::wstring AnsiToWide(const char* text, int length);
