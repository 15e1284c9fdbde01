#pragma once
// The picture view: shows one picture centred and scaled to fit without changing its aspect
// ratio, on black, composed off screen so that picture changes and resizing do not flicker. The
// view knows nothing of documents or time: the player window tells it which picture to show.
//
// Pictures are decoded at the view's size (PictureDecode.h); those asked for with ShowPicture
// and PreparePicture on a worker thread of the view's own, so that the window goes on answering
// while a large picture decodes. The view keeps two pictures at most: the one on screen and the
// one prepared for the next switch. A resized view stretches the picture it shows until that
// picture is decoded again at the new size.
//
// The view is the static control of the dialog template bound by its control ID. COM must be
// initialised on the window's thread: the Load calls and the no-picture image decode there.

#include "ui/PictureDecode.h"
#include "ui/PictureWorker.h"
#include "framework/Wnd.h"
#include <memory>
#include <string>

class CImageCtrl : public CStatic {
public:
    // Posted by the worker to the view when a decode has finished.
    static constexpr UINT kPictureDecodedMessage = WM_APP + 0x20;

    // Shows the picture file at `path` as soon as it is decoded, at once when it was prepared
    // ahead; the previous picture stays until then. A picture that cannot be decoded shows the
    // no-picture image of the resource module, and so does an empty path. The newest request
    // always wins: an older one still decoding never replaces it.
    void ShowPicture(const std::wstring& path);
    // Decodes the picture file at `path` ahead, at the view's size, for a ShowPicture to come.
    // It replaces the picture prepared before.
    void PreparePicture(const std::wstring& path);
    // Whether a decode is under way or its result not yet taken.
    bool IsDecoding() const { return m_worker && m_worker->IsBusy(); }

    // Loads that decode on the calling thread, for pictures known to be small. Each first lets
    // go of the current picture, so after a failed load the view is empty (painted black) and
    // never keeps showing the previous picture. They return S_OK or the failure's code and
    // never throw.

    // A complete image file held in memory, in any format the imaging component decodes.
    HRESULT LoadFromMemory(const void* data, size_t size);
    // An image file named by a path.
    HRESULT LoadFromPath(const std::wstring& path);
    // A bitmap resource of the resource module (E_FAIL when the module has none of that ID).
    HRESULT LoadFromResource(UINT id);

    bool HasPicture() const { return !m_shown.IsEmpty(); }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    HRESULT LoadNow(PictureSource source);
    void ShowNoPicture();
    void Present(CFittedPicture picture, PictureSource source);
    // Decodes the shown picture again when the view's size calls for other pixels.
    void RefitShown();
    unsigned Ask(PicturePurpose purpose, const PictureSource& source);
    void TakeDecoded();
    SIZE ViewSize() const;
    void Paint(HDC dc) const;

    CFittedPicture m_shown;
    PictureSource m_shownSource;
    CFittedPicture m_prepared;
    PictureSource m_preparedSource;        // empty while nothing is prepared
    HRESULT m_preparedStatus = S_OK;       // a preparation that failed is kept as its failure
    PictureSource m_preparing;             // the preparation under way
    unsigned m_lastSerial = 0;
    unsigned m_awaitedShow = 0;            // the request whose picture is shown next; 0: none
    PictureSource m_awaitedSource;         // what that request decodes
    bool m_awaitingRefit = false;          // that request decodes the shown picture again
    unsigned m_awaitedPrepare = 0;
    std::unique_ptr<CPictureWorker> m_worker; // last: it stops before the pictures go
};
