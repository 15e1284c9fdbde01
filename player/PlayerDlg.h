#pragma once
// The player window: a dialog from template 101 that owns the audio player, the document, its
// copy of the picture list and every control, and acts as the controller of playback. Its
// handlers are spread over a few files by concern: transport and playback (PlayerDlg.cpp),
// opening documents (PlayerDlgOpen.cpp), window commands and menus (PlayerDlgCommands.cpp), and
// the header skin and layout (ui/MainWindowSkin).

#include "document/PlayerDocument.h"
#include "engine/AudioPlayer.h"
#include "engine/PlaybackMonitor.h"
#include "base/ComPtr.h"
#include "framework/Dialog.h"
#include "base/Handles.h"
#include "base/ExternalNames.h"
#include "player/PlayerKeys.h"
#include "ui/ImageCtrl.h"
#include "ui/SeekBar.h"
#include "ui/SkinButton.h"
#include "ui/SkinSlider.h"
#include <oleidl.h>
#include <string>
#include <vector>

// Window timers besides the audio player's position timer.
constexpr UINT_PTR IDT_INDICATOR = 30000;
constexpr UINT_PTR IDT_DEFERRED_OPEN = 30001;

class CPlayerDlg : public CDialog, private IPlaybackView, private ISeekPreviewSource {
public:
    // The marker by which a second start finds the running player's window.
    static constexpr const wchar_t* kWindowProperty = kPlayerWindowProperty;

    enum class IndicatorLook : UINT { Blank = 249, Playing = 250, SkippedBack = 251, Paused = 252, SkippedForward = 253 };

    CPlayerDlg();
    ~CPlayerDlg() override;

    void SetPendingPath(const std::wstring& path) { m_pendingPath = path; }

    // Transport commands, also reached from the context menu.
    void OnPlay();
    void OnPause();
    void OnSkipBack();
    void OnSkipForward();
    void OnNextPicture();
    void OnPreviousPicture();
    void OnMute();
    void VolumeStep(int delta);
    // The toggle of the Space and play / pause keys: pause while playing, play otherwise.
    void OnPlayPause();
    // Seeks to the start and shows the look of the present state, as a seek bar release at 0.
    void OnSeekToStart();

    void ResetPlayerUi();
    void ShowIndicator(IndicatorLook look);
    void ShowTime(int seconds);
    void PictureAt(int seconds, bool force);

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

    // How a document reached the window; the open sequence differs a little for each.
    enum class OpenSource { CommandLine, FileDialog, Drop, HandOff };

    // Creation and teardown
    LRESULT OnCreate(LPARAM lParam);
    void OnDestroy();
    void SetUpButtons();
    HRESULT SetUpSliders();
    void ArrangeTabOrder();
    void ReportStartupFailure(HRESULT hr);

    // Playback
    void OnTimer(UINT_PTR id);
    void OnIndicatorTimeout();
    void SeekTo(int seconds);
    LRESULT OnSliderPressed(UINT id);
    LRESULT OnSliderDragged(UINT id);
    LRESULT OnSliderReleased(UINT id);
    void OnMixerChange();
    void ShowMuteLook(bool muted);
    void ShowVolume(int volume);
    bool IsDocumentLoaded() const;
    void ReportPlaybackFailure() override;
    void ShowProgress(int seconds) override;
    void ShowEnd() override;
    void RestoreIndicatorForState();
    std::wstring PreviewPicture(int second) const override;
    std::wstring PreviewCaption(int second) const override;
    // The indicator after a seek: playing, blank when finished, paused otherwise.
    void ShowStateAfterSeek();

    // Opening documents
    HRESULT OpenDocument(const std::wstring& path, OpenSource source);
    void OnDeferredOpen();
    void OnOpenWithDialog();
    void OnCopyData(const COPYDATASTRUCT* data);
    HRESULT DropFiles(IDataObject* data, DWORD* effect);
    bool AcceptsDrag(IDataObject* data) const;

    // Window commands, menus and the about box
    void OnTopMost();
    void OnCompactView();
    // The strip view's region: only the header stays visible and clickable.
    void ApplyStripRegion();
    void OnMaximizeRestore();
    void OnContextMenu(POINT clientPoint);
    void OnMenuCommand(WPARAM command);
    void OnSysCommand(WPARAM command, LPARAM lParam);
    // Runs the command of a key or media key; false when there is none.
    bool RunKeyCommand(KeyCommand command);
    void ShowAboutBox();
    void SetToggleBitmaps(CSkinButton& button, UINT image, UINT mask);

    // Skin: header painting, layout, size limits, moving by the background
    void OnPaint();
    void OnSize();
    void OnSizing(UINT edge, RECT* rect);
    void OnDpiChanged(const RECT& suggested);
    LRESULT OnCtlColor(HDC dc, HWND control);

    CDropTarget m_dropTarget{*this};
    CAudioPlayer m_player;
    CPlayerDocument m_document;
    CPlaybackMonitor m_monitor;
    std::wstring m_pendingPath;
    // The drag in progress, held from DragEnter to DragLeave or Drop. A counted reference: a
    // drag from another process hands over a proxy that is gone once DragEnter returns.
    ComPtr<IDataObject> m_dragData;
    bool m_dragging = false;
    bool m_focusCuesShown = false; // set by the first Tab

    POINT m_dragStart{0, 0};
    UniqueBrush m_backgroundBrush;
    std::vector<PictureEntry> m_pictures;
    std::wstring m_currentPicture;
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
    CSkinButton m_topMost;
    CSkinButton m_mute;
    CSkinButton m_compact;
    CSkinButton m_close;
    CSkinButton m_maximize;
    CSkinButton m_minimize;
    CSkinButton m_indicator;
    CSkinSlider m_volume;
    CSeekBar m_seekBar;
    UniqueFont m_font;
};
