#include "ui/PictureRender.h"
#include "framework/Handles.h"
#include "framework/Resources.h"
#include "framework/Result.h"
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {
struct GlobalMemoryTraits {
    using Type = HGLOBAL;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { GlobalFree(h); }
};
using UniqueGlobal = UniqueHandle<GlobalMemoryTraits>;

struct BstrDeleter {
    void operator()(BSTR text) const { SysFreeString(text); }
};
using UniqueBstr = std::unique_ptr<OLECHAR, BstrDeleter>;

constexpr int kHimetricPerInch = 2540;

template <class T>
T ReadAt(const BYTE* data, size_t offset)
{
    T value;
    std::memcpy(&value, data + offset, sizeof(value));
    return value;
}

// Bytes between a DIB's header and its pixels: the colour table, and the three colour masks
// that follow a plain 40-byte header of a bit-field bitmap.
ULONGLONG ColourTableBytes(const BYTE* dib, DWORD size, DWORD headerSize)
{
    if (headerSize == sizeof(BITMAPCOREHEADER)) {
        const WORD bits = ReadAt<WORD>(dib, offsetof(BITMAPCOREHEADER, bcBitCount));
        return bits <= 8 ? (1ull << bits) * sizeof(RGBTRIPLE) : 0;
    }
    Check(headerSize >= sizeof(BITMAPINFOHEADER) && headerSize <= size);
    const WORD bits = ReadAt<WORD>(dib, offsetof(BITMAPINFOHEADER, biBitCount));
    const DWORD compression = ReadAt<DWORD>(dib, offsetof(BITMAPINFOHEADER, biCompression));
    const DWORD coloursUsed = ReadAt<DWORD>(dib, offsetof(BITMAPINFOHEADER, biClrUsed));
    const ULONGLONG colours = coloursUsed ? coloursUsed : bits <= 8 ? (1ull << bits) : 0;
    ULONGLONG bytes = colours * sizeof(RGBQUAD);
    if (headerSize == sizeof(BITMAPINFOHEADER) && compression == BI_BITFIELDS) bytes += 3 * sizeof(DWORD);
    return bytes;
}

// A bitmap file in memory made of bitmap resource `id` of the resource module: a file header
// in front of the resource's header, colour table and pixels, whatever their format.
std::vector<BYTE> BitmapFileImage(UINT id)
{
    const HMODULE module = ResourceModule();
    const HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), RT_BITMAP);
    Check(info != nullptr);
    const HGLOBAL resource = LoadResource(module, info);
    Check(resource != nullptr);
    const auto* dib = static_cast<const BYTE*>(LockResource(resource));
    Check(dib != nullptr);
    const DWORD size = SizeofResource(module, info);
    Check(size >= sizeof(DWORD));

    const DWORD headerSize = ReadAt<DWORD>(dib, 0);
    const ULONGLONG pixelsAt = headerSize + ColourTableBytes(dib, size, headerSize);
    Check(pixelsAt <= size);

    BITMAPFILEHEADER fileHeader{};
    fileHeader.bfType = 0x4D42; // "BM"
    fileHeader.bfSize = sizeof(fileHeader) + size;
    fileHeader.bfOffBits = static_cast<DWORD>(sizeof(fileHeader) + pixelsAt);
    std::vector<BYTE> file;
    try {
        file.resize(sizeof(fileHeader) + size);
    } catch (const std::bad_alloc&) {
        throw HResultError(E_OUTOFMEMORY);
    }
    std::memcpy(file.data(), &fileHeader, sizeof(fileHeader));
    std::memcpy(file.data() + sizeof(fileHeader), dib, size);
    return file;
}
}

RECT FitPicture(int width, int height, int pictureWidth, int pictureHeight)
{
    const double ratio = static_cast<double>(pictureWidth) / pictureHeight;
    int fitWidth = width;
    int fitHeight = height;
    if (width > height * ratio)
        fitWidth = static_cast<int>(height * ratio);
    else
        fitHeight = static_cast<int>(width / ratio);
    const int x = (width - fitWidth) / 2;
    const int y = (height - fitHeight) / 2;
    if (fitWidth + 1 == width) fitWidth = width;
    if (fitHeight + 1 == height) fitHeight = height;
    return RECT{x, y, x + fitWidth, y + fitHeight};
}

HRESULT LoadBitmapResourceFile(UINT id, std::vector<BYTE>& file)
{
    return RunOperation([&] { file = BitmapFileImage(id); });
}

HRESULT LoadPictureFromMemory(const void* data, size_t size, ComPtr<IPicture>& picture)
{
    picture.Reset();
    return RunOperation([&] {
        Check(data != nullptr && size > 0, E_INVALIDARG);
        // The loader reads from a stream; the stream lives on a copy of the bytes, which the
        // stream does not own and which goes after the stream.
        UniqueGlobal block(GlobalAlloc(GMEM_FIXED, size));
        Check(block.IsValid(), E_OUTOFMEMORY);
        void* bytes = GlobalLock(block.Get());
        Check(bytes != nullptr, E_OUTOFMEMORY);
        std::memcpy(bytes, data, size);
        GlobalUnlock(block.Get());

        ComPtr<IStream> stream;
        ThrowIfFailed(CreateStreamOnHGlobal(block.Get(), FALSE, &stream));
        ThrowIfFailed(OleLoadPicture(stream.Get(), 0, FALSE, IID_IPicture, reinterpret_cast<void**>(&picture)));
    });
}

HRESULT LoadPictureFromPath(const std::wstring& path, ComPtr<IPicture>& picture)
{
    picture.Reset();
    return RunOperation([&] {
        const UniqueBstr name(SysAllocStringLen(path.c_str(), static_cast<UINT>(path.size())));
        Check(name != nullptr, E_OUTOFMEMORY);
        ThrowIfFailed(OleLoadPicturePath(name.get(), nullptr, 0, 0, IID_IPicture, reinterpret_cast<void**>(&picture)));
    });
}

HRESULT LoadPictureFromResource(UINT id, ComPtr<IPicture>& picture)
{
    picture.Reset();
    std::vector<BYTE> file;
    const HRESULT built = LoadBitmapResourceFile(id, file);
    if (FAILED(built)) return built;
    return LoadPictureFromMemory(file.data(), file.size(), picture);
}

HRESULT DrawPictureFitted(HDC dc, const RECT& area, IPicture* picture)
{
    OLE_XSIZE_HIMETRIC widthHimetric = 0;
    OLE_YSIZE_HIMETRIC heightHimetric = 0;
    if (!picture) return E_POINTER;
    HRESULT hr = picture->get_Height(&heightHimetric);
    if (SUCCEEDED(hr)) hr = picture->get_Width(&widthHimetric);
    if (FAILED(hr)) return hr;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const int pictureWidth = MulDiv(widthHimetric, GetDeviceCaps(dc, LOGPIXELSX), kHimetricPerInch);
    const int pictureHeight = MulDiv(heightHimetric, GetDeviceCaps(dc, LOGPIXELSY), kHimetricPerInch);
    if (pictureWidth <= 0 || pictureHeight <= 0 || width <= 0 || height <= 0) return E_FAIL;
    RECT place = FitPicture(width, height, pictureWidth, pictureHeight);
    OffsetRect(&place, area.left, area.top);
    // Pictures are mostly scaled down: average the pixels rather than drop them.
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    // The source rectangle is the whole picture in HIMETRIC, given bottom-up.
    return picture->Render(dc, place.left, place.top, place.right - place.left, place.bottom - place.top, 0,
                           heightHimetric, widthHimetric, -heightHimetric, nullptr);
}
