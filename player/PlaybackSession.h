#pragma once
// The playback session: the open document, the audio player that plays its voice track, the
// picture list and the playback monitor, and the rules of the transport. It knows no window: it
// tells a view what to show and asks it for timers, and the window drives it with commands.
//
// Opens are serialised here. Every request to open a document replaces any request still
// waiting, so the latest one wins; a request that arrives while an open is running (inside that
// open's message box) waits until the running one has finished. Each open releases the current
// graph before the document replaces the work folder, so the voice file of the previous
// document is never held while the next one is extracted.

#include "document/PlayerDocument.h"
#include "engine/AudioPlayer.h"
#include "engine/PlaybackMonitor.h"
#include "player/RecentDocuments.h"
#include "player/ResumeStore.h"
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Timers of the session, on the view's window besides the audio player's position timer.
constexpr UINT_PTR IDT_INDICATOR = 30000;
constexpr UINT_PTR IDT_DEFERRED_OPEN = 30001;
// One-shot: the next period starts; armed while playing for the moment the picture changes.
constexpr UINT_PTR IDT_NEXT_PERIOD = 30010;
// The notice that playback resumed where the document was left, shown for two seconds.
constexpr UINT_PTR IDT_NOTICE = 30100;

// The looks of the transport indicator: the bitmap each shows.
enum class IndicatorLook : UINT { Blank = 249, Playing = 250, SkippedBack = 251, Paused = 252, SkippedForward = 253 };

// How a document reached the player.
enum class OpenSource { CommandLine, FileDialog, Drop, HandOff };

// What the session asks of the window that shows it.
class ISessionView {
public:
    virtual void ShowTitle(const std::wstring& title) = 0;
    virtual void ShowTime(int seconds) = 0;
    // The seek bar: its thumb, its range (0 to `duration`), whether it can be used, its marks.
    virtual void ShowSeekPosition(int seconds) = 0;
    virtual void ShowSeekRange(int duration) = 0;
    virtual void EnableSeeking(bool enable) = 0;
    virtual void ShowMarks(const std::vector<int>& seconds) = 0;
    virtual void ShowIndicator(IndicatorLook look) = 0;
    // The blank indicator, hidden: no document is open.
    virtual void HideIndicator() = 0;
    // The seek target label with the indicator hidden meanwhile, a notice in its place, and the
    // label hidden again.
    virtual void ShowTarget(int seconds) = 0;
    virtual void ShowNotice(const std::wstring& text) = 0;
    virtual void HideTarget() = 0;
    // The picture at `path`, or the no-picture image for an empty path; and the picture to
    // show next, made ready ahead.
    virtual void ShowPicture(const std::wstring& path) = 0;
    virtual void PreparePicture(const std::wstring& path) = 0;
    // The picture an open starts with, on screen before this returns.
    virtual void ShowFirstPicture(const std::wstring& path) = 0;
    virtual void ShowVolume(int volume) = 0;
    // The listening speed, shown while it is not 1.
    virtual void ShowSpeed(double speed) = 0;
    virtual void ShowMute(bool muted) = 0;
    // A message box with a string of the resource module, or with a text of its own.
    virtual void Report(UINT stringId) = 0;
    virtual void ReportText(const std::wstring& text) = 0;
    virtual void StartTimer(UINT_PTR id, UINT milliseconds) = 0;
    virtual void StopTimer(UINT_PTR id) = 0;
    // Calls RunQueuedOpen soon, once the present message has been handled.
    virtual void ScheduleOpen() = 0;

protected:
    ~ISessionView() = default;
};

class CPlaybackSession : private IPlaybackView {
public:
    // A session on the player's work folder, or on `workFolder` when one is given (see
    // CPlayerDocument), that keeps what it remembers for the user under HKEY_CURRENT_USER\
    // `settingsKey`.
    CPlaybackSession(ISessionView& view, std::unique_ptr<IAudioPlayer> player, std::wstring workFolder = {},
                     std::wstring settingsKey = kUserSettingsKey);
    CPlaybackSession(const CPlaybackSession&) = delete;
    CPlaybackSession& operator=(const CPlaybackSession&) = delete;
    ~CPlaybackSession();

