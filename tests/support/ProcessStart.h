#pragma once
// Starting the programs under test. Under Wine a process start has been seen to fail, rarely, on
// a busy machine, which says nothing about the program being started: the start is tried again
// a few times, and each failure is reported on the test's error output.

#include <windows.h>
#include <string>

// CreateProcessW with the given command line (which the call may change), handle inheritance
// and start-up information, tried up to three times. Returns false with the last error set
// when every try failed.
bool StartProcess(const std::wstring& exe, std::wstring& commandLine, bool inheritHandles, STARTUPINFOW& startup,
                  PROCESS_INFORMATION& process);
