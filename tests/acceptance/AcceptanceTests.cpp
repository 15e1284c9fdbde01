// The built program, driven only from outside over the demo document: what a user sees while it
// plays, follows its pictures, skips, seeks, ends, takes documents from a second start and from
// a drop, reports a broken document, obeys its window commands and cleans up when it closes.
// The cases share one running player and build on each other, in the order written.
#include "resources/ResourceIds.h"
#include "tests/support/PlayerDriver.h"

#include <gtest/gtest.h>
#include <ole2.h>
#include <shlwapi.h>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {
const wchar_t kDemoTitle[] = L"A Tour of Kavora";
const wchar_t kOtherTitle[] = L"B Tour of Kavora";

// A period of the demo document as the script that made it lists it.
struct Period {
    int startMs = 0;
    bool hasPicture = false;
    COLORREF top = 0;  // the slide's colour at its top edge
    int StartSecond() const { return startMs / 1000; }
};

std::wstring DemoFolder() { return BinFolder() + L"..\\demo\\"; }
std::wstring DemoPath() { return DemoFolder() + L"demo.kav"; }
std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

std::vector<Period> ReadPeriods()
{
    std::vector<Period> periods;
    std::ifstream in((DemoFolder() + L"demo-periods.txt").c_str());
    std::string picture, colour;
    int start = 0;
    while (in >> start >> picture >> colour) {
        Period period;
        period.startMs = start;
        period.hasPicture = picture != "-";
        unsigned rgb = 0;
        if (period.hasPicture && std::sscanf(colour.c_str(), "#%x", &rgb) == 1)
            period.top = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
        periods.push_back(period);
    }
    return periods;
}

std::wstring TempPath(const wchar_t* name)
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

std::vector<char> ReadBytes(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::wstring& path, const std::vector<char>& bytes)
{
    std::ofstream(path.c_str(), std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A copy of the demo whose voice entry, and so whose title, begins with "B" instead of "A": the
// entry's name is the first field of the second directory entry (32 + 528 bytes in).
std::wstring MakeRetitledCopy(const wchar_t* name)
{
    std::vector<char> bytes = ReadBytes(DemoPath());
    const size_t titleAt = 32 + 528;
    if (bytes.size() > titleAt + 1 && bytes[titleAt] == 'A') bytes[titleAt] = 'B';
    const std::wstring path = TempPath(name);
    WriteBytes(path, bytes);
    return path;
}
}

class PlayerAcceptance : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        OleInitialize(nullptr);
        s_periods = ReadPeriods();
        s_player = new CPlayerProcess;
        if (s_player->Start(Quoted(DemoPath()))) s_window = s_player->WaitForWindow();
        // Any one test run alone starts from a loaded, playing document, as it does in the suite.
        if (s_window) WaitFor([] { return Title() == kDemoTitle && Elapsed() >= 1; }, 15000);
        CreateDirectoryW((BinFolder() + L"..\\screenshots").c_str(), nullptr);
    }
    static void TearDownTestSuite()
    {
        delete s_player;
        s_player = nullptr;
        OleUninitialize();
    }
    void SetUp() override
    {
        ASSERT_FALSE(s_periods.size() < 6) << "the demo's period list is missing or short";
        ASSERT_NE(s_window, nullptr) << "the player window did not appear";
        ASSERT_TRUE(s_player->IsRunning());
    }

    static HWND Window() { return s_window; }
    static const std::vector<Period>& Periods() { return s_periods; }
    static int Elapsed() { return SecondsOf(ControlText(s_window, IDC_TIME)); }
    static std::wstring Title() { return ControlText(s_window, IDC_TITLE); }
    static void Screenshot(const wchar_t* name) { SaveScreen(BinFolder() + L"..\\screenshots\\" + name); }

    static HWND PictureView() { return GetDlgItem(s_window, IDC_PICTURE); }
    // The period whose slide the picture view shows, or -1 when it shows none of them.
    static int ShownPeriod()
    {
        for (size_t i = 0; i < s_periods.size(); ++i)
            if (s_periods[i].hasPicture && ShowsSlide(PictureView(), s_periods[i].top)) return static_cast<int>(i);
        return -1;
    }
    // The pixels of a button as the screen shows them, on a coarse grid.
    static std::vector<COLORREF> ButtonLook(int id)
    {
        HWND button = GetDlgItem(s_window, id);
        std::vector<COLORREF> look;
        for (int y = 1; y < 8; ++y)
            for (int x = 1; x < 8; ++x) look.push_back(ScreenPixel(button, x / 8.0, y / 8.0));
        return look;
    }
    static int FirstPeriodWithoutPicture()
    {
        for (size_t i = 0; i < s_periods.size(); ++i)
            if (!s_periods[i].hasPicture) return static_cast<int>(i);
        return -1;
    }
    static bool IsPlaying()
    {
        const int before = Elapsed();
        return WaitFor([&] { return Elapsed() != before; }, 2500);
    }
    // Goes to the start of period `index` with the next- and previous-picture commands, which
    // seek exactly to picture starts and play from there.
    static void GoToPeriod(size_t index)
    {
        const int target = s_periods[index].StartSecond();
        for (int tries = 0; tries < 12 && Elapsed() > target; ++tries) {
            PressButton(s_window, IDC_PREV_PICTURE);
            Pump(400);
        }
        for (int tries = 0; tries < 12 && Elapsed() < target; ++tries) {
            PressButton(s_window, IDC_NEXT_PICTURE);
            Pump(400);
        }
    }

    static CPlayerProcess* s_player;
    static HWND s_window;
    static std::vector<Period> s_periods;
};

