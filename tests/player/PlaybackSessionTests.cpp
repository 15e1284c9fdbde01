// The playback session on real documents with a fake audio player and a view that records what
// it is told: opens and their order, the transport rules and the indicator's looks.
#include "document/ContainerWriter.h"
#include "document/WorkFolder.h"
#include "base/Handles.h"
#include "framework/Resources.h"
#include "player/PlaybackSession.h"
#include "resources/ResourceIds.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>
#include <functional>
#include <map>

namespace {
// Writes a scratch file and tells its path.
std::wstring WriteScratchFile(const std::wstring& path, const Bytes& bytes)
{
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    return path;
}

// An audio player that plays nothing: a position that moves only when told, and a log of the
// calls that change the graph.
class CFakeAudioPlayer final : public IAudioPlayer {
public:
    HRESULT Initialize(HWND) override { return S_OK; }
    HRESULT BuildGraph(const std::wstring& voicePath) override
    {
        log.push_back(L"build " + voicePath.substr(voicePath.find_last_of(L'\\') + 1));
        if (failBuild) return E_FAIL;
        hasGraph = true;
        positionMs = 0;
        return S_OK;
    }
    HRESULT Play() override
    {
        if (!hasGraph) return E_FAIL;
        state = Playing;
        return S_OK;
    }
    HRESULT Pause() override
    {
        if (hasGraph) state = Paused;
        return S_OK;
    }
    HRESULT FinishPlayback() override
    {
        positionMs = 0;
        state = Finished;
        return S_OK;
    }
    HRESULT Seek(int seconds) override { return SeekMs(seconds * 1000); }
    HRESULT SeekMs(LONGLONG milliseconds) override
    {
        if (milliseconds < 0 || milliseconds > duration * 1000) return E_INVALIDARG;
        positionMs = static_cast<int>(milliseconds);
        return S_OK;
    }
    HRESULT GetDuration(int& seconds) override
    {
        seconds = hasGraph ? duration : 0;
        return S_OK;
    }
    HRESULT GetPosition(int& seconds) override
    {
        seconds = hasGraph ? positionMs / 1000 : 0;
        return S_OK;
    }
    HRESULT GetPositionMs(LONGLONG& milliseconds) override
    {
        milliseconds = hasGraph ? positionMs : 0;
        return S_OK;
    }
    HRESULT SetSpeed(double value) override
    {
        speed = value;
        return S_OK;
    }
    double GetSpeed() const override { return speed; }
    PlayerState GetState() const override { return state; }
    HRESULT ReleaseGraph() override
    {
        log.push_back(L"release");
        hasGraph = false;
        state = Stopped;
        return S_OK;
    }
    HRESULT GetVolume(int& value) override
    {
        value = volume;
        return S_OK;
    }
    HRESULT SetVolume(int value) override
    {
        volume = value;
        return S_OK;
    }
    HRESULT GetMute(bool& value) override
    {
        value = muted;
        return S_OK;
    }
    HRESULT SetMute(bool value) override
    {
        muted = value;
        return S_OK;
    }

    PlayerState state = Stopped;
    bool hasGraph = false;
    bool failBuild = false;
    int positionMs = 0;
    int duration = 60;
    double speed = 1.0;
    int volume = 50;
    bool muted = false;
    std::vector<std::wstring> log;
};

class CRecordingView final : public ISessionView {
public:
    void ShowTitle(const std::wstring& text) override { title = text; }
    void ShowTime(int seconds) override { time = seconds; }
    void ShowSeekPosition(int seconds) override { seekPosition = seconds; }
    void ShowSeekRange(int duration) override { seekRange = duration; }
    void EnableSeeking(bool enable) override { seeking = enable; }
    void ShowMarks(const std::vector<int>& seconds) override { marks = seconds; }
    void ShowIndicator(IndicatorLook look) override { indicator = look; }
    void HideIndicator() override { indicator.reset(); }
    void ShowTarget(int seconds) override
    {
        target = seconds;
        indicator.reset();
    }
    void ShowNotice(const std::wstring& text) override
    {
        notice = text;
        indicator.reset();
    }
    void HideTarget() override
    {
        target.reset();
        notice.reset();
    }
    void ShowPicture(const std::wstring& path) override
    {
        picture = path.substr(path.find_last_of(L'\\') + 1);
        ++pictureLoads;
    }
    void ShowFirstPicture(const std::wstring& path) override { ShowPicture(path); }
    void PreparePicture(const std::wstring& path) override { prepared = path.substr(path.find_last_of(L'\\') + 1); }
    void ShowVolume(int value) override { volume = value; }
    void ShowSpeed(double value) override { speed = value; }
    void ShowMute(bool value) override { muted = value; }
    void Report(UINT stringId) override
    {
        reports.push_back(stringId);
        if (onReport) onReport(); // what the user does while the message box shows
    }
    void ReportText(const std::wstring& text) override { textReports.push_back(text); }
    void StartTimer(UINT_PTR id, UINT milliseconds) override { timers[id] = milliseconds; }
    void StopTimer(UINT_PTR id) override { timers.erase(id); }
    void ScheduleOpen() override { ++scheduledOpens; }

