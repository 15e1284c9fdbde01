#include "framework/Resources.h"

namespace {
HMODULE g_resourceModule = nullptr;
}

void SetResourceModule(HMODULE module)
{
    g_resourceModule = module;
}

HMODULE ResourceModule()
{
    return g_resourceModule ? g_resourceModule : GetModuleHandleW(nullptr);
}

std::wstring LoadResourceString(UINT id)
{
    // With a zero buffer size LoadStringW hands back a read-only pointer into the module.
    const wchar_t* text = nullptr;
    const int length = LoadStringW(ResourceModule(), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 && text ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

UniqueBitmap LoadResourceBitmap(UINT id)
{
    return UniqueBitmap(LoadBitmapW(ResourceModule(), MAKEINTRESOURCEW(id)));
}