CPlayerProcess* PlayerAcceptance::s_player = nullptr;
HWND PlayerAcceptance::s_window = nullptr;
std::vector<Period> PlayerAcceptance::s_periods;

TEST_F(PlayerAcceptance, StartsOnItsDocumentAndPlays)
{
    EXPECT_TRUE(WaitFor([] { return Title() == kDemoTitle; }, 15000)) << "title: " << testing::PrintToString(Title());
    EXPECT_TRUE(WaitFor([] { return Elapsed() >= 2; }, 6000)) << "the elapsed time does not advance";
    EXPECT_EQ(ShownPeriod(), 0) << "the first slide shows while the first period plays";
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(Window(), IDC_TARGET_TIME))) << "no seek target while nobody seeks";
    Screenshot(L"acceptance-1-playing.bmp");
}

TEST_F(PlayerAcceptance, PictureJumpsLandOnPictureStarts)
{
    GoToPeriod(0);
    PressButton(Window(), IDC_NEXT_PICTURE);
    ASSERT_TRUE(WaitFor([&] { return ShownPeriod() == 1; }, 3000));
    const int atNext = Elapsed();
    EXPECT_GE(atNext, Periods()[1].StartSecond());
    EXPECT_LE(atNext, Periods()[1].StartSecond() + 1);

    PressButton(Window(), IDC_NEXT_PICTURE);
    ASSERT_TRUE(WaitFor([&] { return ShownPeriod() == 2; }, 3000));
    Screenshot(L"acceptance-2-third-slide.bmp");

    // Two seconds into the third period, the previous picture is the start of this one.
    ASSERT_TRUE(WaitFor([&] { return Elapsed() >= Periods()[2].StartSecond() + 2; }, 5000));
    PressButton(Window(), IDC_PREV_PICTURE);
    ASSERT_TRUE(WaitFor([&] { return Elapsed() <= Periods()[2].StartSecond() + 1; }, 3000));
    EXPECT_EQ(ShownPeriod(), 2);
    EXPECT_TRUE(IsPlaying()) << "a picture jump plays on";
}

TEST_F(PlayerAcceptance, PicturesSwitchAtTheirIndexTimes)
{
    const int withoutPicture = FirstPeriodWithoutPicture();
    ASSERT_GT(withoutPicture, 1) << "the demo has a period without a picture after its first two";
    for (int next : {3, withoutPicture, withoutPicture + 1}) {
        GoToPeriod(static_cast<size_t>(next));
        PressButton(Window(), IDC_SKIP_BACK);
        const int previous = next - 1;
        const int expectedBefore = Periods()[previous].hasPicture ? previous : -1;
        const int expectedAfter = Periods()[next].hasPicture ? next : -1;
        ASSERT_TRUE(WaitFor([&] { return ShownPeriod() == expectedBefore; }, 3000)) << "period " << previous;
        ASSERT_TRUE(WaitFor([&] { return ShownPeriod() == expectedAfter; }, 6000))
            << "period " << next << " shows " << ShownPeriod() << ", sampled " << std::hex << SlideSample(PictureView());
        const int switchedAt = Elapsed();
        EXPECT_NEAR(switchedAt, Periods()[next].StartSecond(), 1) << "the picture of period " << next;
        if (next == withoutPicture) Screenshot(L"acceptance-3-no-picture.bmp");
    }
}

