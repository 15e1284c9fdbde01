#include "ui/SeekPreview.h"
#include "framework/Gdi.h"
#include "ui/PictureDecode.h"
#include "ui/PictureRender.h"
#include <algorithm>

namespace {
// Sizes at 96 dots per inch: a 4:3 thumbnail in a frame with a caption band under it.
constexpr int kThumbWidth = 160;
constexpr int kThumbHeight = 120;
constexpr int kPadding = 4;
constexpr int kCaptionHeight = 20;
constexpr int kGap = 6; // between the bar and the popup
constexpr int kCaptionPoints = 9;
constexpr COLORREF kFace = RGB(248, 248, 248);
constexpr COLORREF kBorder = RGB(124, 129, 134);
constexpr COLORREF kInk = RGB(52, 57, 63);

int Scaled(int value, UINT dpi)
{
    return MulDiv(value, static_cast<int>(dpi), 96);
}

SIZE PopupSize(UINT dpi)
{
    return SIZE{Scaled(kThumbWidth + 2 * kPadding, dpi), Scaled(kThumbHeight + 2 * kPadding + kCaptionHeight, dpi)};
}

UniqueFont CaptionFont(UINT dpi)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
    LOGFONTW font = metrics.lfMessageFont;
    font.lfHeight = -MulDiv(kCaptionPoints, static_cast<int>(dpi), 72);
    font.lfWidth = 0;
    font.lfWeight = FW_SEMIBOLD;
    return UniqueFont(CreateFontIndirectW(&font));
}
}

bool CSeekPreview::Create(HWND owner)
{
    if (m_hWnd) return true;
    // A popup that never takes the activation or the mouse: the bar under the cursor keeps both.
    return CreateEx(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"", WS_POPUP, RECT{}, owner, 0);
}