    // Opens the mixer with `owner` as its callback window and shows the volume and mute.
    HRESULT Initialize(HWND owner);
    // Remembers where the document was left and lets go of the graph; the window is going away.
    void Close();

    // Opens `path` as it came from `source`: a command-line document 1.5 s from now, a second
    // start's document or a dropped one once the message that brought it has been answered (the
    // program on the other end never waits on this player's message boxes), a file-dialog
    // choice at once (or as soon as a running open has finished). The result is that of an open
    // run at once, S_OK otherwise.
    HRESULT RequestOpen(const std::wstring& path, OpenSource source);
    HRESULT RunQueuedOpen();
    // Opens the recent document at `index` of RecentDocuments(); one that is gone is named in a
    // message and taken off the list.
    void OpenRecent(size_t index);
    const std::vector<std::wstring>& RecentDocuments() const { return m_recent.Paths(); }

    void Play();
    void Pause();
    void PlayPause();
    void SkipBack();
    void SkipForward();
    void NextPicture();
    void PreviousPicture();
    void SeekToStart();
    // Jumps to the start of period `index` of Pictures() and plays.
    void JumpToPeriod(size_t index);
    // The listening speed: one of kListeningSpeeds, kept for the user. A step past either end
    // stays at that end.
    void SetSpeed(double speed);
    void StepSpeed(int steps);
    double Speed() const { return m_player->GetSpeed(); }
    // Whether playback stops at the start of each period it reaches by playing; kept for the user.
    void TogglePauseAtPictures();
    bool PausesAtPictures() const { return m_pauseAtPictures; }
    void ToggleMute();
    void StepVolume(int delta);
    // The volume slider moved. A failure is the caller's to report.
    HRESULT SetVolume(int volume);
    // The seek bar is pressed or dragged at `seconds`, and released there.
    void PreviewSeek(int seconds);
    void SeekTo(int seconds);
    // A timer of the session or of the audio player has ticked.
    void OnTimer(UINT_PTR id);
    // The system volume or mute changed elsewhere.
    void OnMixerChange();

    bool IsDocumentLoaded() const;
    PlayerState State() const { return m_player->GetState(); }
    bool IsMuted() const { return m_muted; }
    const std::vector<PictureEntry>& Pictures() const { return m_pictures; }
    // The period that holds the position: an index into Pictures(), 0 when none has started.
    size_t CurrentPeriod() const;

private:
    struct OpenRequest {
        std::wstring path;
        OpenSource source;
    };

    HRESULT ReadPositionMs(int& milliseconds) const;
    HRESULT OpenNow(const OpenRequest& request);
    HRESULT LoadDocument(const std::wstring& path);
    // After an open: continue where the document was left, saying so for a moment.
    void Resume();
    void RememberPosition();
    void ResetToNoDocument();
    // Moves to `milliseconds` and shows it: thumb, picture and time.
    void Jump(int milliseconds);
    void Skip(int seconds, IndicatorLook look);
    void ShowStateLook();
    void ShowStateAfterSeek();
    // Shows the picture of the period that holds `milliseconds`; the view reloads only when the
    // picture changes (paths compared without regard to case), unless `force` asks for it.
    void PictureAt(int milliseconds, bool force);
    // Arms the next-period timer for the moment the recording reaches the next period's start,
    // or disarms it when nothing plays or no period follows.
    void ScheduleNextPeriod();
    void OnNextPeriod();
    void PauseAtPeriod(int start);

    // IPlaybackView: what the monitor shows on each tick.
    void ShowProgress(int seconds) override;
    void ShowEnd() override;
    void ReportPlaybackFailure() override;

    ISessionView& m_view;
    std::unique_ptr<IAudioPlayer> m_player;
    CPlayerDocument m_document;
    CPlaybackMonitor m_monitor;
    std::vector<PictureEntry> m_pictures;
    std::wstring m_currentPicture;
    bool m_muted = false;
    std::optional<OpenRequest> m_queuedOpen;
    bool m_opening = false;
    std::optional<int> m_nextPeriod; // the start the next-period timer is armed for
    std::wstring m_settingsKey;
    CResumeStore m_resume;
    CRecentDocuments m_recent;
    std::optional<DocumentIdentity> m_openDocument;
    bool m_pauseAtPictures = false;
    double m_storedSpeed = 1.0; // read at construction, given to the player at Initialize
};
