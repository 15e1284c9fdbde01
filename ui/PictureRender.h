#pragma once
// Pictures decoded by the system's OLE picture loader, and drawn as large as fits with their
// aspect ratio kept: shared by the picture view and the seek bar's preview. The loads need OLE
// initialised on the thread; they return S_OK or the failure's code and never throw.

#include "base/ComPtr.h"
#include <olectl.h>
#include <string>

// A complete image file held in memory, in any format the picture loader decodes.
HRESULT LoadPictureFromMemory(const void* data, size_t size, ComPtr<IPicture>& picture);
// An image file named by a path.
HRESULT LoadPictureFromPath(const std::wstring& path, ComPtr<IPicture>& picture);
// A bitmap resource of the resource module (E_FAIL when the module has none of that ID).
HRESULT LoadPictureFromResource(UINT id, ComPtr<IPicture>& picture);

// Draws `picture` into `area` of `dc`, as large as fits with its aspect ratio kept and centred;
// the rest of the area is left as it is. Fails when the picture has no size or cannot render.
HRESULT DrawPictureFitted(HDC dc, const RECT& area, IPicture* picture);
