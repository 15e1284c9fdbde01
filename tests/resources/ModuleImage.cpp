#include "ModuleImage.h"
#include "framework/Gdi.h"
#include "tests/support/TestFiles.h"
#include <cstddef>
#include <cstring>
#include <algorithm>

namespace {
// Reads little-endian fields out of a byte range and remembers whether any read ran past it.
class Reader {
public:
    Reader(const BYTE* data, size_t size) : m_data(data), m_size(size) {}

    bool Ok() const { return m_ok; }
    size_t Position() const { return m_position; }
    void Skip(size_t bytes) { Take(bytes); }
    void AlignTo(size_t boundary) { Skip((boundary - m_position % boundary) % boundary); }

    template <class T>
    T Get()
    {
        T value{};
        if (const BYTE* p = Take(sizeof(T))) std::memcpy(&value, p, sizeof(T));
        return value;
    }
    std::wstring String()
    {
        std::wstring text;
        for (wchar_t c = Get<wchar_t>(); m_ok && c != 0; c = Get<wchar_t>()) text.push_back(c);
        return text;
    }
    // A "string or ordinal" field: none, an ordinal (0xFFFF then a number) or a string.
    // Ordinals come back as "#<number>".
    std::wstring NameOrOrdinal()
    {
        const WORD first = Get<WORD>();
        if (first == 0) return {};
        if (first == 0xFFFF) return L"#" + std::to_wstring(Get<WORD>());
        m_position -= sizeof(WORD);
        return String();
    }

private:
    const BYTE* Take(size_t bytes)
    {
        if (!m_ok || bytes > m_size - m_position) {
            m_ok = false;
            return nullptr;
        }
        const BYTE* p = m_data + m_position;
        m_position += bytes;
        return p;
    }

    const BYTE* m_data;
    size_t m_size;
    size_t m_position = 0;
    bool m_ok = true;
};

std::wstring PredefinedClassName(const std::wstring& name)
{
    if (name == L"#128") return L"Button";
    if (name == L"#129") return L"Edit";
    if (name == L"#130") return L"Static";
    if (name == L"#131") return L"ListBox";
    if (name == L"#132") return L"ScrollBar";
    if (name == L"#133") return L"ComboBox";
    return name;
}
} // namespace

std::optional<PeFacts> ReadPeFacts(const std::wstring& path)
{
    const Bytes bytes = ReadFileBytes(path);
    const auto at = [&](size_t offset) {
        offset = std::min(offset, bytes.size());
        return Reader(bytes.data() + offset, bytes.size() - offset);
    };

    Reader dos = at(0);
    if (dos.Get<WORD>() != IMAGE_DOS_SIGNATURE) return std::nullopt;
    dos.Skip(offsetof(IMAGE_DOS_HEADER, e_lfanew) - sizeof(WORD));
    const auto ntOffset = static_cast<size_t>(dos.Get<DWORD>());

    Reader nt = at(ntOffset);
    if (nt.Get<DWORD>() != IMAGE_NT_SIGNATURE) return std::nullopt;
    const auto header = nt.Get<IMAGE_FILE_HEADER>();
    const size_t optionalOffset = ntOffset + nt.Position();
    const WORD magic = at(optionalOffset).Get<WORD>();

    PeFacts facts;
    facts.isDll = (header.Characteristics & IMAGE_FILE_DLL) != 0;
    IMAGE_DATA_DIRECTORY imports{};
    const auto fill = [&](auto optional) {
        const auto directory = [&](int index) {
            const bool present = static_cast<DWORD>(index) < optional.NumberOfRvaAndSizes;
            return present ? optional.DataDirectory[index] : IMAGE_DATA_DIRECTORY{};
        };
        facts.entryPoint = optional.AddressOfEntryPoint;
        imports = directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
        facts.delayImportSize = directory(IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT).Size;
        facts.resourceTableSize = directory(IMAGE_DIRECTORY_ENTRY_RESOURCE).Size;
    };
    Reader optional = at(optionalOffset);
    if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        fill(optional.Get<IMAGE_OPTIONAL_HEADER64>());
    else if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC)
        fill(optional.Get<IMAGE_OPTIONAL_HEADER32>());
    else
        return std::nullopt;
    if (!optional.Ok()) return std::nullopt;

    // Find the import directory in the file through the section that holds it and count its
    // descriptors up to the all-zero one that ends the list.
    if (imports.VirtualAddress != 0 && imports.Size != 0) {
        Reader sections = at(optionalOffset + header.SizeOfOptionalHeader);
        std::optional<size_t> offset;
        for (WORD i = 0; i < header.NumberOfSections && sections.Ok(); ++i) {
            const auto section = sections.Get<IMAGE_SECTION_HEADER>();
            if (imports.VirtualAddress >= section.VirtualAddress &&
                imports.VirtualAddress < section.VirtualAddress + section.SizeOfRawData)
                offset = section.PointerToRawData + (imports.VirtualAddress - section.VirtualAddress);
        }
        if (!offset) return std::nullopt;
        Reader descriptors = at(*offset);
        for (auto d = descriptors.Get<IMAGE_IMPORT_DESCRIPTOR>(); descriptors.Ok() && d.Name != 0;
             d = descriptors.Get<IMAGE_IMPORT_DESCRIPTOR>())
            ++facts.importedDlls;
        if (!descriptors.Ok()) return std::nullopt;
    }
    return facts;
}

