#pragma once
// Readers for what the resource module carries in raw form: the PE headers of the DLL file,
// dialog templates, and bitmaps turned into plain RGB pixels.

#include "base/Handles.h"
#include <optional>
#include <string>
#include <vector>

// What the PE headers of a module file say about its code.
struct PeFacts {
    bool isDll = false;
    DWORD entryPoint = 0;       // relative address; 0 = none
    int importedDlls = 0;       // entries of the import directory (the linker may leave an empty one)
    DWORD delayImportSize = 0;  // bytes of the delay-load import directory
    DWORD resourceTableSize = 0;
};
// Reads the headers of the module file at `path`; nothing if it is not a PE image.
std::optional<PeFacts> ReadPeFacts(const std::wstring& path);

struct DialogControl {
    DWORD id = 0;
    DWORD style = 0;
    std::wstring className; // predefined classes by name: "Button", "Static", ...
};
struct DialogTemplate {
    DWORD style = 0;
    std::vector<DialogControl> controls;
    const DialogControl* Find(DWORD id) const;
};
// Parses dialog template `id` of `module` (DLGTEMPLATEEX or DLGTEMPLATE); nothing if absent or
// malformed.
std::optional<DialogTemplate> ReadDialogTemplate(HMODULE module, UINT id);

// A bitmap as the program sees it after loading it by number: top-down rows of COLORREF.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> rgb;
    COLORREF At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};
// Loads bitmap `id` with LoadBitmapW and reads its pixels back; nothing if it does not load.
std::optional<Pixels> ReadBitmap(HMODULE module, UINT id);
