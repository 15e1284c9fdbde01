#pragma once
// Checks on a document path that arrives from outside the window: the command line, a second
// start's hand-off message, or a drop.

#include "base/FullPath.h"
#include <windows.h>
#include <optional>
#include <string>

// True when `path` ends in ".kav", compared without regard to case. A path shorter than four
// characters compares its whole text.
bool HasDocumentExtension(const std::wstring& path);

// True when `path` names an existing file with the document extension.
bool IsOpenableDocumentPath(const std::wstring& path);

// The UTF-16 path carried by a hand-off message. Reads at most cbData bytes, up to the first
// NUL; a missing, empty or odd-sized payload carries no path.
std::optional<std::wstring> PathFromCopyData(const COPYDATASTRUCT* data);
