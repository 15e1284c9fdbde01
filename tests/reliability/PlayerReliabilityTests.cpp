// The real player over long use and faults, driven from outside: documents handed over again and
// again with WM_COPYDATA and transport commands pressed again and again while its handle, GDI
// and memory counts are watched; a storm of second starts; the voice file removed while it
// plays; a disk that fills and a work folder that cannot be made; a machine without a mixer.
// The cases share one running player and build on each other, in the order written.
//
// KAV_SOAK_CYCLES and KAV_SOAK_OPERATIONS set the number of hand-offs and of commands (50 each
// in the suite; scripts/soak.sh runs 1,000).
#include "tests/reliability/FuzzCases.h"
#include "tests/reliability/PlayerWatch.h"
#include "tests/reliability/ReliabilitySupport.h"
#include "tests/support/PlayerDriver.h"

#include "base/ComPtr.h"
#include "base/ComScope.h"
#include "base/ExternalNames.h"
#include "base/Handles.h"
#include "document/PlayerDocument.h"
#include "document/WorkFolder.h"
#include "resources/ResourceIds.h"

#include <gtest/gtest.h>
#include <ole2.h>
#include <algorithm>
#include <cstdio>
#include <optional>

namespace {
const wchar_t kDemoTitle[] = L"A Tour of Kavora";

std::wstring DemoPath() { return BinFolder() + L"..\\demo\\demo.kav"; }
std::wstring TempPath(const std::wstring& name) { return GetTempFolder() + name; }

// A copy of the demo whose title starts with `letter`: the first unit of the voice entry's name.
std::wstring RetitledCopy(wchar_t letter)
{
    Bytes bytes = ReadFileBytes(DemoPath());
    const std::size_t titleAt = 32 + 528;
    if (bytes.size() > titleAt + 1) bytes[titleAt] = static_cast<std::uint8_t>(letter);
    const std::wstring path = TempPath(std::wstring(L"kavora-reliability-") + letter + L".kav");
    WriteFileBytes(path, bytes);
    return path;
}
std::wstring TitleFor(wchar_t letter) { return letter + std::wstring(kDemoTitle + 1); }

// Growth within what the platform itself keeps of `graphs` filter graphs.
void ExpectFlat(const ResourceCounts& before, const ResourceCounts& after, long long graphs, long long memorySlack)
{
    for (const std::string& growth : GrowthBeyondPlatform("kavsoak:", before, after, graphs, memorySlack))
        ADD_FAILURE() << growth;
}

// Hands `path` over and waits until the player shows `title`, the document's own.
bool HandOffAndWait(HWND window, const std::wstring& path, const std::wstring& title)
{
    return HandOff(window, path) && WaitFor([&] { return ControlText(window, IDC_TITLE) == title; }, 15000);
}

// Presses a button and waits until its handler has run; false when the player did not answer.
bool Press(HWND window, int id)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                               reinterpret_cast<LPARAM>(GetDlgItem(window, id)), SMTO_NORMAL, 30000, &result) != 0;
}

// Sets environment variables for the programs this process starts, and restores them.
class CEnvironmentOverride {
public:
    CEnvironmentOverride(std::initializer_list<std::pair<const wchar_t*, std::wstring>> values)
    {
        for (const auto& [name, value] : values) {
            m_saved.emplace_back(name, EnvironmentText(name));
            SetEnvironmentVariableW(name, value.c_str());
        }
    }
    CEnvironmentOverride(const CEnvironmentOverride&) = delete;
    CEnvironmentOverride& operator=(const CEnvironmentOverride&) = delete;
    ~CEnvironmentOverride()
    {
        for (const auto& [name, value] : m_saved) SetEnvironmentVariableW(name, value.empty() ? nullptr : value.c_str());
    }

private:
    std::vector<std::pair<const wchar_t*, std::wstring>> m_saved;
};

