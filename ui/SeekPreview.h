#pragma once
// The preview of the seek bar: a small popup beside the bar that shows, while the mouse rests
// on the bar, the picture and the time that a click there would seek to. Pictures are turned
// into thumbnails once, on a worker thread so that a large picture never holds the window, and
// kept until the owner says the pictures changed.

#include "base/Handles.h"
#include "framework/Wnd.h"
#include "ui/PictureWorker.h"
#include <map>
#include <memory>
#include <string>

// What the seek bar asks its owner about a second of the recording, so that the bar never
// needs to know the document.
class ISeekPreviewSource {
public:
    // The picture file shown at `second`; empty when no picture is shown there.
    virtual std::wstring PreviewPicture(int second) const = 0;
    // The caption under the picture, the time of `second` as the player writes it.
    virtual std::wstring PreviewCaption(int second) const = 0;

protected:
    ~ISeekPreviewSource() = default;
};

class CSeekPreview : public CWnd {
public:
    // Posted by the worker to the popup when a thumbnail's picture has been decoded.
    static constexpr UINT kThumbnailDecodedMessage = WM_APP + 0x21;

    // The bitmap of the resource module shown where the position has no picture.
    void SetNoPictureBitmap(UINT id) { m_noPicture = id; }
    // Shows `picture` (empty: the no-picture bitmap) over `caption` (also the popup's window
    // text) just below `bar` (screen coordinates), centred on `x` and kept on the bar's monitor;
    // above the bar when there is no room below it. Sizes follow `dpi`.
    void Show(HWND owner, const std::wstring& picture, const std::wstring& caption, const RECT& bar, int x,
              UINT dpi);
    void Hide();
    // The pictures changed (another document): thumbnails made so far are dropped.
    void ForgetPictures();

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool Create(HWND owner);
    HBITMAP Thumbnail(const std::wstring& picture);
    HBITMAP KeepThumbnail(const std::wstring& picture, const CFittedPicture& decoded);
    void TakeDecoded();
    SIZE ThumbnailSize() const;
    void Paint(HDC dc);

    UINT m_noPicture = 0;
    UINT m_dpi = 96;
    std::wstring m_picture;
    std::map<std::wstring, UniqueBitmap> m_thumbnails; // by picture path; "" is the no-picture one
    std::wstring m_decoding;     // the picture whose thumbnail is being decoded
    unsigned m_lastSerial = 0;
    unsigned m_forgottenUpTo = 0; // decodes asked for up to this one belong to pictures forgotten
    UniqueFont m_font;
    UINT m_fontDpi = 0;
    std::unique_ptr<CPictureWorker> m_worker; // last: it stops before the thumbnails go
};