void CSeekPreview::Show(HWND owner, const std::wstring& picture, const std::wstring& caption, const RECT& bar, int x,
                        UINT dpi)
{
    if (!Create(owner)) return;
    if (dpi != m_dpi) ForgetPictures(); // thumbnails are made at the size of one scale
    m_dpi = dpi;
    const SIZE size = PopupSize(dpi);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromRect(&bar, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    const int left = std::max<int>(work.left, std::min<int>(x - size.cx / 2, work.right - size.cx));
    int top = bar.bottom + Scaled(kGap, dpi);
    if (top + size.cy > work.bottom) top = bar.top - Scaled(kGap, dpi) - size.cy;

    const bool changed = picture != m_picture || caption != GetWindowText();
    m_picture = picture;
    SetWindowText(caption);
    SetWindowPos(m_hWnd, HWND_TOP, left, top, size.cx, size.cy, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    if (changed) Invalidate(FALSE);
}

void CSeekPreview::Hide()
{
    if (m_hWnd && IsWindowVisible()) ShowWindow(SW_HIDE);
}

void CSeekPreview::ForgetPictures()
{
    m_thumbnails.clear();
    m_picture.clear();
    m_decoding.clear();
    m_forgottenUpTo = m_lastSerial;
}

SIZE CSeekPreview::ThumbnailSize() const
{
    return SIZE{Scaled(kThumbWidth, m_dpi), Scaled(kThumbHeight, m_dpi)};
}

// The thumbnail of a picture, or null while it is being decoded. The no-picture bitmap is small
// and decoded at once; a picture file is handed to the worker, and only the newest one the
// mouse rests on waits there.
HBITMAP CSeekPreview::Thumbnail(const std::wstring& picture)
{
    const auto found = m_thumbnails.find(picture);
    if (found != m_thumbnails.end()) return found->second.Get();
    if (picture.empty()) {
        auto file = std::make_shared<std::vector<BYTE>>();
        CFittedPicture decoded;
        if (SUCCEEDED(LoadBitmapResourceFile(m_noPicture, *file)))
            DecodeFittedPicture(PictureSource{L"", std::move(file)}, ThumbnailSize(), decoded);
        return KeepThumbnail(picture, decoded);
    }
    if (picture != m_decoding) {
        if (!m_worker) m_worker = std::make_unique<CPictureWorker>(m_hWnd, kThumbnailDecodedMessage);
        m_decoding = picture;
        if (++m_lastSerial == 0) ++m_lastSerial;
        const PictureSource source{picture, nullptr};
        m_worker->Ask(PictureRequest{m_lastSerial, PicturePurpose::Show, source, ThumbnailSize()});
    }
    return nullptr;
}

// Black with the picture fitted in it, or black alone when the picture did not decode (so a
// broken file is not read again on every move of the mouse).
HBITMAP CSeekPreview::KeepThumbnail(const std::wstring& picture, const CFittedPicture& decoded)
{
    const WindowDC screen(nullptr);
    const SIZE size = ThumbnailSize();
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen.Get(), size.cx, size.cy));
    UniqueMemoryDC dc(CreateCompatibleDC(screen.Get()));
    if (!bitmap || !dc) return nullptr;
    {
        const SelectGuard select(dc.Get(), bitmap.Get());
        const RECT area{0, 0, size.cx, size.cy};
        FillRect(dc.Get(), &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        decoded.Draw(dc.Get(), area);
    }
    HBITMAP result = bitmap.Get();
    m_thumbnails.insert_or_assign(picture, std::move(bitmap));
    return result;
}

// Thumbnails of pictures forgotten since they were asked for, or made for another scale, are
// dropped; every other finished one is kept, even if the mouse has moved on.
void CSeekPreview::TakeDecoded()
{
    if (!m_worker) return;
    for (const PictureResult& result : m_worker->TakeResults()) {
        if (result.serial <= m_forgottenUpTo) continue;
        const std::wstring& picture = result.source.path;
        if (picture == m_decoding) m_decoding.clear();
        KeepThumbnail(picture, result.picture);
        if (picture == m_picture) Invalidate(FALSE);
    }
}

LRESULT CSeekPreview::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PaintDC paint(m_hWnd);
        Paint(paint.Get());
        return 0;
    }
    case WM_ERASEBKGND:
        return FALSE;
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case kThumbnailDecodedMessage:
        TakeDecoded();
        return 0;
    case WM_NCDESTROY:
        m_worker.reset(); // it posts to this window only
        m_decoding.clear();
        break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void CSeekPreview::Paint(HDC dc)
{
    const RECT client = GetClientRect();
    MemoryCanvas canvas(dc, client.right, client.bottom);
    if (!canvas.IsValid()) return;
    const UniqueBrush face(CreateSolidBrush(kFace));
    const UniqueBrush border(CreateSolidBrush(kBorder));
    FillRect(canvas.Get(), &client, face.Get());
    FrameRect(canvas.Get(), &client, border.Get());

    const int padding = Scaled(kPadding, m_dpi);
    if (HBITMAP thumbnail = Thumbnail(m_picture)) {
        const UniqueMemoryDC source(CreateCompatibleDC(dc));
        const SelectGuard select(source.Get(), thumbnail);
        const SIZE size = BitmapSize(thumbnail);
        BitBlt(canvas.Get(), padding, padding, size.cx, size.cy, source.Get(), 0, 0, SRCCOPY);
    } else {
        const SIZE size = ThumbnailSize(); // black until the thumbnail is decoded
        const RECT area{padding, padding, padding + size.cx, padding + size.cy};
        FillRect(canvas.Get(), &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }

    if (!m_font || m_fontDpi != m_dpi) {
        m_font = CaptionFont(m_dpi);
        m_fontDpi = m_dpi;
    }
    const SelectGuard font(canvas.Get(), m_font.Get());
    SetBkMode(canvas.Get(), TRANSPARENT);
    SetTextColor(canvas.Get(), kInk);
    RECT caption{padding, padding + Scaled(kThumbHeight, m_dpi), client.right - padding, client.bottom - 1};
    const std::wstring text = GetWindowText();
    DrawTextW(canvas.Get(), text.c_str(), static_cast<int>(text.size()), &caption,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    canvas.CopyTo();
}