// The Unix path of a file on Wine's Z: drive (the whole Unix file system); empty for others.
std::wstring UnixPath(const std::wstring& windowsPath)
{
    if (windowsPath.size() < 3 || (windowsPath[0] != L'Z' && windowsPath[0] != L'z') || windowsPath[1] != L':') return {};
    std::wstring path = windowsPath.substr(2);
    std::replace(path.begin(), path.end(), L'\\', L'/');
    return path;
}

// Starts a Unix program with `arguments`. Wine starts those as it starts Windows programs, but
// hands back no handle to wait on, so callers watch for what the program does.
bool StartUnixProgram(const std::wstring& program, const std::wstring& arguments)
{
    std::wstring windowsProgram = L"Z:" + program;
    std::replace(windowsProgram.begin(), windowsProgram.end(), L'/', L'\\');
    std::wstring commandLine = program + L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(windowsProgram.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

// Closes a message box of the player if one shows within `milliseconds`; its text, or empty.
std::wstring DismissMessageBox(const CPlayerProcess& player, HWND window, int milliseconds)
{
    HWND box = nullptr;
    if (!WaitFor([&] { return (box = FindDialogOf(player.Id(), window)) != nullptr; }, milliseconds)) return {};
    const std::wstring text = MessageBoxText(box);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    WaitFor([&] { return !IsWindow(box); }, 5000);
    return text;
}
}  // namespace

class PlayerReliability : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_ole.emplace();
        for (const wchar_t letter : {L'B', L'C', L'D', L'E'}) s_copies.push_back(RetitledCopy(letter));
        s_player = new CPlayerProcess;
        if (s_player->Start(Quoted(DemoPath()))) s_window = s_player->WaitForWindow();
        if (s_window) WaitFor([] { return Title() == kDemoTitle; }, 15000);
    }
    static void TearDownTestSuite()
    {
        delete s_player;
        s_player = nullptr;
        for (const std::wstring& copy : s_copies) DeleteFileW(copy.c_str());
        s_ole.reset();
    }

    static HWND Window() { return s_window; }
    static std::wstring Title() { return ControlText(s_window, IDC_TITLE); }
    static int Elapsed() { return SecondsOf(ControlText(s_window, IDC_TIME)); }
    static bool IsPlaying()
    {
        const int before = Elapsed();
        return WaitFor([&] { return Elapsed() != before; }, 2500);
    }
    static bool NoMessageBox() { return FindDialogOf(s_player->Id(), s_window) == nullptr; }
    void RequirePlayer()
    {
        ASSERT_NE(s_window, nullptr) << "the player window did not appear";
        ASSERT_TRUE(s_player->IsRunning()) << Fate();
    }
    // Whether the player still runs, and how it ended if it does not.
    static std::string Fate()
    {
        DWORD code = 0;
        if (s_player->IsRunning() || !GetExitCodeProcess(s_player->Handle(), &code)) return "the player runs";
        char text[64];
        std::snprintf(text, sizeof(text), "the player ended with exit code 0x%08lX", static_cast<unsigned long>(code));
        return text;
    }

    static std::optional<COleScope> s_ole;
    static CPlayerProcess* s_player;
    static HWND s_window;
    static std::vector<std::wstring> s_copies;
};
std::optional<COleScope> PlayerReliability::s_ole;
CPlayerProcess* PlayerReliability::s_player = nullptr;
HWND PlayerReliability::s_window = nullptr;
std::vector<std::wstring> PlayerReliability::s_copies;

