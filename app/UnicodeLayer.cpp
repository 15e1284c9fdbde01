#include "app/UnicodeLayer.h"

bool SystemNeedsUnicodeLayer()
{
    // The high bit of GetVersion is set only on the Windows 9x family.
    return (GetVersion() & 0x80000000u) != 0;
}

HMODULE LoadUnicodeLayer()
{
    HMODULE module = LoadLibraryA("Unicows.dll");
    if (!module) MessageBoxA(nullptr, "unicows.dll was not found.", "Application Error", MB_OK);
    return module;
}
