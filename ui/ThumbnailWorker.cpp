#include "ui/ThumbnailWorker.h"
#include "framework/Gdi.h"
#include "base/ComScope.h"
#include "ui/PictureDecode.h"

CThumbnailWorker::CThumbnailWorker(HWND window, UINT message, SIZE size)
    : m_window(window), m_message(message), m_size(size), m_thread(&CThumbnailWorker::Run, this)
{
}

CThumbnailWorker::~CThumbnailWorker()
{
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void CThumbnailWorker::Request(const std::wstring& path)
{
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_requests.push_back(path);
    }
    m_wake.notify_one();
}

std::vector<FinishedThumbnail> CThumbnailWorker::TakeFinished()
{
    std::vector<FinishedThumbnail> taken;
    const std::lock_guard<std::mutex> lock(m_lock);
    taken.swap(m_finished);
    return taken;
}

void CThumbnailWorker::Run()
{
    // The imaging component is a COM service and needs COM on the thread that calls it.
    const CComScope com;
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_requests.empty(); });
        if (m_stopping) break;
        const std::wstring path = std::move(m_requests.back());
        m_requests.pop_back();
        lock.unlock();
        UniqueBitmap thumbnail = MakeThumbnail(path);
        lock.lock();
        // One message for a run of results: the window takes them all at once.
        const bool wasEmpty = m_finished.empty();
        m_finished.push_back(FinishedThumbnail{path, std::move(thumbnail)});
        if (wasEmpty) PostMessageW(m_window, m_message, 0, 0);
    }
}

UniqueBitmap CThumbnailWorker::MakeThumbnail(const std::wstring& path) const
{
    const WindowDC screen(nullptr);
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen.Get(), m_size.cx, m_size.cy));
    const UniqueMemoryDC dc(CreateCompatibleDC(screen.Get()));
    if (!bitmap || !dc) return UniqueBitmap();
    const SelectGuard select(dc.Get(), bitmap.Get());
    const RECT area{0, 0, m_size.cx, m_size.cy};
    FillRect(dc.Get(), &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    CFittedPicture picture;
    if (SUCCEEDED(DecodeFittedPicture(PictureSource{path, nullptr}, m_size, picture))) picture.Draw(dc.Get(), area);
    return bitmap;
}
