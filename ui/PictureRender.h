#pragma once
// What the picture view and the seek bar's preview share besides decoding: bitmaps of the
// resource module as bitmap files for the decoder, and where a picture goes in a view.

#include <windows.h>
#include <vector>

// Bitmap resource `id` of the resource module as the bytes of a bitmap file, for decoders that
// read files (E_FAIL when the module has none of that ID). Never throws.
HRESULT LoadBitmapResourceFile(UINT id, std::vector<BYTE>& file);

// Where a picture of pictureWidth × pictureHeight pixels goes in a view of width × height: as
// large as fits with its aspect ratio kept, centred. A shortfall of exactly one pixel on an
// axis is closed by drawing that axis full size; the position is left as computed.
RECT FitPicture(int width, int height, int pictureWidth, int pictureHeight);
