#pragma once
// Opening a document as the player does, for the commands that read one: in a work folder of
// this process's own, so that a running player's work folder is never touched, and with the
// player's result codes told in the same words by every command.

#include <windows.h>
#include <string>

// A work folder under the temporary folder named for this process, with its trailing
// backslash. Ends the command when the system names no usable temporary folder.
std::wstring PrivateWorkFolder(const std::wstring& documentPath);

// "PATH: no such file (...)" for E_INVALIDARG, "PATH: the player cannot open this document
// (...)" for any other failure of CPlayerDocument::Load.
std::wstring DescribeLoadFailure(const std::wstring& documentPath, HRESULT result);
// Ends the command with that line.
[[noreturn]] void FailToOpen(const std::wstring& documentPath, HRESULT result);
