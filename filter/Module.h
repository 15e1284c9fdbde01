#pragma once
// The DLL as a COM server: how many objects and server locks keep it loaded, and its handle.

#include <windows.h>

void ModuleAddObject();
void ModuleReleaseObject();
HMODULE ModuleHandle();

// A copy of `text` in task memory, as interface methods hand strings to their callers.
HRESULT CopyToTaskMemory(const wchar_t* text, LPWSTR* copy);