TEST_F(PlayerReliability, ManyHandOffsKeepHandlesGdiAndMemoryFlat)
{
    RequirePlayer();
    const std::uint64_t cycles = EnvironmentNumber(L"KAV_SOAK_CYCLES", 50);
    const std::uint64_t warmUp = std::max<std::uint64_t>(5, cycles / 10);
    ResourceCounts start;
    const DWORD began = GetTickCount();
    for (std::uint64_t i = 0; i < warmUp + cycles; ++i) {
        if (i == warmUp) start = CountsOf(s_player->Handle(), s_player->Id());
        const bool demo = i % 2 == 1;
        ASSERT_TRUE(HandOffAndWait(Window(), demo ? DemoPath() : s_copies[0], demo ? kDemoTitle : TitleFor(L'B')))
            << "cycle " << i << ": " << Fate() << ", title " << testing::PrintToString(Title());
        ASSERT_TRUE(NoMessageBox()) << "cycle " << i << ": " << MessageBoxText(FindDialogOf(s_player->Id(), Window()));
    }
    const ResourceCounts end = CountsOf(s_player->Handle(), s_player->Id());
    std::printf("kavsoak: %llu hand-offs in %.1f s\n", static_cast<unsigned long long>(warmUp + cycles),
                (GetTickCount() - began) / 1000.0);
    PrintCounts("kavsoak:", "after the warm-up:", start);
    PrintCounts("kavsoak:", "after the hand-offs:", end);
    // A leak of a few kilobytes a document shows over a thousand of them; a short run allows
    // the allocator its slack.
    ExpectFlat(start, end, static_cast<long long>(cycles), 8 * 1024 * 1024);
    EXPECT_TRUE(IsPlaying());
}

TEST_F(PlayerReliability, ManyPlaysAndSeeksKeepHandlesGdiAndMemoryFlat)
{
    RequirePlayer();
    const std::uint64_t operations = EnvironmentNumber(L"KAV_SOAK_OPERATIONS", 50);
    const int commands[] = {IDC_PAUSE, IDC_SKIP_FORWARD, IDC_PLAY, IDC_NEXT_PICTURE, IDC_SKIP_BACK,
                            IDC_PREV_PICTURE, IDC_SKIP_FORWARD, IDC_PAUSE, IDC_SKIP_BACK, IDC_PLAY};
    const std::uint64_t warmUp = std::size(commands);
    ResourceCounts start;
    const DWORD began = GetTickCount();
    for (std::uint64_t i = 0; i < warmUp + operations; ++i) {
        if (i == warmUp) start = CountsOf(s_player->Handle(), s_player->Id());
        ASSERT_TRUE(Press(Window(), commands[i % std::size(commands)])) << "operation " << i << ": no answer";
        ASSERT_TRUE(NoMessageBox()) << "operation " << i << ": " << MessageBoxText(FindDialogOf(s_player->Id(), Window()));
        ASSERT_GE(Elapsed(), 0) << "operation " << i;
    }
    const ResourceCounts end = CountsOf(s_player->Handle(), s_player->Id());
    std::printf("kavsoak: %llu commands in %.1f s\n", static_cast<unsigned long long>(warmUp + operations),
                (GetTickCount() - began) / 1000.0);
    PrintCounts("kavsoak:", "after the warm-up:", start);
    PrintCounts("kavsoak:", "after the commands:", end);
    ExpectFlat(start, end, 0, 8 * 1024 * 1024);
    ASSERT_TRUE(Press(Window(), IDC_PLAY));
    EXPECT_TRUE(IsPlaying());
}

