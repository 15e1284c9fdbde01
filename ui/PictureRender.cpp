#include "ui/PictureRender.h"
#include "base/Result.h"
#include "framework/Resources.h"
#include <cstring>
#include <new>
#include <vector>

namespace {
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
