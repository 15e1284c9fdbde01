#pragma once
// Makes thumbnails of picture files on a thread of its own, so that a window showing many of
// them never waits for a decode. The newest request is served first: it is the picture the
// user looks at now. Finished thumbnails wait in the worker until the window takes them; the
// window hears of them by a message posted to it. The thread is stopped and joined when the
// worker goes, and the thumbnails nobody took go with it.

#include "base/Handles.h"
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct FinishedThumbnail {
    std::wstring path;
    UniqueBitmap bitmap; // the picture fitted on black; black alone when the picture did not load
};

class CThumbnailWorker {
public:
    // Thumbnails of `size` pixels; `window` is posted `message` when new ones are ready to take.
    CThumbnailWorker(HWND window, UINT message, SIZE size);
    CThumbnailWorker(const CThumbnailWorker&) = delete;
    CThumbnailWorker& operator=(const CThumbnailWorker&) = delete;
    ~CThumbnailWorker();

    void Request(const std::wstring& path);
    // The thumbnails finished since the last call.
    std::vector<FinishedThumbnail> TakeFinished();

private:
    void Run();
    UniqueBitmap MakeThumbnail(const std::wstring& path) const;

    const HWND m_window;
    const UINT m_message;
    const SIZE m_size;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::vector<std::wstring> m_requests; // served from the back
    std::vector<FinishedThumbnail> m_finished;
    bool m_stopping = false;
    std::thread m_thread; // last: it starts once everything it uses is there
};