TEST_F(PlayerReliability, AVoiceFileRemovedWhilePlayingLosesNothing)
{
    RequirePlayer();
    ASSERT_TRUE(HandOffAndWait(Window(), DemoPath(), kDemoTitle));
    ASSERT_TRUE(IsPlaying());
    const std::wstring work = GetWorkFolderPath();
    // The filter holds the voice file open for reading and shares it with readers only, so the
    // system refuses to delete it; the pictures are not held and go.
    EXPECT_FALSE(DeleteFileW((work + L"ZEL.TMV").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    int removed = 0;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((work + L"*").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && DeleteFileW((work + found.cFileName).c_str())) ++removed;
    } while (FindNextFileW(find, &found));
    FindClose(find);
    EXPECT_GT(removed, 1) << "the index and the pictures could be removed";
    // Below the system, the file can still be unlinked (as a cleaner of the temporary folder
    // would): the player then reads on from the file it has open.
    const std::wstring voice = UnixPath(work + L"ZEL.TMV");
    if (!voice.empty()) {
        ASSERT_TRUE(StartUnixProgram(L"/bin/rm", L"-f " + voice));
        EXPECT_TRUE(WaitFor([&] { return !PathExists(work + L"ZEL.TMV"); }, 5000)) << "the voice file is gone";
    }

    // Pictures that are gone show as no picture; playback and seeking go on from the open file.
    for (const int id : {IDC_NEXT_PICTURE, IDC_NEXT_PICTURE, IDC_PREV_PICTURE, IDC_SKIP_FORWARD}) {
        ASSERT_TRUE(Press(Window(), id));
        EXPECT_TRUE(NoMessageBox());
    }
    EXPECT_TRUE(IsPlaying());
    EXPECT_EQ(Title(), kDemoTitle);

    // The next document cleans up what is left and opens normally.
    EXPECT_TRUE(HandOffAndWait(Window(), s_copies[1], TitleFor(L'C')));
    EXPECT_TRUE(NoMessageBox());
    EXPECT_TRUE(PathExists(work + L"ZEL.PIN"));
    EXPECT_TRUE(IsPlaying());
}

TEST_F(PlayerReliability, AStormOfSecondStartsEndsOnADocumentThatWasSent)
{
    RequirePlayer();
    const int starts = 50;
    std::vector<std::unique_ptr<CPlayerProcess>> seconds;
    const DWORD began = GetTickCount();
    for (int i = 0; i < starts; ++i) {
        seconds.push_back(std::make_unique<CPlayerProcess>());
        const std::wstring path = i % 5 == 4 ? DemoPath() : s_copies[static_cast<std::size_t>(i % 4)];
        ASSERT_TRUE(seconds.back()->Start(Quoted(path))) << "start " << i << ": error " << GetLastError();
    }
    int ended = 0;
    for (const auto& second : seconds) ended += second->WaitForExit(60000) ? 1 : 0;
    std::printf("kavsoak: %d second starts handled in %.1f s\n", starts, (GetTickCount() - began) / 1000.0);
    EXPECT_EQ(ended, starts) << "every second start ends after handing its path over";
    ASSERT_TRUE(s_player->IsRunning()) << "the player survived the storm";
    EXPECT_EQ(FindPlayerWindow(0), Window()) << "still one player window";
    EXPECT_TRUE(NoMessageBox()) << MessageBoxText(FindDialogOf(s_player->Id(), Window()));

    const std::wstring title = Title();
    const std::vector<std::wstring> sent = {kDemoTitle, TitleFor(L'B'), TitleFor(L'C'), TitleFor(L'D'), TitleFor(L'E')};
    EXPECT_NE(std::find(sent.begin(), sent.end(), title), sent.end()) << "the player shows " << testing::PrintToString(title);
    EXPECT_TRUE(IsPlaying());
    // The work folder holds the document the window shows, and only it.
    CPlayerDocument shown(GetTempFolder() + L"kavora-reliability-check\\");
    ASSERT_EQ(shown.Load(title == kDemoTitle ? DemoPath() : s_copies[static_cast<std::size_t>(title[0] - L'B')]), S_OK);
    EXPECT_TRUE(ReadFileBytes(GetWorkFolderPath() + L"ZEL.PIN") == ReadFileBytes(shown.WorkFolder() + L"ZEL.PIN"));
}

TEST_F(PlayerReliability, ClosingAfterAllThatRemovesTheWorkFolder)
{
    RequirePlayer();
    ASSERT_TRUE(Press(Window(), IDC_CLOSE));
    EXPECT_TRUE(s_player->WaitForExit(15000));
    EXPECT_FALSE(PathExists(GetWorkFolderPath()));
}

// Players started for one fault each, after the shared player has closed: only one player runs
// at a time.
class PlayerFaults : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(APlayerRuns()) << "another player still runs"; }
};

