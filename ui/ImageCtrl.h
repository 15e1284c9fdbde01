#pragma once
// The picture view: holds one picture decoded by the system's OLE picture loader and paints it
// centred and scaled to fit without changing its aspect ratio, on black, composed off screen so
// that picture changes and resizing do not flicker. The view knows nothing of documents or time:
// the player window tells it which picture to show.
//
// The view is the static control of the dialog template bound by its control ID. The loads
// need OLE initialised on the thread.

#include "base/ComPtr.h"
#include "framework/Wnd.h"
#include <olectl.h>
#include <string>

class CImageCtrl : public CStatic {
public:
    // Each load first lets go of the current picture, so after a failed load the view is
    // empty (painted black) and never keeps showing the previous picture. They return S_OK or
    // the failure's code and never throw.

    // A complete image file held in memory, in any format the picture loader decodes.
    HRESULT LoadFromMemory(const void* data, size_t size);
    // An image file named by a path.
    HRESULT LoadFromPath(const std::wstring& path);
    // A bitmap resource of the resource module (E_FAIL when the module has none of that ID).
    HRESULT LoadFromResource(UINT id);

    bool HasPicture() const { return static_cast<bool>(m_picture); }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    HRESULT Loaded(HRESULT result);
    void Paint(HDC dc) const;

    ComPtr<IPicture> m_picture;
};
