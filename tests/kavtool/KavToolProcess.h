#pragma once
// Runs kavtool.exe (beside the test program) as a child process and collects what it printed.

#include <windows.h>
#include <string>
#include <vector>

struct ToolRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::wstring out;  // standard output, decoded from UTF-8
    std::wstring err;  // standard error, decoded from UTF-8
};

// Runs kavtool with the given arguments, each quoted as the C runtime parses it back.
ToolRun RunKavTool(const std::vector<std::wstring>& args);

// The lines of a text, without their line breaks.
std::vector<std::wstring> Lines(const std::wstring& text);
