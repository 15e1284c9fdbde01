#pragma once
// Every dialog, bitmap, icon and string of the program comes from one resource module. The
// application sets it once at start-up; every lookup below goes to it.

#include "base/Handles.h"
#include <initializer_list>
#include <string>

void SetResourceModule(HMODULE module);
HMODULE ResourceModule();

// The string-table entry `id`, empty when the module has none.
std::wstring LoadResourceString(UINT id);
// The string-table entry `id` with %1, %2, ... replaced by `inserts` in that order; empty when
// the module has no such entry.
std::wstring FormatResourceString(UINT id, std::initializer_list<std::wstring> inserts);
// Bitmap `id` as a device-dependent bitmap; invalid when the module has none.
UniqueBitmap LoadResourceBitmap(UINT id);
