#include "ui/ImageCtrl.h"
#include "framework/Gdi.h"
#include "ui/PictureRender.h"

HRESULT CImageCtrl::LoadFromMemory(const void* data, size_t size)
{
    return Loaded(LoadPictureFromMemory(data, size, m_picture));
}

HRESULT CImageCtrl::LoadFromPath(const std::wstring& path)
{
    return Loaded(LoadPictureFromPath(path, m_picture));
}

HRESULT CImageCtrl::LoadFromResource(UINT id)
{
    return Loaded(LoadPictureFromResource(id, m_picture));
}

// Every load ends here: a failed one leaves the view empty, and either way the view is
// repainted, so it never goes on showing a picture it no longer holds.
HRESULT CImageCtrl::Loaded(HRESULT result)
{
    if (FAILED(result)) m_picture.Reset();
    if (m_hWnd) Invalidate(FALSE);
    return FAILED(result) ? result : S_OK;
}

LRESULT CImageCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PaintDC paint(m_hWnd);
        Paint(paint.Get());
        return 0;
    }
    case WM_ERASEBKGND:
        return FALSE;
    }
    return CStatic::WindowProc(message, wParam, lParam);
}

// The frame is composed off screen: black, then the picture fitted and centred, then copied
// to the screen in one blit. An empty view, or a picture that cannot be rendered, shows black.
void CImageCtrl::Paint(HDC dc) const
{
    const RECT client = GetClientRect();
    MemoryCanvas canvas(dc, client.right, client.bottom);
    if (!canvas.IsValid()) return;
    FillRect(canvas.Get(), &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (m_picture && FAILED(DrawPictureFitted(canvas.Get(), client, m_picture.Get())))
        FillRect(canvas.Get(), &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    canvas.CopyTo();
}