TEST_F(PlayerAcceptance, SkipsMoveByTheirStepsAndKeepThePause)
{
    GoToPeriod(2);
    // While paused the label changes only with a seek, so a first skip tells where it stands.
    PressButton(Window(), IDC_PAUSE);
    PressButton(Window(), IDC_SKIP_BACK);
    Pump(500);
    const int start = Elapsed();
    Pump(1500);
    EXPECT_EQ(Elapsed(), start) << "paused playback holds its position";

    PressButton(Window(), IDC_SKIP_FORWARD);
    EXPECT_TRUE(WaitFor([&] { return Elapsed() == start + 10; }, 2000)) << Elapsed();
    PressButton(Window(), IDC_SKIP_BACK);
    EXPECT_TRUE(WaitFor([&] { return Elapsed() == start + 7; }, 2000)) << Elapsed();
    Pump(1500);
    EXPECT_EQ(Elapsed(), start + 7) << "a skip keeps the player paused";

    // Back at the start, a skip back stops at 0.
    GoToPeriod(0);
    PressButton(Window(), IDC_PAUSE);
    PressButton(Window(), IDC_SKIP_BACK);
    EXPECT_TRUE(WaitFor([] { return Elapsed() == 0; }, 2000)) << Elapsed();
    PressButton(Window(), IDC_PLAY);
    EXPECT_TRUE(IsPlaying());
}

TEST_F(PlayerAcceptance, SeekBarShowsItsTargetWhilePressedAndSeeksOnRelease)
{
    HWND bar = GetDlgItem(Window(), IDC_SEEKBAR);
    ASSERT_NE(bar, nullptr);
    RECT client{};
    GetClientRect(bar, &client);
    MoveMouse(bar, POINT{client.right / 2, client.bottom / 2});
    MouseButton(true);
    HWND target = GetDlgItem(Window(), IDC_TARGET_TIME);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(target) != FALSE; }, 2000)) << "the target label shows on a press";
    const std::wstring label = ControlText(Window(), IDC_TARGET_TIME);
    EXPECT_EQ(label.rfind(L"To ", 0), 0u) << testing::PrintToString(label);
    const int aimed = SecondsOf(label);
    Screenshot(L"acceptance-4-seeking.bmp");
    MouseButton(false);

    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(target); }, 2000)) << "the target label hides on release";
    EXPECT_TRUE(WaitFor([&] { return Elapsed() >= aimed && Elapsed() <= aimed + 1; }, 2000))
        << "aimed at " << aimed << ", at " << Elapsed();
}

TEST_F(PlayerAcceptance, AtTheEndItRewindsShowsTheFirstPictureAndWaits)
{
    HWND bar = GetDlgItem(Window(), IDC_SEEKBAR);
    RECT client{};
    GetClientRect(bar, &client);
    MoveMouse(bar, POINT{client.right - 3, client.bottom / 2});
    MouseButton(true);
    MouseButton(false);
    ASSERT_TRUE(WaitFor([] { return Elapsed() > 10; }, 2000)) << "the seek to the end did not land";
    ASSERT_TRUE(WaitFor([] { return Elapsed() == 0; }, 8000)) << "the recording did not end";
    EXPECT_TRUE(WaitFor([] { return ShownPeriod() == 0; }, 2000)) << "the first picture shows again";
    Pump(2000);
    EXPECT_EQ(Elapsed(), 0) << "after the end the player waits at the start";
    PressButton(Window(), IDC_PLAY);
    EXPECT_TRUE(IsPlaying()) << "play starts again from the start";
}

TEST_F(PlayerAcceptance, ASecondStartHandsItsDocumentToTheRunningPlayer)
{
    const std::wstring other = MakeRetitledCopy(L"kavora-acceptance-other.kav");
    CPlayerProcess second;
    ASSERT_TRUE(second.Start(Quoted(other)));
    EXPECT_TRUE(second.WaitForExit(20000)) << "the second start ends after handing its path over";
    EXPECT_TRUE(WaitFor([] { return Title() == kOtherTitle; }, 5000)) << testing::PrintToString(Title());
    EXPECT_LE(Elapsed(), 2) << "the handed-over document plays from its start";
    EXPECT_TRUE(IsPlaying());
    EXPECT_EQ(FindPlayerWindow(0), Window()) << "still one player window";
}

