#pragma once
// Decodes pictures on a thread of its own, so that a large picture never holds the window that
// asked for it. At most one request of each purpose waits: a newer one replaces it, as only the
// newest picture to show and the newest to prepare still matter. A finished decode is kept until
// the window takes it, and the window is told by a message posted to it: the worker never
// touches the window otherwise, and holds its lock only to hand requests and results over.

#include "ui/PictureDecode.h"
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

enum class PicturePurpose { Show, Prepare };

struct PictureRequest {
    unsigned serial = 0; // tells the window's newest request from older ones
    PicturePurpose purpose = PicturePurpose::Show;
    PictureSource source;
    SIZE view{};
};

struct PictureResult {
    unsigned serial = 0;
    PicturePurpose purpose = PicturePurpose::Show;
    PictureSource source;
    HRESULT status = E_PENDING;
    CFittedPicture picture;
};

class CPictureWorker {
public:
    // Finished decodes are announced by posting `message` to `window`.
    CPictureWorker(HWND window, UINT message);
    // Waits for the decode under way, if any, and ends the thread.
    ~CPictureWorker();
    CPictureWorker(const CPictureWorker&) = delete;
    CPictureWorker& operator=(const CPictureWorker&) = delete;

    void Ask(PictureRequest request);
    // The preparation `serial`, if it still waits, is now a picture to show: it goes before any
    // other preparation, and a newer preparation no longer replaces it.
    void Promote(unsigned serial);
    // The decodes finished since the last call, oldest first.
    std::vector<PictureResult> TakeResults();
    // Whether a request waits or is being decoded, or a result waits to be taken.
    bool IsBusy() const;

private:
    void Run();
    std::optional<PictureRequest> NextRequest();

    HWND m_window;
    UINT m_message;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::optional<PictureRequest> m_show; // waits before any preparation
    std::optional<PictureRequest> m_prepare;
    std::vector<PictureResult> m_results;
    bool m_decoding = false;
    bool m_stopping = false;
    std::thread m_thread; // last: it starts once everything it uses is in place
};
