#include "tests/support/BitmapFile.h"

#include "base/Handles.h"

BITMAPINFOHEADER Bitmap24Header(int width, int height)
{
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height; // positive: bottom-up
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(BitmapStride(width) * height);
    return header;
}

bool WriteBitmapFile(const std::wstring& path, int width, int height, const void* rows)
{
    const BITMAPINFOHEADER header = Bitmap24Header(width, height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + header.biSizeImage;
    UniqueFile out(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return out && WriteFile(out.Get(), &file, sizeof(file), &written, nullptr) &&
           WriteFile(out.Get(), &header, sizeof(header), &written, nullptr) &&
           WriteFile(out.Get(), rows, header.biSizeImage, &written, nullptr);
}