TEST_F(PlayerFaults, WithoutAMixerThePlayerSaysSoAndEndsTouchingNothing)
{
    const std::wstring startupFailed = ResourceString(IDS_STARTUP_FAILED);
    ASSERT_FALSE(startupFailed.empty());
    {
        // A player started with its sound server out of reach finds no sound device and no
        // mixer. It is started through env(1), because Wine hands a new process the Unix
        // environment it was itself started with, not the variables set here.
        const std::wstring player = UnixPath(BinFolder() + L"KavoraPlayer.exe");
        if (player.empty()) GTEST_SKIP() << "the bin folder is not on the Z: drive";
        ASSERT_TRUE(StartUnixProgram(L"/usr/bin/env", L"PULSE_SERVER=unix:/nonexistent/kavora-no-sound /usr/bin/wine " +
                                                          player + L" " + Quoted(DemoPath())));
        HWND box = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (box = FindDialogOf(0, nullptr)) != nullptr; }, 20000)) << "no message box";
        EXPECT_EQ(MessageBoxText(box), startupFailed);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitFor([] { return !APlayerRuns(); }, 10000)) << "the player ends after saying it cannot start";
    }
    EXPECT_FALSE(PathExists(GetWorkFolderPath())) << "no document was opened";
    EXPECT_TRUE(ReadFileBytes(DemoPath()).size() > 0);

    CPlayerProcess player;
    ASSERT_TRUE(player.Start(Quoted(DemoPath())));
    const HWND window = player.WaitForWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(WaitFor([&] { return ControlText(window, IDC_TITLE) == kDemoTitle; }, 15000))
        << "with the mixer back the next start opens its document";
    PressButton(window, IDC_CLOSE);
    EXPECT_TRUE(player.WaitForExit(15000));
}

TEST_F(PlayerFaults, ABlockedWorkFolderAndAFullDiskAreReportedAndTheNextDocumentOpens)
{
    const std::wstring small = EnvironmentText(L"KAV_SMALL_DISK");
    if (small.empty()) GTEST_SKIP() << "no small disk: run through tests/reliability/with-small-disks.sh as root";
    const std::wstring failed = ResourceString(IDS_PLAYBACK_FAILED);
    ASSERT_FALSE(failed.empty());

    // A document small enough for the small disk, and one that is not.
    const std::wstring scratch = TempPath(L"kavora-reliability-parts\\");
    CreateDirectoryW(scratch.c_str(), nullptr);
    const std::wstring fits = scratch + L"fits.kav";
    ASSERT_TRUE(WriteFileBytes(fits, MakeDocument(scratch, {{false, false, L"", 0}}, L"Fits.tmv",
                                                  EncodeTones(true, 1, 0, 40000), {})));
    const std::wstring tooBig = DemoPath();
    const Bytes demoBefore = ReadFileBytes(tooBig);

    CEnvironmentOverride temp({{L"TMP", small}, {L"TEMP", small}});
    const std::wstring blocker = small + L"ZEL";
    const Bytes someoneElses(300, 'x');
    ASSERT_TRUE(WriteFileBytes(blocker, someoneElses));

    CPlayerProcess player;
    ASSERT_TRUE(player.Start(Quoted(fits)));
    const HWND window = player.WaitForWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(DismissMessageBox(player, window, 15000), failed) << "a file where the work folder goes";
    EXPECT_TRUE(ReadFileBytes(blocker) == someoneElses) << "the file in the work folder's place is kept";
    EXPECT_EQ(ControlText(window, IDC_TITLE), L"");
    ASSERT_TRUE(DeleteFileW(blocker.c_str()));

    HandOff(window, tooBig, 2000);
    EXPECT_EQ(DismissMessageBox(player, window, 15000), failed) << "a document larger than the disk";
    EXPECT_EQ(ControlText(window, IDC_TITLE), L"");
    EXPECT_TRUE(ReadFileBytes(tooBig) == demoBefore) << "the document is untouched";

    HandOff(window, fits, 2000);
    EXPECT_TRUE(WaitFor([&] { return ControlText(window, IDC_TITLE) == L"Fits"; }, 10000)) << "the next document opens";
    EXPECT_EQ(FindDialogOf(player.Id(), window), nullptr);
    const int before = SecondsOf(ControlText(window, IDC_TIME));
    EXPECT_TRUE(WaitFor([&] { return SecondsOf(ControlText(window, IDC_TIME)) != before; }, 3000)) << "and plays";

    PressButton(window, IDC_CLOSE);
    EXPECT_TRUE(player.WaitForExit(15000));
    EXPECT_FALSE(PathExists(small + L"ZEL")) << "the work folder went with the player";
    CleanUpFolder(scratch);
}