TEST_F(PlayerAcceptance, ABrokenDocumentIsReportedAndThePlayerStaysUsable)
{
    const std::wstring failed = ResourceString(20002);
    ASSERT_FALSE(failed.empty());
    std::vector<char> bytes = ReadBytes(DemoPath());
    bytes.resize(1000);  // cut inside the directory
    const std::wstring broken = TempPath(L"kavora-acceptance-broken.kav");
    WriteBytes(broken, bytes);

    CPlayerProcess second;
    ASSERT_TRUE(second.Start(Quoted(broken)));
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = FindDialogOf(s_player->Id(), Window())) != nullptr; }, 15000))
        << "no message box";
    EXPECT_EQ(MessageBoxText(box), failed);
    Screenshot(L"acceptance-5-broken-document.bmp");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(second.WaitForExit(10000));
    EXPECT_TRUE(WaitFor([] { return Title().empty(); }, 2000)) << "the window returns to its empty look";
    EXPECT_EQ(ControlText(Window(), IDC_TIME), L"00:00:00");

    CPlayerProcess third;
    ASSERT_TRUE(third.Start(Quoted(DemoPath())));
    EXPECT_TRUE(third.WaitForExit(20000));
    EXPECT_TRUE(WaitFor([] { return Title() == kDemoTitle; }, 5000)) << "the next good document opens";
    EXPECT_TRUE(IsPlaying());
    DeleteFileW(broken.c_str());
}

TEST_F(PlayerAcceptance, APathThatNamesNoDocumentLeavesThePlayingDocumentAlone)
{
    CPlayerProcess second;
    ASSERT_TRUE(second.Start(Quoted(TempPath(L"kavora-acceptance-missing.kav"))));
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = FindDialogOf(s_player->Id(), Window())) != nullptr; }, 15000));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(second.WaitForExit(10000));
    EXPECT_EQ(Title(), kDemoTitle);
    EXPECT_TRUE(IsPlaying());
}

