#include "ui/ImageCtrl.h"
#include "framework/Gdi.h"
#include "resources/ResourceIds.h"
#include "ui/PictureRender.h"

void CImageCtrl::ShowPicture(const std::wstring& path)
{
    PictureSource source{path, nullptr};
    // Asked again for the picture that is on its way: it goes on coming.
    if (!path.empty() && m_awaitedShow && m_awaitedSource.IsSameAs(source)) return;
    m_awaitedShow = 0;
    m_awaitingRefit = false;
    if (path.empty()) {
        ShowNoPicture();
        return;
    }
    if (!m_preparedSource.IsEmpty() && m_preparedSource.IsSameAs(source)) {
        const HRESULT status = m_preparedStatus;
        CFittedPicture prepared = std::move(m_prepared);
        m_prepared = CFittedPicture();
        m_preparedSource = PictureSource();
        if (FAILED(status)) ShowNoPicture();
        else Present(std::move(prepared), std::move(source));
    } else if (m_awaitedPrepare && m_preparing.IsSameAs(source)) {
        // Shown when the preparation under way ends, which no later preparation may replace.
        m_awaitedShow = m_awaitedPrepare;
        m_awaitedSource = std::move(source);
        m_worker->Promote(m_awaitedPrepare);
    } else if (!m_shown.IsEmpty() && m_shownSource.IsSameAs(source)) {
        RefitShown();
    } else {
        m_awaitedShow = Ask(PicturePurpose::Show, source);
        m_awaitedSource = std::move(source);
    }
}

void CImageCtrl::PreparePicture(const std::wstring& path)
{
    // The no-picture image is small and decoded when it is shown.
    if (path.empty()) return;
    const PictureSource source{path, nullptr};
    const bool prepared = !m_preparedSource.IsEmpty() && m_preparedSource.IsSameAs(source) &&
                          (FAILED(m_preparedStatus) || m_prepared.Fits(ViewSize()));
    if (prepared || (m_awaitedPrepare && m_preparing.IsSameAs(source))) return;
    m_prepared = CFittedPicture();
    m_preparedSource = PictureSource();
    m_preparing = source;
    m_awaitedPrepare = Ask(PicturePurpose::Prepare, source);
}

HRESULT CImageCtrl::LoadFromMemory(const void* data, size_t size)
{
    if (!data || size == 0) return LoadNow(PictureSource());
    const auto* bytes = static_cast<const BYTE*>(data);
    return LoadNow(PictureSource{L"", std::make_shared<const std::vector<BYTE>>(bytes, bytes + size)});
}

HRESULT CImageCtrl::LoadFromPath(const std::wstring& path)
{
    return LoadNow(PictureSource{path, nullptr});
}

HRESULT CImageCtrl::LoadFromResource(UINT id)
{
    auto file = std::make_shared<std::vector<BYTE>>();
    const HRESULT built = LoadBitmapResourceFile(id, *file);
    if (FAILED(built)) {
        LoadNow(PictureSource());
        return built;
    }
    return LoadNow(PictureSource{L"", std::move(file)});
}

// Every load on the calling thread ends here. It is the newest request, so no decode asked for
// before it may replace its picture; a failed one leaves the view empty.
HRESULT CImageCtrl::LoadNow(PictureSource source)
{
    m_awaitedShow = 0;
    m_awaitingRefit = false;
    CFittedPicture picture;
    const HRESULT result = source.IsEmpty() ? E_INVALIDARG : DecodeFittedPicture(source, ViewSize(), picture);
    if (FAILED(result)) source = PictureSource();
    Present(std::move(picture), std::move(source));
    return result;
}

void CImageCtrl::ShowNoPicture()
{
    LoadFromResource(IDB_NO_PICTURE);
}

void CImageCtrl::Present(CFittedPicture picture, PictureSource source)
{
    m_shown = std::move(picture);
    m_shownSource = std::move(source);
    if (m_hWnd) Invalidate(FALSE);
    RefitShown();
}

void CImageCtrl::RefitShown()
{
    if (m_awaitedShow || m_shown.IsEmpty() || !m_hWnd || m_shown.Fits(ViewSize())) return;
    m_awaitedShow = Ask(PicturePurpose::Show, m_shownSource);
    m_awaitedSource = m_shownSource;
    m_awaitingRefit = true;
}

unsigned CImageCtrl::Ask(PicturePurpose purpose, const PictureSource& source)
{
    if (!m_worker) m_worker = std::make_unique<CPictureWorker>(m_hWnd, kPictureDecodedMessage);
    if (++m_lastSerial == 0) ++m_lastSerial; // 0 stands for no request
    m_worker->Ask(PictureRequest{m_lastSerial, purpose, source, ViewSize()});
    return m_lastSerial;
}

// Results of requests that are no longer the newest are dropped here, with their pixels.
void CImageCtrl::TakeDecoded()
{
    if (!m_worker) return;
    for (PictureResult& result : m_worker->TakeResults()) {
        if (result.serial == m_awaitedPrepare) {
            m_awaitedPrepare = 0;
            m_preparing = PictureSource();
            if (result.serial != m_awaitedShow) {
                m_prepared = std::move(result.picture);
                m_preparedSource = std::move(result.source);
                m_preparedStatus = result.status;
                continue;
            }
        }
        if (result.serial != m_awaitedShow) continue;
        const bool refit = m_awaitingRefit;
        m_awaitedShow = 0;
        m_awaitingRefit = false;
        // A picture that no longer decodes at the new size goes on showing stretched.
        if (SUCCEEDED(result.status)) Present(std::move(result.picture), std::move(result.source));
        else if (!refit) ShowNoPicture();
    }
}

SIZE CImageCtrl::ViewSize() const
{
    const RECT client = GetClientRect();
    return SIZE{client.right, client.bottom};
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
    case WM_SIZE:
        RefitShown();
        break;
    case kPictureDecodedMessage:
        TakeDecoded();
        return 0;
    case WM_NCDESTROY:
        // The worker posts to this window only: it ends with it.
        m_worker.reset();
        m_awaitedShow = 0;
        m_awaitedPrepare = 0;
        m_preparing = PictureSource();
        break;
    }
    return CStatic::WindowProc(message, wParam, lParam);
}

// The frame is composed off screen: black, then the picture fitted and centred, then copied
// to the screen in one blit. An empty view shows black.
void CImageCtrl::Paint(HDC dc) const
{
    const RECT client = GetClientRect();
    MemoryCanvas canvas(dc, client.right, client.bottom);
    if (!canvas.IsValid()) return;
    FillRect(canvas.Get(), &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    m_shown.Draw(canvas.Get(), client);
    canvas.CopyTo();
}
