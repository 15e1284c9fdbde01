#pragma once
// Pictures decoded by the system's OLE picture loader, and drawn as large as fits with their
// aspect ratio kept: shared by the picture view and the seek bar's preview. The loads need OLE
// initialised on the thread; they return S_OK or the failure's code and never throw.

#include "framework/ComPtr.h"
#include <olectl.h>
#include <string>
#include <vector>

// A complete image file held in memory, in any format the picture loader decodes.
HRESULT LoadPictureFromMemory(const void* data, size_t size, ComPtr<IPicture>& picture);
// An image file named by a path.
HRESULT LoadPictureFromPath(const std::wstring& path, ComPtr<IPicture>& picture);
// A bitmap resource of the resource module (E_FAIL when the module has none of that ID).
HRESULT LoadPictureFromResource(UINT id, ComPtr<IPicture>& picture);
// Bitmap resource `id` of the resource module as the bytes of a bitmap file, for decoders that
// read files (E_FAIL when the module has none of that ID).
HRESULT LoadBitmapResourceFile(UINT id, std::vector<BYTE>& file);

// Where a picture of pictureWidth × pictureHeight pixels goes in a view of width × height: as
// large as fits with its aspect ratio kept, centred. A shortfall of exactly one pixel on an
// axis is closed by drawing that axis full size; the position is left as computed.
RECT FitPicture(int width, int height, int pictureWidth, int pictureHeight);

// Draws `picture` into `area` of `dc`, as large as fits with its aspect ratio kept and centred;
// the rest of the area is left as it is. Fails when the picture has no size or cannot render.
HRESULT DrawPictureFitted(HDC dc, const RECT& area, IPicture* picture);