    std::wstring title = L"?";
    int time = -1;
    int seekPosition = -1;
    int seekRange = -1;
    bool seeking = false;
    std::vector<int> marks;
    std::optional<IndicatorLook> indicator;
    std::optional<int> target;
    std::optional<std::wstring> notice;
    std::wstring picture = L"?";
    int pictureLoads = 0;
    std::wstring prepared;
    int volume = -1;
    double speed = 0;
    bool muted = false;
    std::vector<UINT> reports;
    std::vector<std::wstring> textReports;
    std::function<void()> onReport;
    std::map<UINT_PTR, UINT> timers;
    int scheduledOpens = 0;
};

class PlaybackSessionTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_folder = GetTempFolder() + L"kavora-session-test\\";
        CleanUpFolder(m_folder);
        CreateDirectoryW(m_folder.c_str(), nullptr);
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
        SetResourceModule(m_texts.Get());
        StartSession();
    }
    void TearDown() override
    {
        m_session.reset();
        CleanUpFolder(m_folder);
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
        SetResourceModule(nullptr);
    }
    // A new session, as the next run of the player has, with what the last one kept.
    void StartSession()
    {
        m_session.reset();
        auto player = std::make_unique<CFakeAudioPlayer>();
        m_player = player.get();
        m_session = std::make_unique<CPlaybackSession>(m_view, std::move(player), m_folder + L"work\\", kSettingsKey);
        ASSERT_EQ(m_session->Initialize(nullptr), S_OK);
    }

    // A document named `title`.kav: pictures at 0, 12.5 s and 30 s with a period without a
    // picture from 20 s.
    std::wstring Document(const std::wstring& title)
    {
        ContainerContent content;
        EXPECT_EQ(BuildPictureIndex({{false, true, L"a.jpg", 0},
                                     {false, true, L"b.jpg", 12500},
                                     {false, false, L"", 20000},
                                     {false, true, L"c.jpg", 30000}},
                                    content.index),
                  S_OK);
        content.voiceName = title + L".tmv";
        content.voicePath = WriteScratchFile(m_folder + L"voice", {1, 2, 3, 4});
        for (const wchar_t* name : {L"a.jpg", L"b.jpg", L"c.jpg"})
            content.pictures.push_back({name, WriteScratchFile(m_folder + name, {5, 6, 7})});
        const std::wstring path = m_folder + title + L".kav";
        EXPECT_EQ(WriteContainer(path, content), S_OK);
        return path;
    }
    void OpenAndPlay(const std::wstring& title)
    {
        ASSERT_EQ(m_session->RequestOpen(Document(title), OpenSource::FileDialog), S_OK);
        ASSERT_EQ(m_player->state, Playing);
    }

    static constexpr const wchar_t* kSettingsKey = L"Software\\Tesmar\\Kavora Player Tests\\Session";
    const UniqueModule m_texts{LoadLibraryExW(L"ZEL.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE)};
    std::wstring m_folder;
    CRecordingView m_view;
    CFakeAudioPlayer* m_player = nullptr;
    std::unique_ptr<CPlaybackSession> m_session;
};
}  // namespace

