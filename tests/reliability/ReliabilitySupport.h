#pragma once
// Small pieces the reliability tests share: COM on the test's thread, whole-file reads and
// writes, and numbers and paths from the environment (the scripts choose how long a run lasts
// and where the small disks are).

#include "base/ComScope.h"
#include "tests/support/TestFiles.h"

#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

// The variable's text; empty when it is not set.
std::wstring EnvironmentText(const wchar_t* name);
// The variable as a decimal number; `fallback` when it is not set or not a number.
std::uint64_t EnvironmentNumber(const wchar_t* name, std::uint64_t fallback);

// Files and folders directly inside `folder` (with its trailing backslash).
std::size_t EntriesIn(const std::wstring& folder);
