#pragma once
// The preview of the seek bar: a small popup beside the bar that shows, while the mouse rests
// on the bar, the picture and the time that a click there would seek to. Pictures are turned
// into thumbnails once and kept until the owner says the pictures changed.

#include "base/Handles.h"
#include "framework/Wnd.h"
#include <map>
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
    void Paint(HDC dc);

    UINT m_noPicture = 0;
    UINT m_dpi = 96;
    std::wstring m_picture;
    std::map<std::wstring, UniqueBitmap> m_thumbnails; // by picture path; "" is the no-picture one
    UniqueFont m_font;
    UINT m_fontDpi = 0;
};
