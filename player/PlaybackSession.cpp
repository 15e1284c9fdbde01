#include "player/PlaybackSession.h"
#include "document/WorkFolder.h"
#include "base/Result.h"
#include "framework/Resources.h"
#include "player/DocumentPath.h"
#include "resources/ResourceIds.h"
#include "voice/TimeStretch.h"
#include <algorithm>
#include <iterator>
#include <climits>

namespace {
constexpr int kSkipForwardSeconds = 10;
constexpr int kSkipBackSeconds = 3;
constexpr UINT kIndicatorTimeoutMs = 1000;
constexpr UINT kDeferredOpenMs = 1500;
constexpr UINT kNoticeMs = 2000;

// The stored speed when it is one of the listening speeds; 1 for anything else.
double StoredSpeed(const std::wstring& settingsKey)
{
    const double speed = ReadUserNumber(settingsKey, kSpeedValue).value_or(100) / 100.0;
    return IsListeningSpeed(speed) ? speed : 1.0;
}

// The wait cursor for the length of an open.
class WaitCursor {
public:
    WaitCursor() : m_previous(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    ~WaitCursor() { SetCursor(m_previous); }

private:
    HCURSOR m_previous;
};
}

CPlaybackSession::CPlaybackSession(ISessionView& view, std::unique_ptr<IAudioPlayer> player, std::wstring workFolder,
                                   std::wstring settingsKey)
    : m_view(view), m_player(std::move(player)),
      m_document(workFolder.empty() ? GetWorkFolderPath() : std::move(workFolder)), m_settingsKey(settingsKey),
      m_resume(settingsKey), m_recent(settingsKey),
      m_pauseAtPictures(ReadUserNumber(settingsKey, kPauseAtPicturesValue).value_or(0) == 1),
      m_storedSpeed(StoredSpeed(settingsKey))
{
}

CPlaybackSession::~CPlaybackSession() = default;

HRESULT CPlaybackSession::Initialize(HWND owner)
{
    return RunOperation([&] {
        ThrowIfFailed(m_player->Initialize(owner));
        ThrowIfFailed(m_player->SetSpeed(m_storedSpeed));
        m_view.ShowSpeed(m_storedSpeed);
        ThrowIfFailed(m_player->GetMute(m_muted));
        int volume = 0;
        ThrowIfFailed(m_player->GetVolume(volume));
        m_view.ShowMute(m_muted);
        m_view.ShowVolume(volume);
    });
}

void CPlaybackSession::Close()
{
    RememberPosition();
    m_queuedOpen.reset();
    m_player->ReleaseGraph();
    m_currentPicture.clear();
}

// The position in milliseconds as the picture list counts them; a recording of more than 596
// hours stops counting at its last representable millisecond.
HRESULT CPlaybackSession::ReadPositionMs(int& milliseconds) const
{
    LONGLONG position = milliseconds;
    const HRESULT hr = m_player->GetPositionMs(position);
    milliseconds = static_cast<int>(std::clamp<LONGLONG>(position, 0, INT_MAX));
    return hr;
}

bool CPlaybackSession::IsDocumentLoaded() const
{
    std::wstring voice;
    m_document.GetVoicePath(voice);
    return !voice.empty();
}

// ---------------------------------------------------------------------------------------------
// Opening documents

HRESULT CPlaybackSession::RequestOpen(const std::wstring& path, OpenSource source)
{
    m_view.StopTimer(IDT_DEFERRED_OPEN); // a later request wins over a waiting command line
    m_queuedOpen = OpenRequest{path, source};
    switch (source) {
    case OpenSource::CommandLine: m_view.StartTimer(IDT_DEFERRED_OPEN, kDeferredOpenMs); return S_OK;
    case OpenSource::HandOff:
    case OpenSource::Drop: m_view.ScheduleOpen(); return S_OK;
    case OpenSource::FileDialog: break;
    }
    return RunQueuedOpen();
}

HRESULT CPlaybackSession::RunQueuedOpen()
{
    // Inside a running open's message box the request waits; that open runs it when it ends.
    if (m_opening || !m_queuedOpen) return S_OK;
    const OpenRequest request = *m_queuedOpen;
    m_queuedOpen.reset();
    m_opening = true;
    const HRESULT hr = OpenNow(request);
    m_opening = false;
    if (m_queuedOpen) m_view.ScheduleOpen();
    return hr;
}

// Stops what plays, loads the document, marks its pictures, shows the first one and plays from
// the beginning. A document that fails to load leaves the no-document look, with an empty work
// folder, and says so, whichever way it came. A second start's path that names no document is
// refused before the current document is touched, so what plays keeps playing.
HRESULT CPlaybackSession::OpenNow(const OpenRequest& request)
{
    if (request.source == OpenSource::HandOff && !IsOpenableDocumentPath(request.path)) {
        m_view.Report(IDS_PLAYBACK_FAILED);
        return E_INVALIDARG;
    }
    WaitCursor wait;
    const HRESULT hr = LoadDocument(request.path);
    if (FAILED(hr)) {
        ResetToNoDocument();
        // A path that names no file keeps the previous document's items, and a load that failed
        // midway keeps what it copied; neither belongs to a window that shows no document. The
        // graph was released before the load, so nothing holds them.
        CleanUpFolder(m_document.WorkFolder());
        m_view.Report(IDS_PLAYBACK_FAILED);
        return hr;
    }
    Play();
    if (m_player->GetState() == Playing) Resume();
    return S_OK;
}

void CPlaybackSession::OpenRecent(size_t index)
{
    if (index >= m_recent.Paths().size()) return;
    const std::wstring path = m_recent.Paths()[index];
    if (!IsOpenableDocumentPath(path)) {
        m_recent.Remove(path);
        m_view.ReportText(FormatResourceString(IDS_RECENT_MISSING, {path}));
        return;
    }
    RequestOpen(path, OpenSource::FileDialog);
}

void CPlaybackSession::Resume()
{
    int duration = 0;
    if (!m_openDocument || FAILED(m_player->GetDuration(duration))) return;
    const int at = m_resume.Recall(*m_openDocument, duration * 1000);
    if (at <= 0 || FAILED(RunOperation([&] { Jump(at); }))) return;
    m_view.ShowNotice(ResumedAtText(at));
    m_view.StartTimer(IDT_NOTICE, kNoticeMs);
}

// A document played to its end, or left near its start or end, is forgotten: it starts anew.
void CPlaybackSession::RememberPosition()
{
    int position = 0;
    int duration = 0;
    if (!m_openDocument || !IsDocumentLoaded() || FAILED(ReadPositionMs(position)) ||
        FAILED(m_player->GetDuration(duration)))
        return;
    m_resume.Remember(*m_openDocument, position, duration * 1000);
}

HRESULT CPlaybackSession::LoadDocument(const std::wstring& path)
{
    RememberPosition();
    m_openDocument.reset();
    return RunOperation([&] {
        m_player->ReleaseGraph();
        m_view.StopTimer(IDT_INDICATOR);
        m_view.StopTimer(IDT_NEXT_PERIOD);
        m_currentPicture.clear();
        ThrowIfFailed(m_document.Load(path));
        ThrowIfFailed(m_document.GetPictureList(m_pictures));
        std::vector<int> marks;
        marks.reserve(m_pictures.size());
        for (const PictureEntry& entry : m_pictures) marks.push_back(entry.time / 1000);
        m_view.ShowMarks(marks);
        // The first picture is on screen before the voice is made ready, which takes longer.
        m_currentPicture = PictureCandidateAt(m_pictures, 0);
        m_view.ShowFirstPicture(m_currentPicture);
        const std::wstring fullPath = FullPathOf(path);
        m_openDocument = IdentifyDocument(fullPath);
        m_recent.Add(fullPath);
        AddToSystemRecentDocuments(fullPath);
    });
}

void CPlaybackSession::ResetToNoDocument()
{
    m_view.StopTimer(IDT_NEXT_PERIOD);
    m_view.HideIndicator();
    m_view.ShowSeekPosition(0);
    m_view.EnableSeeking(false);
    m_view.ShowTitle(L"");
    m_view.ShowTime(0);
    m_document.Reset();
    m_pictures.clear();
    m_view.ShowMarks({});
    PictureAt(0, true);
}

// ---------------------------------------------------------------------------------------------
// Transport

void CPlaybackSession::Play()
{
    const HRESULT hr = RunOperation([&] {
        const PlayerState state = m_player->GetState();
        if (state == Playing) return;
        if (state == Finished || state == Paused) {
            ThrowIfFailed(m_player->Play());
            m_view.ShowIndicator(IndicatorLook::Playing);
            ScheduleNextPeriod();
            return;
        }
        std::wstring voice;
        m_document.GetVoicePath(voice);
        if (voice.empty()) return;
        ThrowIfFailed(m_player->BuildGraph(voice));
        std::wstring title;
        m_document.GetTitle(title);
        m_view.ShowTitle(title);
        m_view.ShowTime(0);
        int duration = 0;
        ThrowIfFailed(m_player->GetDuration(duration));
        m_view.ShowSeekRange(duration);
        m_view.ShowSeekPosition(0);
        int volume = 0;
        ThrowIfFailed(m_player->GetVolume(volume));
        m_view.ShowVolume(volume);
        ThrowIfFailed(m_player->Play());
        m_view.EnableSeeking(true);
        m_view.ShowIndicator(IndicatorLook::Playing);
        ScheduleNextPeriod();
    });
    if (FAILED(hr)) {
        ResetToNoDocument();
        m_view.Report(IDS_PLAYBACK_FAILED);
    }
}

void CPlaybackSession::Pause()
{
    if (!IsDocumentLoaded()) return;
    m_player->Pause();
    m_view.ShowIndicator(IndicatorLook::Paused);
    ScheduleNextPeriod();
    RememberPosition();
}

void CPlaybackSession::PlayPause()
{
    if (m_player->GetState() == Playing)
        Pause();
    else
        Play();
}

void CPlaybackSession::Jump(int milliseconds)
{
    ThrowIfFailed(m_player->SeekMs(milliseconds));
    m_view.ShowSeekPosition(milliseconds / 1000);
    PictureAt(milliseconds, false);
    m_view.ShowTime(milliseconds / 1000);
    ScheduleNextPeriod();
}

// A skip moves the position and leaves the state as it was; the indicator shows the skip for
// a second.
void CPlaybackSession::Skip(int seconds, IndicatorLook look)
{
    const HRESULT hr = RunOperation([&] {
        if (!IsDocumentLoaded()) return;
        int position = 0;
        int duration = 0;
        ThrowIfFailed(m_player->GetPosition(position));
        ThrowIfFailed(m_player->GetDuration(duration));
        Jump(std::clamp(position + seconds, 0, std::max(duration, 0)) * 1000);
        m_view.ShowIndicator(look);
        m_view.StartTimer(IDT_INDICATOR, kIndicatorTimeoutMs);
    });
    if (FAILED(hr)) m_view.Report(IDS_PLAYBACK_FAILED);
}

void CPlaybackSession::SkipBack()
{
    Skip(-kSkipBackSeconds, IndicatorLook::SkippedBack);
}

void CPlaybackSession::SkipForward()
{
    Skip(kSkipForwardSeconds, IndicatorLook::SkippedForward);
}

void CPlaybackSession::NextPicture()
{
    const HRESULT hr = RunOperation([&] {
        if (!IsDocumentLoaded()) return;
        int position = 0;
        ThrowIfFailed(ReadPositionMs(position));
        const std::optional<int> next = NextPeriodStart(m_pictures, position);
        if (!next) return;
        Jump(*next);
        Play();
    });
    if (FAILED(hr)) m_view.Report(IDS_PLAYBACK_FAILED);
}

void CPlaybackSession::PreviousPicture()
{
    const HRESULT hr = RunOperation([&] {
        if (!IsDocumentLoaded()) return;
        int position = 0;
        ThrowIfFailed(ReadPositionMs(position));
        Jump(PreviousPictureStart(m_pictures, position));
        Play();
    });
    if (FAILED(hr)) m_view.Report(IDS_PLAYBACK_FAILED);
}

void CPlaybackSession::SeekToStart()
{
    const HRESULT hr = RunOperation([&] {
        if (!IsDocumentLoaded()) return;
        Jump(0);
        ShowStateAfterSeek();
    });
    if (FAILED(hr)) m_view.Report(IDS_PLAYBACK_FAILED);
}

void CPlaybackSession::JumpToPeriod(size_t index)
{
    const HRESULT hr = RunOperation([&] {
        if (!IsDocumentLoaded() || index >= m_pictures.size()) return;
        Jump(m_pictures[index].time);
        Play();
    });
    if (FAILED(hr)) m_view.Report(IDS_PLAYBACK_FAILED);
}

void CPlaybackSession::SetSpeed(double speed)
{
    if (!IsListeningSpeed(speed) || FAILED(m_player->SetSpeed(speed))) return;
    WriteUserNumber(m_settingsKey, kSpeedValue, static_cast<DWORD>(speed * 100 + 0.5));
    m_view.ShowSpeed(speed);
    ScheduleNextPeriod(); // the next picture comes sooner or later in the room's time
}

void CPlaybackSession::StepSpeed(int steps)
{
    const auto current = std::find(std::begin(kListeningSpeeds), std::end(kListeningSpeeds), Speed());
    const int last = static_cast<int>(std::size(kListeningSpeeds)) - 1;
    const int at = current == std::end(kListeningSpeeds) ? 2 : static_cast<int>(current - std::begin(kListeningSpeeds));
    SetSpeed(kListeningSpeeds[std::clamp(at + steps, 0, last)]);
}

void CPlaybackSession::TogglePauseAtPictures()
{
    m_pauseAtPictures = !m_pauseAtPictures;
    WriteUserNumber(m_settingsKey, kPauseAtPicturesValue, m_pauseAtPictures ? 1 : 0);
}

size_t CPlaybackSession::CurrentPeriod() const
{
    int position = 0;
    if (FAILED(ReadPositionMs(position))) return 0;
    size_t current = 0;
    for (size_t i = 0; i < m_pictures.size() && m_pictures[i].time <= position; ++i) current = i;
    return current;
}

void CPlaybackSession::PreviewSeek(int seconds)
{
    m_view.ShowTarget(seconds);
}

// A release on a picture's start second lands on the picture's own moment, so the picture is
// shown from the position on. A failed seek leaves the label and the indicator as they were.
void CPlaybackSession::SeekTo(int seconds)
{
    int target = seconds * 1000;
    for (const PictureEntry& entry : m_pictures) {
        if (entry.time / 1000 == seconds) {
            target = entry.time;
            break;
        }
    }
    if (FAILED(m_player->SeekMs(target))) return;
    m_view.HideTarget();
    ShowStateAfterSeek();
    PictureAt(target, false);
    m_view.ShowTime(seconds);
    ScheduleNextPeriod();
}

// ---------------------------------------------------------------------------------------------
// Volume and mute: failures are not reported, the mixer's own look stays.

void CPlaybackSession::ToggleMute()
{
    m_muted = !m_muted;
    m_view.ShowMute(m_muted);
    m_player->SetMute(m_muted);
}

void CPlaybackSession::StepVolume(int delta)
{
    int volume = 0;
    if (FAILED(m_player->GetVolume(volume))) return;
    const int next = std::clamp(volume + delta, 0, 100);
    if (SUCCEEDED(m_player->SetVolume(next))) m_view.ShowVolume(next);
}

HRESULT CPlaybackSession::SetVolume(int volume)
{
    const HRESULT hr = m_player->SetVolume(volume);
    if (SUCCEEDED(hr)) m_view.ShowVolume(volume);
    return hr;
}

void CPlaybackSession::OnMixerChange()
{
    int volume = 0;
    if (SUCCEEDED(m_player->GetVolume(volume))) m_view.ShowVolume(volume);
    bool muted = false;
    if (SUCCEEDED(m_player->GetMute(muted))) m_muted = muted;
    m_view.ShowMute(m_muted);
}

// ---------------------------------------------------------------------------------------------
// Timers and what the monitor shows

void CPlaybackSession::OnTimer(UINT_PTR id)
{
    switch (id) {
    case IDT_POSITION:
        m_monitor.OnTick(*m_player, *this);
        break;
    case IDT_INDICATOR:
        m_view.HideTarget();
        ShowStateLook();
        m_view.StopTimer(IDT_INDICATOR);
        break;
    case IDT_DEFERRED_OPEN:
        m_view.StopTimer(IDT_DEFERRED_OPEN);
        RunQueuedOpen();
        break;
    case IDT_NEXT_PERIOD:
        OnNextPeriod();
        break;
    case IDT_NOTICE:
        m_view.HideTarget();
        ShowStateLook();
        m_view.StopTimer(IDT_NOTICE);
        break;
    default:
        m_view.Report(IDS_PLAYBACK_FAILED); // a timer nobody armed
        break;
    }
}

void CPlaybackSession::ShowStateLook()
{
    switch (m_player->GetState()) {
    case Playing: m_view.ShowIndicator(IndicatorLook::Playing); break;
    case Paused: m_view.ShowIndicator(IndicatorLook::Paused); break;
    default: m_view.ShowIndicator(IndicatorLook::Blank); break;
    }
}

void CPlaybackSession::ShowStateAfterSeek()
{
    switch (m_player->GetState()) {
    case Playing: m_view.ShowIndicator(IndicatorLook::Playing); break;
    case Finished: m_view.ShowIndicator(IndicatorLook::Blank); break;
    default: m_view.ShowIndicator(IndicatorLook::Paused); break;
    }
}

// The tick follows the position in whole seconds; the picture follows the exact one, and the
// next-period timer has usually shown it already.
void CPlaybackSession::ShowProgress(int seconds)
{
    m_view.ShowSeekPosition(seconds);
    int milliseconds = seconds * 1000;
    ReadPositionMs(milliseconds);
    PictureAt(milliseconds, false);
    m_view.ShowTime(seconds);
}

void CPlaybackSession::ShowEnd()
{
    m_view.ShowSeekPosition(0);
    m_view.ShowIndicator(IndicatorLook::Blank);
    PictureAt(0, true);
    m_view.ShowTime(0);
    ScheduleNextPeriod();
}

void CPlaybackSession::ScheduleNextPeriod()
{
    int position = 0;
    std::optional<int> next;
    if (m_player->GetState() == Playing && SUCCEEDED(ReadPositionMs(position)))
        next = NextPeriodStart(m_pictures, position);
    m_nextPeriod = next;
    if (!next) {
        m_view.StopTimer(IDT_NEXT_PERIOD);
        return;
    }
    // The system does not fire a timer sooner than about 10 ms; a period shorter than that is
    // shown when the timer comes, and the one then current is shown.
    const double wallMs = (*next - position) / m_player->GetSpeed();
    m_view.StartTimer(IDT_NEXT_PERIOD, static_cast<UINT>(std::max(wallMs, 1.0)));
    m_view.PreparePicture(PictureCandidateAt(m_pictures, *next));
}

// A timer may come a little before its moment: then it is armed again for the rest. When
// playback pauses at each picture, it stops at the start it was armed for, even when the timer
// came so late that a short period has passed too.
void CPlaybackSession::OnNextPeriod()
{
    int position = 0;
    if (m_player->GetState() == Playing && SUCCEEDED(ReadPositionMs(position))) {
        if (m_pauseAtPictures && m_nextPeriod && position >= *m_nextPeriod) {
            PauseAtPeriod(*m_nextPeriod);
            return;
        }
        PictureAt(position, false);
    }
    ScheduleNextPeriod();
}

void CPlaybackSession::PauseAtPeriod(int start)
{
    m_player->Pause();
    m_view.ShowIndicator(IndicatorLook::Paused);
    if (SUCCEEDED(m_player->SeekMs(start))) {
        m_view.ShowSeekPosition(start / 1000);
        m_view.ShowTime(start / 1000);
    }
    PictureAt(start, false);
    ScheduleNextPeriod();
}

void CPlaybackSession::ReportPlaybackFailure()
{
    m_view.Report(IDS_PLAYBACK_FAILED);
}

void CPlaybackSession::PictureAt(int milliseconds, bool force)
{
    const std::wstring candidate = PictureCandidateAt(m_pictures, milliseconds);
    const bool changed = CompareStringOrdinal(candidate.c_str(), static_cast<int>(candidate.size()),
                                              m_currentPicture.c_str(), static_cast<int>(m_currentPicture.size()),
                                              TRUE) != CSTR_EQUAL;
    if (changed || force) m_view.ShowPicture(candidate);
    m_currentPicture = candidate;
}
