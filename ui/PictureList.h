#pragma once
// The picture list: a window beside the player that lists every period of the document with a
// small thumbnail of its picture, its number ("3 of 8") and its start time, or "no picture".
// The arrow keys move through it; Enter or a click chooses an entry, which the window reports
// to its owner; Escape closes it. Each entry's text carries its number, time and "no picture",
// so that a screen reader says all of it.
//
// It opens at once for any length: the list-view control asks for entries only as it shows
// them, and thumbnails are made at their small size by a worker thread for the entries shown,
// then put in as they come. Pictures load through OLE, so the window's thread needs OLE too.

#include "document/PlayerDocument.h"
#include "base/Handles.h"
#include "framework/Wnd.h"
#include "ui/ThumbnailWorker.h"
#include <commctrl.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Posted to the owner when the user chooses an entry: wParam is the entry's index.
constexpr UINT kPictureChosenMessage = WM_APP + 0x31;

struct ImageListTraits {
    using Type = HIMAGELIST;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { ImageList_Destroy(h); }
};
using UniqueImageList = UniqueHandle<ImageListTraits>;

class CPictureList : public CWnd {
public:
    CPictureList() = default;
    ~CPictureList() override;

    // Opens the list of `pictures` owned by `owner`, beside it where the screen has room and
    // over its side otherwise, with entry `current` selected and in view. A list that is open
    // takes the new pictures and comes forward.
    bool Show(HWND owner, std::vector<PictureEntry> pictures, size_t current);
    // Selects entry `index` and scrolls it into view: the period playing now.
    void SetCurrent(size_t index);
    // Closes the window; Show opens it again.
    void Close();
    bool IsOpen() const { return m_hWnd != nullptr; }
    // The list-view control that shows the entries.
    HWND List() const { return m_list; }
    // True once entry `index` shows its picture's thumbnail; never for an entry without a picture.
    bool HasThumbnail(size_t index) const;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

private:
    bool Create(HWND owner);
    void Load(std::vector<PictureEntry> pictures, size_t current);
    void PlaceBeside(HWND owner);
    LRESULT OnNotify(const NMHDR& header);
    void FillDisplayInfo(LVITEMW& item);
    int ImageOf(size_t index);
    void TakeThumbnails();
    void Choose(int index) const;

    HWND m_list = nullptr;
    HWND m_owner = nullptr;
    UINT m_dpi = 96;
    SIZE m_thumbnailSize{};
    std::vector<PictureEntry> m_pictures;
    UniqueImageList m_images;
    // The image of each picture file by its path: kRequested until the worker has made it.
    std::map<std::wstring, int> m_thumbnails;
    std::unique_ptr<CThumbnailWorker> m_worker;
};
