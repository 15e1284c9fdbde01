#pragma once
// The tool's output. Text goes to a console window as UTF-16 and to anything else (a pipe, a
// file) as UTF-8, so a redirected report reads the same whatever the code page.

#include <string>

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

// Writes `line` and a line break to standard output or standard error.
void PrintOut(const std::wstring& line);
void PrintError(const std::wstring& line);