TEST_F(PlaybackSessionTest, AnOpenShowsTheDocumentAndPlaysFromTheStart)
{
    EXPECT_EQ(m_view.volume, 50) << "the mixer's volume shows from the start";
    OpenAndPlay(L"Lecture");
    EXPECT_EQ(m_view.title, L"Lecture");
    EXPECT_EQ(m_view.time, 0);
    EXPECT_EQ(m_view.seekRange, 60);
    EXPECT_TRUE(m_view.seeking);
    EXPECT_EQ(m_view.marks, (std::vector<int>{0, 12, 20, 30}));
    EXPECT_EQ(m_view.picture, L"a.jpg") << "the first period's picture, at once";
    EXPECT_EQ(m_view.indicator, IndicatorLook::Playing);
    EXPECT_TRUE(m_view.reports.empty());
}

TEST_F(PlaybackSessionTest, ADamagedDocumentResetsTheWindowAndSaysSo)
{
    OpenAndPlay(L"Lecture");
    const std::wstring damaged = WriteScratchFile(m_folder + L"damaged.kav", std::vector<std::uint8_t>(600, 0x41));
    EXPECT_EQ(m_session->RequestOpen(damaged, OpenSource::Drop), S_OK) << "the drop is answered before it opens";
    EXPECT_EQ(m_view.title, L"Lecture");
    EXPECT_TRUE(FAILED(m_session->RunQueuedOpen()));
    EXPECT_EQ(m_view.reports, std::vector<UINT>{IDS_PLAYBACK_FAILED});
    EXPECT_EQ(m_view.title, L"");
    EXPECT_EQ(m_view.time, 0);
    EXPECT_TRUE(m_view.marks.empty());
    EXPECT_EQ(m_view.picture, L"") << "the no-picture image";
    EXPECT_FALSE(m_view.indicator) << "hidden";
    EXPECT_FALSE(m_view.seeking);
    EXPECT_FALSE(m_player->hasGraph) << "the previous document's voice is not held";
    EXPECT_FALSE(m_session->IsDocumentLoaded());
    m_session->Play();
    EXPECT_EQ(m_player->state, Stopped) << "play without a document does nothing";
}

TEST_F(PlaybackSessionTest, AFailedOpenLeavesNothingOfThePreviousDocumentInTheWorkFolder)
{
    OpenAndPlay(L"Lecture");
    const std::wstring work = m_folder + L"work\\";
    ASSERT_NE(GetFileAttributesW((work + L"a.jpg").c_str()), INVALID_FILE_ATTRIBUTES);
    m_session->RequestOpen(m_folder + L"gone.kav", OpenSource::FileDialog);
    EXPECT_EQ(m_view.title, L"");
    for (const wchar_t* item : {L"ZEL.PIN", L"ZEL.TMV", L"a.jpg"})
        EXPECT_EQ(GetFileAttributesW((work + item).c_str()), INVALID_FILE_ATTRIBUTES) << testing::PrintToString(item);
    OpenAndPlay(L"Next");
    EXPECT_EQ(m_view.title, L"Next") << "the next document opens into a new work folder";
}