// Two documents opened together: the second start hands its document over while the first
// player still waits to open its own. The document sent last plays, alone.
TEST_F(PlayerFaults, ADocumentHandedOverDuringStartUpWinsOverTheCommandLine)
{
    const std::wstring first = RetitledCopy(L'F');
    const std::wstring second = RetitledCopy(L'G');
    CPlayerProcess player;
    ASSERT_TRUE(player.Start(Quoted(first)));
    const HWND window = player.WaitForWindow();
    ASSERT_NE(window, nullptr);
    CPlayerProcess handOff;
    ASSERT_TRUE(handOff.Start(Quoted(second)));
    EXPECT_TRUE(handOff.WaitForExit(15000));

    EXPECT_TRUE(WaitFor([&] { return ControlText(window, IDC_TITLE) == TitleFor(L'G'); }, 10000));
    Sleep(2500); // past the moment the command line's document would have opened
    EXPECT_EQ(ControlText(window, IDC_TITLE), TitleFor(L'G'));
    EXPECT_EQ(FindDialogOf(player.Id(), window), nullptr) << MessageBoxText(FindDialogOf(player.Id(), window));
    CPlayerDocument sent(GetTempFolder() + L"kavora-reliability-check\\");
    ASSERT_EQ(sent.Load(second), S_OK);
    EXPECT_TRUE(ReadFileBytes(GetWorkFolderPath() + L"ZEL.PIN") == ReadFileBytes(sent.WorkFolder() + L"ZEL.PIN"));

    // Pause holds: no other voice goes on playing behind the window's back.
    PressButton(window, IDC_PAUSE);
    const int paused = SecondsOf(ControlText(window, IDC_TIME));
    PressButton(window, IDC_PLAY);
    EXPECT_TRUE(WaitFor([&] { return SecondsOf(ControlText(window, IDC_TIME)) > paused; }, 3000));

    PressButton(window, IDC_CLOSE);
    EXPECT_TRUE(player.WaitForExit(15000));
    DeleteFileW(first.c_str());
    DeleteFileW(second.c_str());
}

// A second start typed in the document's folder names it relative to that folder, and answers
// at once even while the running player shows a message box.
TEST_F(PlayerFaults, ASecondStartSendsAWholePathAndNeverWaitsOnTheRunningPlayer)
{
    const std::wstring document = RetitledCopy(L'H');
    CPlayerProcess player;
    ASSERT_TRUE(player.Start(L""));
    const HWND window = player.WaitForWindow();
    ASSERT_NE(window, nullptr);

    HandOff(window, TempPath(L"kavora-no-such-document.kav"), 5000);
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = FindDialogOf(player.Id(), window)) != nullptr; }, 10000));

    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(GetTempFolder().c_str()));
    CPlayerProcess second;
    const bool started = second.Start(document.substr(document.find_last_of(L'\\') + 1));
    SetCurrentDirectoryW(previous);
    ASSERT_TRUE(started);
    const DWORD began = GetTickCount();
    EXPECT_TRUE(second.WaitForExit(5000)) << "the second start waited on the message box";
    std::printf("kavsoak: a second start ended %lu ms after it began, under a message box\n",
                static_cast<unsigned long>(GetTickCount() - began));

    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return ControlText(window, IDC_TITLE) == TitleFor(L'H'); }, 10000))
        << "the relative path opens the document of the folder it was typed in";
    EXPECT_EQ(FindDialogOf(player.Id(), window), nullptr);

    PressButton(window, IDC_CLOSE);
    EXPECT_TRUE(player.WaitForExit(15000));
    DeleteFileW(document.c_str());
}
