#include "framework/Resources.h"
#include <vector>

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

std::wstring FormatResourceString(UINT id, std::initializer_list<std::wstring> inserts)
{
    const std::wstring pattern = LoadResourceString(id);
    if (pattern.empty()) return pattern;
    std::vector<DWORD_PTR> arguments;
    for (const std::wstring& insert : inserts) arguments.push_back(reinterpret_cast<DWORD_PTR>(insert.c_str()));
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_ARGUMENT_ARRAY, pattern.c_str(), 0,
        0, reinterpret_cast<wchar_t*>(&buffer), 0, reinterpret_cast<va_list*>(arguments.data()));
    std::wstring text = length ? std::wstring(buffer, length) : std::wstring();
    LocalFree(buffer);
    return text;
}

UniqueBitmap LoadResourceBitmap(UINT id)
{
    return UniqueBitmap(LoadBitmapW(ResourceModule(), MAKEINTRESOURCEW(id)));
}