TEST_F(PlaybackSessionTest, TheLatestOpenWinsAndEachReleasesTheGraphBeforeLoading)
{
    // A command-line document waits 1.5 s; a second start's document arrives meanwhile.
    m_session->RequestOpen(Document(L"First"), OpenSource::CommandLine);
    EXPECT_EQ(m_view.timers[IDT_DEFERRED_OPEN], 1500u);
    m_session->RequestOpen(Document(L"Second"), OpenSource::HandOff);
    EXPECT_EQ(m_view.timers.count(IDT_DEFERRED_OPEN), 0u) << "the command line no longer waits";
    EXPECT_EQ(m_view.scheduledOpens, 1) << "the hand-off is answered before it opens";
    EXPECT_EQ(m_player->state, Stopped);
    m_session->RunQueuedOpen();
    EXPECT_EQ(m_view.title, L"Second");
    m_session->OnTimer(IDT_DEFERRED_OPEN); // a tick already on its way
    EXPECT_EQ(m_view.title, L"Second");
    EXPECT_EQ(m_player->log, (std::vector<std::wstring>{L"release", L"build ZEL.TMV"}));

    // A document handed over while an open's message box shows waits for that open to end.
    const std::wstring third = Document(L"Third");
    m_view.onReport = [&] {
        m_view.onReport = nullptr;
        m_session->RequestOpen(third, OpenSource::HandOff);
        m_session->RunQueuedOpen(); // the box's own message loop runs the posted message
        EXPECT_EQ(m_view.title, L"") << "not inside the failed open";
    };
    m_session->RequestOpen(m_folder + L"gone.kav", OpenSource::FileDialog);
    EXPECT_EQ(m_view.scheduledOpens, 3) << "the failed open hands the waiting one on";
    m_session->RunQueuedOpen();
    EXPECT_EQ(m_view.title, L"Third");
    EXPECT_EQ(m_player->state, Playing);
}

TEST_F(PlaybackSessionTest, AHandedOverPathThatNamesNoDocumentLeavesThePlayingOneAlone)
{
    OpenAndPlay(L"Lecture");
    m_session->RequestOpen(m_folder + L"missing.kav", OpenSource::HandOff);
    m_session->RunQueuedOpen();
    EXPECT_EQ(m_view.reports, std::vector<UINT>{IDS_PLAYBACK_FAILED});
    EXPECT_EQ(m_view.title, L"Lecture");
    EXPECT_EQ(m_player->state, Playing);
}

TEST_F(PlaybackSessionTest, SkipsStayWithinTheRecordingAndShowTheirLookForASecond)
{
    OpenAndPlay(L"Lecture");
    m_player->positionMs = 2000;
    m_session->SkipBack();
    EXPECT_EQ(m_player->positionMs, 0);
    EXPECT_EQ(m_view.indicator, IndicatorLook::SkippedBack);
    EXPECT_EQ(m_view.timers[IDT_INDICATOR], 1000u);

    m_player->positionMs = 55000;
    m_session->SkipForward();
    EXPECT_EQ(m_player->positionMs, 60000);
    EXPECT_EQ(m_view.time, 60);
    EXPECT_EQ(m_view.indicator, IndicatorLook::SkippedForward);
    m_session->OnTimer(IDT_INDICATOR);
    EXPECT_EQ(m_view.indicator, IndicatorLook::Playing) << "back to the state's look";
    EXPECT_EQ(m_view.timers.count(IDT_INDICATOR), 0u);

    m_session->Pause();
    m_session->SkipBack();
    EXPECT_EQ(m_player->state, Paused) << "a skip keeps the pause";
    m_session->OnTimer(IDT_INDICATOR);
    EXPECT_EQ(m_view.indicator, IndicatorLook::Paused);

    m_session->OnTimer(IDT_POSITION); // paused: nothing moves
    m_session->Play();
    m_player->positionMs = 60000;
    m_session->OnTimer(IDT_POSITION);
    EXPECT_EQ(m_player->state, Finished) << "the end of the recording";
    EXPECT_EQ(m_view.picture, L"a.jpg");
    m_session->SkipForward();
    m_session->OnTimer(IDT_INDICATOR);
    EXPECT_EQ(m_view.indicator, IndicatorLook::Blank) << "finished";
    EXPECT_TRUE(m_view.reports.empty());
}

TEST_F(PlaybackSessionTest, PictureJumpsLandOnPictureStartsAndPlay)
{
    OpenAndPlay(L"Lecture");
    m_player->positionMs = 13000;
    m_session->NextPicture();
    EXPECT_EQ(m_player->positionMs, 20000);
    EXPECT_EQ(m_view.picture, L"") << "the period without a picture";
    m_session->Pause();
    m_session->PreviousPicture();
    EXPECT_EQ(m_player->positionMs, 12500) << "the picture's own moment, not its whole second";
    EXPECT_EQ(m_view.picture, L"b.jpg");
    EXPECT_EQ(m_player->state, Playing);
    m_player->positionMs = 13200;
    m_session->PreviousPicture();
    EXPECT_EQ(m_player->positionMs, 0) << "just after a picture came, back goes on to the one before";

    m_player->positionMs = 31000;
    const std::vector<std::wstring> before = m_player->log;
    m_session->NextPicture();
    EXPECT_EQ(m_player->positionMs, 31000) << "none follows: nothing happens";
    EXPECT_EQ(m_player->log, before);
}

