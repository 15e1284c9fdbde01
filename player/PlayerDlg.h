#pragma once
// The player window: a dialog from template 101 that holds the controls, the skin, the menus and
// the drop target, and shows the playback session it drives. Every command, whichever button,
// menu item or key raised it, goes through RunCommand. Its handlers are spread over a few files
// by concern: controls, messages and the session's view (PlayerDlg.cpp), opening documents
// (PlayerDlgOpen.cpp), window commands and menus (PlayerDlgCommands.cpp), and the header skin
// and layout (PlayerDlgSkin.cpp).

#include "base/ComPtr.h"
#include "base/ExternalNames.h"
#include "base/Handles.h"
#include "framework/Dialog.h"
#include "player/PlaybackSession.h"
#include "player/PlayerCommands.h"
#include "ui/ImageCtrl.h"
#include "ui/PictureList.h"
#include "ui/SeekBar.h"
#include "ui/SkinButton.h"
#include "ui/SkinSlider.h"
#include <oleidl.h>
#include <string>
#include <vector>

// Posted by the window to itself to run a document open that a second start asked for, once the
// second start's message has been answered.
constexpr UINT WM_RUN_QUEUED_OPEN = WM_APP + 1;

class CPlayerDlg : public CDialog, private ISessionView, private ISeekPreviewSource {
public:
    CPlayerDlg();
    ~CPlayerDlg() override;

    // The document of the command line, opened once the window has been up for a moment.
    void SetPendingPath(const std::wstring& path) { m_pendingPath = path; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    bool PreTranslateMessage(MSG& message) override;
    // Enter and Escape never close the player; closing is WM_CLOSE's job.
    void OnOK() override {}
    void OnCancel() override { EndDialog(IDCANCEL); }

private:
    // Accepts a drag only when it carries exactly one ".kav" file. It lives exactly as long as
    // the window, so it keeps no reference count of its own.
    class CDropTarget : public IDropTarget {
    public:
        explicit CDropTarget(CPlayerDlg& owner) : m_owner(owner) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
        ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
        ULONG STDMETHODCALLTYPE Release() override { return 1; }
        HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
        HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
        HRESULT STDMETHODCALLTYPE DragLeave() override;
        HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;

    private:
        CPlayerDlg& m_owner;
    };

    // Creation and teardown
    LRESULT OnCreate(LPARAM lParam);
    void OnDestroy();
    void SetUpButtons();
    void SetUpSliders();
    void ArrangeTabOrder();
    void ReportStartupFailure(HRESULT hr);

    // The one dispatch of commands
    void RunCommand(PlayerCommand command);
    void Dispatch(PlayerCommand command);

    // Sliders
    LRESULT OnSliderPressed(UINT id);
    LRESULT OnSliderDragged(UINT id);
    LRESULT OnSliderReleased(UINT id);

    // ISessionView
    void ShowTitle(const std::wstring& title) override;
    void ShowTime(int seconds) override;
    void ShowSeekPosition(int seconds) override;
    void ShowSeekRange(int duration) override;
    void EnableSeeking(bool enable) override;
    void ShowMarks(const std::vector<int>& seconds) override;
    void ShowIndicator(IndicatorLook look) override;
    void HideIndicator() override;
    void ShowTarget(int seconds) override;
    void ShowNotice(const std::wstring& text) override;
    void HideTarget() override;
    void ShowPicture(const std::wstring& path) override;
    void PreparePicture(const std::wstring& path) override;
    void ShowFirstPicture(const std::wstring& path) override;
    void ShowVolume(int volume) override;
    void ShowSpeed(double speed) override;
    void ShowMute(bool muted) override;
    void Report(UINT stringId) override;
    void ReportText(const std::wstring& text) override;
    void StartTimer(UINT_PTR id, UINT milliseconds) override;
    void StopTimer(UINT_PTR id) override;
    void ScheduleOpen() override;

    // ISeekPreviewSource
    std::wstring PreviewPicture(int second) const override;
    std::wstring PreviewCaption(int second) const override;

    // Opening documents
    void OnOpenWithDialog();
    void OnCopyData(const COPYDATASTRUCT* data);
    HRESULT DropFiles(IDataObject* data, DWORD* effect);
    bool AcceptsDrag(IDataObject* data) const;

    // Window commands, menus and the about box
    void OnTopMost();
    void OnStripView();
    // The strip view's region: only the header stays visible and clickable.
    void ApplyStripRegion();
    void OnMaximizeRestore();
    void OnContextMenu(POINT clientPoint);
    void OnMenuCommand(WPARAM command);
    void OnSysCommand(WPARAM command, LPARAM lParam);
    void ShowAboutBox();
    void ShowPictureList();
    void ShowTopMostLook();
    void ShowStripViewLook();
    void ShowMaximizeLook(bool afterSystemRestore);

    // Skin: header painting, layout, size limits, moving by the background
    void OnPaint();
    void OnSize();
    void OnSizing(UINT edge, RECT* rect);
    void OnDpiChanged(const RECT& suggested);
    LRESULT OnCtlColor(HDC dc, HWND control);

    CDropTarget m_dropTarget{*this};
    CPlaybackSession m_session;
    std::wstring m_pendingPath;
    // The drag in progress, held from DragEnter to DragLeave or Drop. A counted reference: a
    // drag from another process hands over a proxy that is gone once DragEnter returns.
    ComPtr<IDataObject> m_dragData;

    // The window's own state; the toggle buttons' looks and checks follow it.
    bool m_topMost = false;
    bool m_stripView = false;
    bool m_maximised = false;
    bool m_focusCuesShown = false; // set by the first Tab
    int m_shownSeconds = 0;        // the time the time label shows, and the speed beside it
    double m_shownSpeed = 1.0;
    bool m_movingWindow = false;
    POINT m_moveStart{0, 0};

    UniqueBrush m_backgroundBrush;
    HICON m_icon = nullptr; // shared icon of the resource module; not destroyed

    CStatic m_title;
    CStatic m_time;
    CStatic m_targetTime;
    CImageCtrl m_picture;
    CSkinButton m_play;
    CSkinButton m_pause;
    CSkinButton m_skipBack;
    CSkinButton m_skipForward;
    CSkinButton m_nextPicture;
    CSkinButton m_prevPicture;
    CSkinButton m_topMostButton;
    CSkinButton m_mute;
    CSkinButton m_compact;
    CSkinButton m_close;
    CSkinButton m_maximize;
    CSkinButton m_minimize;
    CSkinButton m_indicator;
    CSkinSlider m_volume;
    CSeekBar m_seekBar;
    CPictureList m_pictureList;
    UniqueFont m_font;
};
