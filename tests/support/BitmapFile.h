#pragma once
// Writes pictures the tests capture as plain 24-bit .bmp files, for a person to look at.

#include <windows.h>
#include <string>

// `rows` holds `height` rows of `width` BGR pixels, the bottom row first, each row padded to a
// multiple of four bytes: the layout of a 24-bit bottom-up DIB.
bool WriteBitmapFile(const std::wstring& path, int width, int height, const void* rows);

// The bytes of one padded row of a 24-bit picture `width` pixels wide.
inline int BitmapStride(int width) { return (width * 3 + 3) & ~3; }

// The header of such a DIB, for CreateDIBSection as for the file.
BITMAPINFOHEADER Bitmap24Header(int width, int height);