TEST_F(PlaybackSessionTest, EachPictureComesAtItsOwnMomentNotAtAWholeSecond)
{
    OpenAndPlay(L"Lecture");
    EXPECT_EQ(m_view.timers[IDT_NEXT_PERIOD], 12500u);
    EXPECT_EQ(m_view.prepared, L"b.jpg") << "the next picture is made ready ahead";
    m_player->positionMs = 12400;
    m_session->OnTimer(IDT_POSITION);
    EXPECT_EQ(m_view.picture, L"a.jpg") << "second 12 has come, the picture at 12.5 s has not";
    m_session->OnTimer(IDT_NEXT_PERIOD);
    EXPECT_EQ(m_view.picture, L"a.jpg") << "a timer that comes early";
    EXPECT_EQ(m_view.timers[IDT_NEXT_PERIOD], 100u) << "waits for the rest";
    m_player->positionMs = 12510;
    m_session->OnTimer(IDT_NEXT_PERIOD);
    EXPECT_EQ(m_view.picture, L"b.jpg");
    EXPECT_EQ(m_view.timers[IDT_NEXT_PERIOD], 7490u);

    m_session->Pause();
    EXPECT_EQ(m_view.timers.count(IDT_NEXT_PERIOD), 0u) << "nothing is due while paused";
    m_session->SeekTo(20);
    EXPECT_EQ(m_player->positionMs, 20000);
    m_session->Play();
    EXPECT_EQ(m_view.timers[IDT_NEXT_PERIOD], 10000u);
    m_player->positionMs = 30002; // a period shorter than the timer's resolution would be passed over
    m_session->OnTimer(IDT_NEXT_PERIOD);
    EXPECT_EQ(m_view.picture, L"c.jpg");
    EXPECT_EQ(m_view.timers.count(IDT_NEXT_PERIOD), 0u) << "the last period";
}

TEST_F(PlaybackSessionTest, ASeekBarPressShowsItsTargetAndTheReleaseSeeks)
{
    OpenAndPlay(L"Lecture");
    m_session->PreviewSeek(31);
    EXPECT_EQ(m_view.target, 31);
    EXPECT_FALSE(m_view.indicator);
    m_session->SeekTo(31);
    EXPECT_FALSE(m_view.target);
    EXPECT_EQ(m_view.indicator, IndicatorLook::Playing);
    EXPECT_EQ(m_view.picture, L"c.jpg");
    EXPECT_EQ(m_view.time, 31);

    const int loads = m_view.pictureLoads;
    m_session->SeekTo(33);
    EXPECT_EQ(m_view.pictureLoads, loads) << "the same picture is not loaded again";
}

TEST_F(PlaybackSessionTest, VolumeAndMuteFollowTheMixer)
{
    m_session->StepVolume(+5);
    EXPECT_EQ(m_player->volume, 55);
    m_player->volume = 98;
    m_session->StepVolume(+5);
    EXPECT_EQ(m_view.volume, 100);
    m_session->ToggleMute();
    EXPECT_TRUE(m_player->muted);
    EXPECT_TRUE(m_view.muted);
    m_player->muted = false;
    m_player->volume = 7;
    m_session->OnMixerChange();
    EXPECT_FALSE(m_session->IsMuted());
    EXPECT_EQ(m_view.volume, 7);
}

TEST_F(PlaybackSessionTest, ATimerNobodyArmedIsReported)
{
    m_session->OnTimer(4242);
    EXPECT_EQ(m_view.reports, std::vector<UINT>{IDS_PLAYBACK_FAILED});
}