TEST_F(PlayerAcceptance, ADropOpensOneDocumentAndRefusesAnythingElse)
{
    const std::wstring other = MakeRetitledCopy(L"kavora-acceptance-dropped.kav");
    const std::wstring text = TempPath(L"kavora-acceptance-note.txt");
    WriteBytes(text, {'n', 'o', 't', 'e'});
    HWND view = GetDlgItem(Window(), IDC_PICTURE);
    RECT client{};
    GetClientRect(view, &client);
    const POINT middle{client.right / 2, client.bottom / 2};

    EXPECT_EQ(DragAndDropFiles(view, middle, {other, DemoPath()}), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(DragAndDropFiles(view, middle, {text}), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(Title(), kDemoTitle) << "a refused drop opens nothing";
    EXPECT_FALSE(IsZoomed(Window())) << "dropping leaves the window's size alone";

    EXPECT_EQ(DragAndDropFiles(view, middle, {other}), static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_TRUE(WaitFor([] { return Title() == kOtherTitle; }, 5000)) << testing::PrintToString(Title());
    EXPECT_TRUE(IsPlaying());
    DeleteFileW(text.c_str());
}

TEST_F(PlayerAcceptance, WindowCommandsAndTheirMenu)
{
    auto topmost = [] { return (GetWindowLongW(Window(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
    auto stripHeight = [] {
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        RECT box{};
        const int kind = GetWindowRgn(Window(), region);
        GetRgnBox(region, &box);
        DeleteObject(region);
        return kind == ERROR ? -1 : static_cast<int>(box.bottom - box.top);
    };

    // Always on top: the button shows its "on" look and the menu item turns it off again. Wine
    // leaves a window that owns popups (the tooltips) out of the topmost band, so the z-order
    // itself is checked only where the platform reports it.
    std::vector<COLORREF> offLook;
    const std::vector<COLORREF> unpainted(ButtonLook(IDC_TOPMOST).size(), RGB(0, 0, 0));
    ASSERT_TRUE(WaitFor([&] { return (offLook = ButtonLook(IDC_TOPMOST)) != unpainted; }, 2000)) << "the button is drawn";
    PressButton(Window(), IDC_TOPMOST);
    EXPECT_TRUE(WaitFor([&] { return ButtonLook(IDC_TOPMOST) != offLook; }, 2000)) << "the button shows the toggle";
    PostCommand(Window(), ID_MENU_TOPMOST);
    EXPECT_TRUE(WaitFor([&] { return ButtonLook(IDC_TOPMOST) == offLook; }, 2000)) << "the menu item turns it off";
    EXPECT_FALSE(topmost());

    PressButton(Window(), IDC_COMPACT);
    const int strip = GetSystemMetrics(SM_CYFRAME) / 2 + 74;
    EXPECT_TRUE(WaitFor([&] { return stripHeight() == strip; }, 2000)) << stripHeight();
    Screenshot(L"acceptance-6-strip-view.bmp");
    PostCommand(Window(), ID_MENU_COMPACT);
    EXPECT_TRUE(WaitFor([&] { return stripHeight() == -1; }, 2000)) << "the whole window shows again";

    PressButton(Window(), IDC_MAXIMIZE);
    EXPECT_TRUE(WaitFor([] { return IsZoomed(Window()) != FALSE; }, 2000));
    // The header's grey far to the right of where the restored window ended, and a slide in the
    // picture view laid out anew: the screen shows the window at its new size, not just the
    // window manager's idea of it.
    const COLORREF headerGrey = RGB(200, 199, 199);
    EXPECT_TRUE(WaitFor([&] { return Near(ScreenPixel(Window(), 0.6, 0.03), headerGrey, 12); }, 2000))
        << std::hex << ScreenPixel(Window(), 0.6, 0.03);
    EXPECT_TRUE(WaitFor([] { return ShownPeriod() >= 0; }, 2000)) << "the maximised picture view shows its slide";
    Screenshot(L"acceptance-6-maximised.bmp");
    PressButton(Window(), IDC_MAXIMIZE);
    EXPECT_TRUE(WaitFor([] { return !IsZoomed(Window()); }, 2000));

    // While paused the label changes only with a seek, so a first skip tells where it stands.
    PostCommand(Window(), ID_MENU_PAUSE);
    PostCommand(Window(), ID_MENU_SKIP_BACK);
    Pump(500);
    const int start = Elapsed();
    PostCommand(Window(), ID_MENU_SKIP_FORWARD);
    EXPECT_TRUE(WaitFor([&] { return Elapsed() == start + 10; }, 2000)) << Elapsed();
    PostCommand(Window(), ID_MENU_SKIP_BACK);
    EXPECT_TRUE(WaitFor([&] { return Elapsed() == start + 7; }, 2000)) << Elapsed();
    PostCommand(Window(), ID_MENU_PLAY);
    EXPECT_TRUE(IsPlaying());

    // The context menu opens at a right click; Escape closes it.
    RECT client{};
    GetClientRect(Window(), &client);
    PostMessageW(Window(), WM_RBUTTONUP, 0, MAKELPARAM(client.right / 2, client.bottom / 2));
    HWND menu = nullptr;
    EXPECT_TRUE(WaitFor([&] { return (menu = FindWindowW(L"#32768", nullptr)) != nullptr && IsWindowVisible(menu); }, 3000));
    Screenshot(L"acceptance-7-context-menu.bmp");
    keybd_event(VK_ESCAPE, 0, 0, 0);
    keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(menu); }, 3000));

    // The about box opens from the system menu.
    PostMessageW(Window(), WM_SYSCOMMAND, 0x0010, 0);
    HWND about = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (about = FindDialogOf(s_player->Id(), Window())) != nullptr; }, 5000));
    EXPECT_NE(GetDlgItem(about, IDC_ABOUT_PRODUCT), nullptr);
    Screenshot(L"acceptance-8-about-box.bmp");
    PostMessageW(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(about); }, 3000));
}

TEST_F(PlayerAcceptance, ClosingEndsTheProgramAndRemovesItsWorkFolder)
{
    const std::wstring workFolder = TempPath(L"ZEL");
    EXPECT_TRUE(PathFileExistsW(workFolder.c_str())) << "the open document lives in the work folder";
    PressButton(Window(), IDC_CLOSE);
    EXPECT_TRUE(s_player->WaitForExit(10000));
    EXPECT_FALSE(PathFileExistsW(workFolder.c_str())) << "the work folder is gone";
    DeleteFileW(TempPath(L"kavora-acceptance-other.kav").c_str());
    DeleteFileW(TempPath(L"kavora-acceptance-dropped.kav").c_str());
}
