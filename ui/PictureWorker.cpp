#include "ui/PictureWorker.h"
#include <objbase.h>

namespace {
// COM for the worker thread's lifetime: the imaging component is free-threaded, so the thread
// joins the process's multithreaded apartment and needs no message loop of its own.
class CComApartment {
public:
    CComApartment() : m_result(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~CComApartment()
    {
        if (SUCCEEDED(m_result)) CoUninitialize();
    }
    CComApartment(const CComApartment&) = delete;
    CComApartment& operator=(const CComApartment&) = delete;

private:
    HRESULT m_result;
};
}

CPictureWorker::CPictureWorker(HWND window, UINT message)
    : m_window(window), m_message(message), m_thread(&CPictureWorker::Run, this)
{
}

CPictureWorker::~CPictureWorker()
{
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void CPictureWorker::Ask(PictureRequest request)
{
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        (request.purpose == PicturePurpose::Show ? m_show : m_prepare) = std::move(request);
    }
    m_wake.notify_one();
}

void CPictureWorker::Promote(unsigned serial)
{
    const std::lock_guard<std::mutex> lock(m_lock);
    if (!m_prepare || m_prepare->serial != serial) return;
    m_show = std::move(m_prepare);
    m_show->purpose = PicturePurpose::Show;
    m_prepare.reset();
}

std::vector<PictureResult> CPictureWorker::TakeResults()
{
    std::vector<PictureResult> results;
    const std::lock_guard<std::mutex> lock(m_lock);
    results.swap(m_results);
    return results;
}

bool CPictureWorker::IsBusy() const
{
    const std::lock_guard<std::mutex> lock(m_lock);
    return m_decoding || m_show || m_prepare || !m_results.empty();
}

// The next request to decode, pictures to show first; none once the worker stops.
std::optional<PictureRequest> CPictureWorker::NextRequest()
{
    std::unique_lock<std::mutex> lock(m_lock);
    m_decoding = false;
    m_wake.wait(lock, [this] { return m_stopping || m_show || m_prepare; });
    if (m_stopping) return std::nullopt;
    std::optional<PictureRequest>& next = m_show ? m_show : m_prepare;
    std::optional<PictureRequest> request = std::move(next);
    next.reset();
    m_decoding = true;
    return request;
}

void CPictureWorker::Run()
{
    const CComApartment com;
    // Decoding is background work: the window's thread goes first when both want the processor.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    while (std::optional<PictureRequest> request = NextRequest()) {
        PictureResult result;
        result.serial = request->serial;
        result.purpose = request->purpose;
        result.status = DecodeFittedPicture(request->source, request->view, result.picture);
        result.source = std::move(request->source);
        {
            const std::lock_guard<std::mutex> lock(m_lock);
            m_results.push_back(std::move(result));
        }
        // Posted while still marked as decoding, so the window is never told it is idle before
        // the message that carries the news is in its queue.
        PostMessageW(m_window, m_message, 0, 0);
    }
}
