#pragma once
// Windows 9x lacks the UTF-16 API; there the program runs on the Unicode compatibility layer,
// loaded on demand. Every NT-based system (and so every 64-bit one) has the API natively.

#include <windows.h>

bool SystemNeedsUnicodeLayer();
// Loads "Unicows.dll"; shows the platform's classic error and returns null when it is missing.
HMODULE LoadUnicodeLayer();