TEST_F(PlaybackSessionTest, ADocumentOpenedAgainGoesOnWhereItWasLeftAndIsFirstAmongTheRecent)
{
    const std::wstring lecture = Document(L"Lecture");
    const std::wstring talk = Document(L"Talk");
    OpenAndPlay(L"Lecture");
    m_player->positionMs = 31000;
    m_session->RequestOpen(talk, OpenSource::FileDialog);
    EXPECT_EQ(m_player->positionMs, 0) << "another document starts at its beginning";
    EXPECT_FALSE(m_view.notice);

    StartSession(); // the next run
    EXPECT_EQ(m_session->RecentDocuments(), (std::vector<std::wstring>{talk, lecture}));
    m_session->OpenRecent(1);
    EXPECT_EQ(m_view.title, L"Lecture");
    EXPECT_EQ(m_player->positionMs, 31000);
    EXPECT_EQ(m_view.notice.value_or(L""), L"Resumed at 0:31");
    EXPECT_EQ(m_view.timers[IDT_NOTICE], 2000u);
    EXPECT_EQ(m_view.picture, L"c.jpg");
    m_session->OnTimer(IDT_NOTICE);
    EXPECT_FALSE(m_view.notice);
    EXPECT_EQ(m_view.indicator, IndicatorLook::Playing);

    ASSERT_TRUE(DeleteFileW(talk.c_str()));
    m_session->OpenRecent(1);
    ASSERT_EQ(m_view.textReports.size(), 1u);
    EXPECT_NE(m_view.textReports[0].find(talk), std::wstring::npos) << "the message names the file";
    EXPECT_EQ(m_session->RecentDocuments(), std::vector<std::wstring>{lecture});
    EXPECT_EQ(m_view.title, L"Lecture") << "what plays goes on";
}

TEST_F(PlaybackSessionTest, PausingAtEachPictureStopsExactlyAtItsStartAndPlayGoesOn)
{
    m_session->TogglePauseAtPictures();
    OpenAndPlay(L"Lecture");
    m_player->positionMs = 13000; // the timer came late
    m_session->OnTimer(IDT_NEXT_PERIOD);
    EXPECT_EQ(m_player->state, Paused);
    EXPECT_EQ(m_player->positionMs, 12500);
    EXPECT_EQ(m_view.picture, L"b.jpg");
    EXPECT_EQ(m_view.indicator, IndicatorLook::Paused);

    m_session->PlayPause();
    EXPECT_EQ(m_view.timers[IDT_NEXT_PERIOD], 7500u) << "on to the next period";
    m_player->positionMs = 31000; // so late that the short period from 20 s passed too
    m_session->OnTimer(IDT_NEXT_PERIOD);
    EXPECT_EQ(m_player->positionMs, 20000) << "no period is passed over";

    m_session->JumpToPeriod(3);
    EXPECT_EQ(m_player->state, Playing) << "a jump does not pause where it lands";
    EXPECT_EQ(m_view.picture, L"c.jpg");

    StartSession();
    EXPECT_TRUE(m_session->PausesAtPictures()) << "kept for the next run";
}

TEST_F(PlaybackSessionTest, TheSpeedIsKeptAndPicturesComeSoonerInTheRoomsTime)
{
    EXPECT_EQ(m_view.speed, 1.0);
    m_session->SetSpeed(2.0);
    EXPECT_EQ(m_player->speed, 2.0);
    OpenAndPlay(L"Lecture");
    EXPECT_EQ(m_view.timers[IDT_NEXT_PERIOD], 6250u) << "12.5 s of recording in 6.25 s";
    m_session->StepSpeed(+1);
    EXPECT_EQ(m_player->speed, 2.0) << "2x is the fastest";
    m_session->StepSpeed(-10);
    EXPECT_EQ(m_player->speed, 0.5);
    EXPECT_EQ(m_view.timers[IDT_NEXT_PERIOD], 25000u) << "armed again at the new speed";

    StartSession();
    EXPECT_EQ(m_player->speed, 0.5) << "kept for the next run";
    EXPECT_EQ(m_view.speed, 0.5);
    WriteUserNumber(kSettingsKey, L"Listening Speed", 130);
    StartSession();
    EXPECT_EQ(m_player->speed, 1.0) << "a stored speed that is none of the seven means 1x";
}