const DialogControl* DialogTemplate::Find(DWORD id) const
{
    for (const DialogControl& control : controls)
        if (control.id == id) return &control;
    return nullptr;
}

std::optional<DialogTemplate> ReadDialogTemplate(HMODULE module, UINT id)
{
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), RT_DIALOG);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* data = static_cast<const BYTE*>(loaded ? LockResource(loaded) : nullptr);
    if (!data) return std::nullopt;
    Reader in(data, SizeofResource(module, found));

    // The extended form starts with version 1 and the signature 0xFFFF.
    const bool extended = in.Get<WORD>() == 1 && in.Get<WORD>() == 0xFFFF;
    DialogTemplate dialog;
    WORD count = 0;
    if (extended) {
        in.Skip(2 * sizeof(DWORD)); // help ID, extended style
        dialog.style = in.Get<DWORD>();
    } else {
        in = Reader(data, SizeofResource(module, found));
        dialog.style = in.Get<DWORD>();
        in.Skip(sizeof(DWORD)); // extended style
    }
    count = in.Get<WORD>();
    in.Skip(4 * sizeof(short)); // x, y, cx, cy
    in.NameOrOrdinal();         // menu
    in.NameOrOrdinal();         // window class
    in.String();                // title
    if (dialog.style & DS_SETFONT) {
        in.Skip(sizeof(WORD)); // point size
        if (extended) in.Skip(sizeof(WORD) + 2 * sizeof(BYTE)); // weight, italic, character set
        in.String();                                             // typeface
    }

    for (WORD i = 0; i < count && in.Ok(); ++i) {
        in.AlignTo(sizeof(DWORD));
        DialogControl control;
        if (extended) {
            in.Skip(2 * sizeof(DWORD)); // help ID, extended style
            control.style = in.Get<DWORD>();
            in.Skip(4 * sizeof(short));
            control.id = in.Get<DWORD>();
        } else {
            control.style = in.Get<DWORD>();
            in.Skip(sizeof(DWORD) + 4 * sizeof(short));
            control.id = in.Get<WORD>();
        }
        control.className = PredefinedClassName(in.NameOrOrdinal());
        in.NameOrOrdinal(); // title
        in.Skip(in.Get<WORD>()); // creation data
        dialog.controls.push_back(control);
    }
    if (!in.Ok()) return std::nullopt;
    return dialog;
}

std::optional<Pixels> ReadBitmap(HMODULE module, UINT id)
{
    const UniqueBitmap bitmap(LoadBitmapW(module, MAKEINTRESOURCEW(id)));
    BITMAP info{};
    if (!bitmap || !GetObjectW(bitmap.Get(), sizeof(info), &info)) return std::nullopt;

    Pixels pixels;
    pixels.width = info.bmWidth;
    pixels.height = info.bmHeight;
    BITMAPINFO request{};
    request.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    request.bmiHeader.biWidth = info.bmWidth;
    request.bmiHeader.biHeight = -info.bmHeight; // top-down rows
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    request.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> bgrx(static_cast<size_t>(info.bmWidth) * info.bmHeight);
    const WindowDC screen(nullptr);
    if (GetDIBits(screen.Get(), bitmap.Get(), 0, info.bmHeight, bgrx.data(), &request, DIB_RGB_COLORS) != info.bmHeight)
        return std::nullopt;
    pixels.rgb.reserve(bgrx.size());
    for (const DWORD p : bgrx) pixels.rgb.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    return pixels;
}
