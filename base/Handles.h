#pragma once
// Move-only owners for Win32 handles, one traits type per kind of handle: each knows its own
// close function and its own "no handle" value.

#include <windows.h>
#include <utility>

template <class Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() = default;
    explicit UniqueHandle(Type handle) : m_handle(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    Type Get() const { return m_handle; }
    bool IsValid() const { return m_handle != Traits::Invalid(); }
    explicit operator bool() const { return IsValid(); }

    Type Release()
    {
        Type handle = m_handle;
        m_handle = Traits::Invalid();
        return handle;
    }
    void Reset(Type handle = Traits::Invalid())
    {
        if (IsValid()) Traits::Close(m_handle);
        m_handle = handle;
    }

private:
    Type m_handle = Traits::Invalid();
};

struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { CloseHandle(h); }
};
// CreateFileW and FindFirstFileW report failure with INVALID_HANDLE_VALUE, not null.
struct FileHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { CloseHandle(h); }
};
struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { FindClose(h); }
};
struct ModuleTraits {
    using Type = HMODULE;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { FreeLibrary(h); }
};
struct RegKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { RegCloseKey(h); }
};
struct IconTraits {
    using Type = HICON;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DestroyIcon(h); }
};
struct MenuTraits {
    using Type = HMENU;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DestroyMenu(h); }
};
template <class T>
struct GdiObjectTraits {
    using Type = T;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DeleteObject(h); }
};
struct MemoryDCTraits {
    using Type = HDC;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DeleteDC(h); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFile = UniqueHandle<FileHandleTraits>;
using UniqueFind = UniqueHandle<FindHandleTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;
using UniqueRegKey = UniqueHandle<RegKeyTraits>;
using UniqueIcon = UniqueHandle<IconTraits>;
using UniqueMenu = UniqueHandle<MenuTraits>;
using UniqueBitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using UniqueBrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using UniqueFont = UniqueHandle<GdiObjectTraits<HFONT>>;
using UniqueRegion = UniqueHandle<GdiObjectTraits<HRGN>>;
using UniquePen = UniqueHandle<GdiObjectTraits<HPEN>>;
using UniqueMemoryDC = UniqueHandle<MemoryDCTraits>;
