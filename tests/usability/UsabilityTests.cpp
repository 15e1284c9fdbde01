// The built program driven from outside over the demo document, for what a Windows user expects
// beyond the buttons: the keyboard, the media keys, what a screen reader learns about each
// control, and the seek bar's picture preview with its snapping to the marks. The cases share
// one running player and build on each other, in the order written.
#include "base/ComPtr.h"
#include "document/ContainerWriter.h"
#include "resources/ResourceIds.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestSignals.h"
#include "tests/support/PlayerDriver.h"

#include <gtest/gtest.h>
#include <ole2.h>
#include <mmsystem.h>
#include <oleacc.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {
const wchar_t kDemoTitle[] = L"A Tour of Kavora";
const COLORREF kMarkColour = RGB(0x2A, 0x7A, 0xB8); // the skin's accent, which the marks wear

std::wstring DemoFolder() { return BinFolder() + L"..\\demo\\"; }
std::wstring DemoPath() { return DemoFolder() + L"demo.kav"; }

// The demo's periods as the script that made it lists them: the start in milliseconds and the
// colour of the slide's top edge.
struct DemoPeriod {
    int startMs = 0;
    COLORREF colour = 0;
};

std::vector<DemoPeriod> ReadDemoPeriods()
{
    std::vector<DemoPeriod> periods;
    std::ifstream in((DemoFolder() + L"demo-periods.txt").c_str());
    std::string picture, colour;
    int startMs = 0;
    while (in >> startMs >> picture >> colour) {
        const unsigned long rgb = std::strtoul(colour.c_str() + 1, nullptr, 16);
        periods.push_back({startMs, RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF)});
    }
    return periods;
}

// The start second of each period of the demo.
std::vector<int> ReadPeriodStarts()
{
    std::vector<int> starts;
    for (const DemoPeriod& period : ReadDemoPeriods()) starts.push_back(period.startMs / 1000);
    return starts;
}

// Key messages as the keyboard would queue them for a window: wParam the key, lParam the repeat
// count 1 and, for an auto-repeat, bit 30 (the key was already down).
void PostKey(HWND target, UINT key, bool repeat = false)
{
    PostMessageW(target, WM_KEYDOWN, key, 1 | (repeat ? (1 << 30) : 0));
    PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
}

void TypeKey(BYTE key)
{
    keybd_event(key, 0, 0, 0);
    keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
}

LRESULT AppCommand(HWND target, int command)
{
    return SendMessageW(target, WM_APPCOMMAND, reinterpret_cast<WPARAM>(target),
                        MAKELPARAM(0, command | FAPPCOMMAND_KEY));
}

HWND FocusOf(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

// What a screen reader reads of a window's client object.
struct Described {
    HRESULT found = E_FAIL;
    std::wstring name;
    std::wstring value;
    LONG role = 0;
    LONG state = 0;
    std::wstring action;
    ComPtr<IAccessible> object;
};

std::wstring TextOf(BSTR text)
{
    std::wstring copy = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return copy;
}

Described Describe(HWND hwnd)
{
    Described d;
    d.found = AccessibleObjectFromWindow(hwnd, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&d.object));
    if (FAILED(d.found) || !d.object) return d;
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    if (SUCCEEDED(d.object->get_accName(self, &text))) d.name = TextOf(text);
    text = nullptr;
    if (SUCCEEDED(d.object->get_accValue(self, &text))) d.value = TextOf(text);
    text = nullptr;
    if (SUCCEEDED(d.object->get_accDefaultAction(self, &text))) d.action = TextOf(text);
    VARIANT v{};
    if (SUCCEEDED(d.object->get_accRole(self, &v)) && v.vt == VT_I4) d.role = v.lVal;
    VariantClear(&v);
    if (SUCCEEDED(d.object->get_accState(self, &v)) && v.vt == VT_I4) d.state = v.lVal;
    VariantClear(&v);
    return d;
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}
} // namespace

class PlayerUsability : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Aware of the scale itself, so that this process sees the player's windows in pixels.
        SetProcessDPIAware();
        OleInitialize(nullptr);
        s_starts = ReadPeriodStarts();
        s_player = new CPlayerProcess;
        if (s_player->Start(L"\"" + DemoPath() + L"\"")) s_window = s_player->WaitForWindow();
        if (s_window) WaitFor([] { return ControlText(s_window, IDC_TITLE) == kDemoTitle; }, 15000);
        CreateDirectoryW((BinFolder() + L"..\\screenshots").c_str(), nullptr);
    }
    static void TearDownTestSuite()
    {
        if (s_window) PressButton(s_window, IDC_CLOSE);
        if (s_player) s_player->WaitForExit(10000);
        delete s_player;
        s_player = nullptr;
        OleUninitialize();
    }
    void SetUp() override
    {
        ASSERT_GE(s_starts.size(), 4u) << "the demo's period list is missing or short";
        ASSERT_NE(s_window, nullptr) << "the player window did not appear";
        ASSERT_TRUE(s_player->IsRunning());
        ASSERT_EQ(ControlText(s_window, IDC_TITLE), kDemoTitle);
    }

    static HWND Window() { return s_window; }
    static HWND Control(int id) { return GetDlgItem(s_window, id); }
    static int Elapsed() { return SecondsOf(ControlText(s_window, IDC_TIME)); }
    static bool ElapsedBecomes(int seconds) { return WaitFor([&] { return Elapsed() == seconds; }, 2500); }
    static bool IsPlaying()
    {
        const int before = Elapsed();
        return WaitFor([&] { return Elapsed() != before; }, 2500);
    }
    static bool HoldsStill()
    {
        const int before = Elapsed();
        Pump(1500);
        return Elapsed() == before;
    }
    // Paused at a known position: a skip back while paused writes the label.
    static int PauseAndRead()
    {
        AppCommand(s_window, APPCOMMAND_MEDIA_PAUSE);
        PressButton(s_window, IDC_SKIP_BACK);
        Pump(500);
        return Elapsed();
    }
    // The volume and mute as the player shows them to screen readers. (Under Wine each process
    // has its own mixer session, so the test cannot read the player's volume from the mixer.)
    static int Volume()
    {
        const std::wstring value = Describe(Control(IDC_VOLUME)).value;
        return value.empty() ? -1 : _wtoi(value.c_str());
    }
    static bool Muted() { return (Describe(Control(IDC_MUTE)).state & STATE_SYSTEM_PRESSED) != 0; }
    static void Screenshot(const wchar_t* name) { SaveScreen(BinFolder() + L"..\\screenshots\\" + name); }

    static CPlayerProcess* s_player;
    static HWND s_window;
    static std::vector<int> s_starts;
};

CPlayerProcess* PlayerUsability::s_player = nullptr;
HWND PlayerUsability::s_window = nullptr;
std::vector<int> PlayerUsability::s_starts;

namespace {
// The scale the user chose for the screen (Wine keeps it in LogPixels), 96 when none is set.
UINT ChosenDpi()
{
    DWORD dpi = 0;
    DWORD size = sizeof(dpi);
    if (RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", RRF_RT_REG_DWORD, nullptr, &dpi,
                     &size) != ERROR_SUCCESS || dpi == 0)
        return 96;
    return dpi;
}

RECT ChildRect(HWND parent, int id)
{
    RECT rect{};
    GetWindowRect(GetDlgItem(parent, id), &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}
} // namespace

// Runs first, before any case resizes the window. tests/usability/dpi-screens.sh runs it alone at 150
// and 200 percent and keeps the screenshots.
TEST_F(PlayerUsability, SkinFollowsTheScaleOfTheScreen)
{
    const UINT dpi = ChosenDpi();
    const int scale = dpi <= 120 ? 100 : dpi <= 168 ? 150 : 200;
    const auto S = [scale](int length) { return MulDiv(length, scale, 100); };
    RECT window{}, client{};
    GetWindowRect(Window(), &window);
    GetClientRect(Window(), &client);
    EXPECT_EQ(window.right - window.left, S(420)) << "at " << dpi << " dpi";
    EXPECT_EQ(window.bottom - window.top, S(390));

    const RECT pause = ChildRect(Window(), IDC_PAUSE);
    EXPECT_EQ(pause.left, S(5));
    EXPECT_EQ(pause.top, S(46));
    EXPECT_EQ(pause.right - pause.left, S(27)) << "the pause artwork drawn for this scale";
    EXPECT_EQ(pause.bottom - pause.top, S(24));
    const RECT seek = ChildRect(Window(), IDC_SEEKBAR);
    EXPECT_EQ(seek.left, S(232));
    EXPECT_EQ(seek.right, client.right - S(10));
    EXPECT_EQ(seek.bottom - seek.top, S(34));
    const RECT close = ChildRect(Window(), IDC_CLOSE);
    EXPECT_EQ(close.left, client.right - S(16));
    EXPECT_EQ(close.right - close.left, S(11));
    EXPECT_EQ(ChildRect(Window(), IDC_PICTURE).top, S(74));
    // The header's blue top line runs across the whole width, drawn from the scaled artwork.
    EXPECT_TRUE(Near(ScreenPixel(Window(), 0.5, 0.5 / client.bottom), kMarkColour, 24))
        << std::hex << ScreenPixel(Window(), 0.5, 0.5 / client.bottom);

    Pump(1500); // a picture and a few seconds on the clock
    Screenshot((L"usability-scale-" + std::to_wstring(dpi) + L".bmp").c_str());
}

TEST_F(PlayerUsability, SpaceTogglesPlayAndPauseWhicheverControlHasTheFocus)
{
    ASSERT_TRUE(IsPlaying());
    // The window itself, a button and the seek bar: the key reaches the player from each.
    for (HWND target : {Window(), Control(IDC_PLAY), Control(IDC_SEEKBAR)}) {
        PostKey(target, VK_SPACE);
        EXPECT_TRUE(HoldsStill()) << "Space pauses while playing";
        PostKey(target, VK_SPACE);
        EXPECT_TRUE(IsPlaying()) << "Space plays while paused";
    }
    // A held Space does not flicker between the two.
    PostKey(Window(), VK_SPACE, true);
    EXPECT_TRUE(IsPlaying()) << "an auto-repeat of Space does nothing";
}

TEST_F(PlayerUsability, ArrowsHomeAndPageKeysMoveLikeTheirButtons)
{
    const int start = PauseAndRead();
    PostKey(Control(IDC_PAUSE), VK_RIGHT);
    EXPECT_TRUE(ElapsedBecomes(start + 10)) << Elapsed();
    PostKey(Control(IDC_PAUSE), VK_RIGHT, true);
    EXPECT_TRUE(ElapsedBecomes(start + 20)) << "skips repeat while the key is held: " << Elapsed();
    PostKey(Window(), VK_LEFT);
    EXPECT_TRUE(ElapsedBecomes(start + 17)) << Elapsed();
    EXPECT_TRUE(HoldsStill()) << "skips keep the pause";
    PostKey(Window(), VK_HOME);
    EXPECT_TRUE(ElapsedBecomes(0)) << Elapsed();
    EXPECT_TRUE(HoldsStill()) << "Home keeps the pause";

    // Picture jumps land on the picture starts and play from there.
    PostKey(Window(), VK_NEXT);
    EXPECT_TRUE(WaitFor([] { return Elapsed() >= s_starts[1] && Elapsed() <= s_starts[1] + 1; }, 3000)) << Elapsed();
    EXPECT_TRUE(IsPlaying());
    PostKey(Window(), VK_NEXT);
    EXPECT_TRUE(WaitFor([] { return Elapsed() >= s_starts[2] && Elapsed() <= s_starts[2] + 1; }, 3000)) << Elapsed();
    PostKey(Window(), VK_PRIOR);
    PostKey(Window(), VK_PRIOR);
    EXPECT_TRUE(WaitFor([] { return Elapsed() <= s_starts[1] + 1; }, 3000)) << Elapsed();
}

TEST_F(PlayerUsability, UpDownAndMChangeTheVolumeAndMute)
{
    const int start = Volume();
    ASSERT_GE(start, 0) << "the volume slider tells no value";
    PostKey(Window(), VK_DOWN);
    EXPECT_TRUE(WaitFor([&] { return Volume() == std::max(start - 5, 0); }, 2000)) << Volume();
    PostKey(Control(IDC_SEEKBAR), VK_DOWN, true);
    EXPECT_TRUE(WaitFor([&] { return Volume() == std::max(start - 10, 0); }, 2000)) << "volume steps repeat";
    PostKey(Window(), VK_UP);
    EXPECT_TRUE(WaitFor([&] { return Volume() == std::max(start - 5, 0); }, 2000)) << Volume();
    PostKey(Window(), VK_UP);
    PostKey(Window(), VK_UP);
    EXPECT_TRUE(WaitFor([&] { return Volume() == std::min(std::max(start - 5, 0) + 10, 100); }, 2000)) << Volume();

    ASSERT_FALSE(Muted());
    PostKey(Control(IDC_VOLUME), 'M');
    EXPECT_TRUE(WaitFor([] { return Muted(); }, 2000));
    PostKey(Window(), 'M', true);
    Pump(300);
    EXPECT_TRUE(Muted()) << "a held M toggles once";
    PostKey(Window(), 'M');
    EXPECT_TRUE(WaitFor([] { return !Muted(); }, 2000));
}

TEST_F(PlayerUsability, EnterAndEscapeStillDoNothing)
{
    ASSERT_TRUE(IsPlaying());
    for (UINT key : {VK_RETURN, VK_ESCAPE, VK_CANCEL}) {
        PostKey(Control(IDC_PLAY), key);
        PostKey(Window(), key);
    }
    Pump(500);
    EXPECT_TRUE(IsWindowVisible(Window()));
    EXPECT_TRUE(IsPlaying()) << "nor do they pause";
}

TEST_F(PlayerUsability, RealKeysMoveTheFocusWithTabAndCtrlOOpensTheFileDialog)
{
    SetForegroundWindow(Window());
    Pump(300);
    const HWND first = FocusOf(Window());
    ASSERT_NE(first, nullptr) << "nothing in the player has the focus";
    TypeKey(VK_TAB);
    EXPECT_TRUE(WaitFor([&] { return FocusOf(Window()) != first; }, 2000)) << "Tab moves the focus";
    const HWND second = FocusOf(Window());
    EXPECT_EQ(GetParent(second), Window());
    Screenshot(L"usability-1-focus.bmp");

    TypeKey(VK_SPACE);
    EXPECT_TRUE(HoldsStill()) << "real Space pauses with the focus on a button";
    TypeKey(VK_SPACE);
    EXPECT_TRUE(IsPlaying());

    keybd_event(VK_CONTROL, 0, 0, 0);
    TypeKey('O');
    keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (dialog = FindDialogOf(s_player->Id(), Window())) != nullptr; }, 5000))
        << "Ctrl+O shows no file dialog";
    Screenshot(L"usability-2-open-dialog.bmp");
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 5000));
    EXPECT_EQ(ControlText(Window(), IDC_TITLE), kDemoTitle) << "a cancelled dialog leaves the document";
}

TEST_F(PlayerUsability, MediaKeysPlayPauseAndChangeThePicture)
{
    ASSERT_TRUE(IsPlaying());
    EXPECT_EQ(AppCommand(Window(), APPCOMMAND_MEDIA_PLAY_PAUSE), TRUE);
    EXPECT_TRUE(HoldsStill());
    EXPECT_EQ(AppCommand(Window(), APPCOMMAND_MEDIA_PLAY_PAUSE), TRUE);
    EXPECT_TRUE(IsPlaying());
    EXPECT_EQ(AppCommand(Window(), APPCOMMAND_MEDIA_PLAY), TRUE);
    EXPECT_TRUE(IsPlaying()) << "play while playing goes on playing";
    EXPECT_EQ(AppCommand(Window(), APPCOMMAND_MEDIA_PAUSE), TRUE);
    EXPECT_TRUE(HoldsStill());
    EXPECT_EQ(AppCommand(Window(), APPCOMMAND_MEDIA_PAUSE), TRUE);
    EXPECT_TRUE(HoldsStill()) << "pause while paused stays paused";
    EXPECT_EQ(AppCommand(Window(), APPCOMMAND_MEDIA_PLAY), TRUE);
    EXPECT_TRUE(IsPlaying());

    // The play / pause key of a real keyboard: the system turns it into the command.
    SetForegroundWindow(Window());
    for (const bool playingAfter : {false, true}) {
        keybd_event(VK_MEDIA_PLAY_PAUSE, 0, KEYEVENTF_EXTENDEDKEY, 0);
        keybd_event(VK_MEDIA_PLAY_PAUSE, 0, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP, 0);
        Pump(300);
        EXPECT_EQ(IsPlaying(), playingAfter) << "after the play / pause key";
    }

    PostKey(Window(), VK_HOME);
    ASSERT_TRUE(WaitFor([] { return Elapsed() <= 1; }, 2500));
    // Sent to a control, the command travels up to the player window. (Wine's default handling
    // passes it up but answers 0 itself, so only the effect is checked.)
    AppCommand(Control(IDC_NEXT_PICTURE), APPCOMMAND_MEDIA_NEXTTRACK);
    EXPECT_TRUE(WaitFor([] { return Elapsed() >= s_starts[1] && Elapsed() <= s_starts[1] + 1; }, 3000)) << Elapsed();
    ASSERT_TRUE(WaitFor([] { return Elapsed() >= s_starts[1] + 2; }, 4000));
    EXPECT_EQ(AppCommand(Window(), APPCOMMAND_MEDIA_PREVIOUSTRACK), TRUE);
    EXPECT_TRUE(WaitFor([] { return Elapsed() <= s_starts[1] + 1; }, 3000)) << Elapsed();

    EXPECT_EQ(AppCommand(Window(), APPCOMMAND_BROWSER_BACKWARD), FALSE) << "commands the player has none for";
    EXPECT_EQ(AppCommand(Window(), APPCOMMAND_MEDIA_STOP), FALSE) << "the player has no stop";
}

TEST_F(PlayerUsability, ScreenReadersHearEveryControlsNameRoleAndValue)
{
    struct Named {
        int id;
        UINT tip;
    };
    const Named buttons[] = {
        {IDC_PLAY, IDS_TIP_PLAY},         {IDC_PAUSE, IDS_TIP_PAUSE},     {IDC_SKIP_BACK, IDS_TIP_SKIP_BACK},
        {IDC_SKIP_FORWARD, IDS_TIP_SKIP_FORWARD}, {IDC_NEXT_PICTURE, IDS_TIP_NEXT_PICTURE},
        {IDC_PREV_PICTURE, IDS_TIP_PREV_PICTURE}, {IDC_TOPMOST, IDS_TIP_TOPMOST},   {IDC_MUTE, IDS_TIP_MUTE},
        {IDC_COMPACT, IDS_TIP_COMPACT},   {IDC_CLOSE, IDS_TIP_CLOSE},     {IDC_MAXIMIZE, IDS_TIP_MAXIMIZE},
        {IDC_MINIMIZE, IDS_TIP_MINIMIZE},
    };
    for (const Named& button : buttons) {
        const Described d = Describe(Control(button.id));
        ASSERT_TRUE(SUCCEEDED(d.found)) << "control " << button.id << ": 0x" << std::hex << d.found;
        EXPECT_EQ(d.name, ResourceString(button.tip)) << button.id;
        EXPECT_EQ(d.role, ROLE_SYSTEM_PUSHBUTTON) << button.id;
        EXPECT_TRUE(d.state & STATE_SYSTEM_FOCUSABLE) << button.id;
        EXPECT_EQ(d.action, L"Press") << button.id;
        std::printf("  button %d: name \"%s\", role %ld, state 0x%lx, action \"%s\"\n", button.id,
                    Narrow(d.name).c_str(), d.role, d.state, Narrow(d.action).c_str());
    }

    const Described volume = Describe(Control(IDC_VOLUME));
    ASSERT_TRUE(SUCCEEDED(volume.found));
    EXPECT_EQ(volume.name, ResourceString(IDS_TIP_VOLUME));
    EXPECT_EQ(volume.role, ROLE_SYSTEM_SLIDER);
    EXPECT_EQ(std::to_wstring(_wtoi(volume.value.c_str())), volume.value) << "a plain number";
    std::printf("  volume: name \"%s\", role %ld, value \"%s\"\n", Narrow(volume.name).c_str(), volume.role,
                Narrow(volume.value).c_str());

    const Described seek = Describe(Control(IDC_SEEKBAR));
    ASSERT_TRUE(SUCCEEDED(seek.found));
    EXPECT_EQ(seek.name, ResourceString(IDS_NAME_SEEKBAR));
    EXPECT_EQ(seek.role, ROLE_SYSTEM_SLIDER);
    EXPECT_NE(seek.value.find(L" of "), std::wstring::npos) << Narrow(seek.value);
    EXPECT_NE(seek.value.find(L"second"), std::wstring::npos) << Narrow(seek.value);
    std::printf("  seek bar: name \"%s\", role %ld, value \"%s\"\n", Narrow(seek.name).c_str(), seek.role,
                Narrow(seek.value).c_str());

    // The elapsed time is a static text whose name is what it shows.
    const Described time = Describe(Control(IDC_TIME));
    ASSERT_TRUE(SUCCEEDED(time.found));
    EXPECT_EQ(SecondsOf(time.name), SecondsOf(ControlText(Window(), IDC_TIME))) << Narrow(time.name);
    std::printf("  time label: name \"%s\", role %ld\n", Narrow(time.name).c_str(), time.role);

    // Toggles say whether they are on; the default action presses the button.
    ASSERT_FALSE(Muted());
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    EXPECT_TRUE(SUCCEEDED(Describe(Control(IDC_MUTE)).object->accDoDefaultAction(self)));
    EXPECT_TRUE(WaitFor([] { return Muted(); }, 2000)) << "pressing mute through the screen reader";
    Describe(Control(IDC_MUTE)).object->accDoDefaultAction(self);
    EXPECT_TRUE(WaitFor([] { return !Muted(); }, 2000));
}

namespace {
// The centre column of each picture mark on the seek bar as the screen shows it: runs of the
// marks' colour along a row through the marks' heads.
std::vector<int> MarkColumns(HWND bar)
{
    RECT client{};
    GetClientRect(bar, &client);
    std::vector<int> centres;
    int runStart = -1;
    for (int x = 0; x <= client.right; ++x) {
        const bool mark = x < client.right && Near(ScreenPixel(bar, (x + 0.5) / client.right, 5.5 / client.bottom), kMarkColour, 40);
        if (mark && runStart < 0) runStart = x;
        if (!mark && runStart >= 0) {
            centres.push_back((runStart + x - 1) / 2);
            runStart = -1;
        }
    }
    return centres;
}

std::wstring TextOfWindow(HWND hwnd)
{
    wchar_t text[64] = {};
    GetWindowTextW(hwnd, text, 64);
    return text;
}
} // namespace

TEST_F(PlayerUsability, SeekBarPreviewsThePictureAndSnapsToItsMarks)
{
    HWND bar = Control(IDC_SEEKBAR);
    const std::vector<int> marks = MarkColumns(bar);
    ASSERT_GE(marks.size(), 4u) << "picture marks on the seek bar";
    RECT client{};
    GetClientRect(bar, &client);

    // Resting on the third mark shows that picture's start time; the popup stands under the bar.
    MoveMouse(bar, POINT{marks[2] + 1, client.bottom / 2});
    HWND preview = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (preview = VisiblePopupOwnedBy(Window())) != nullptr; }, 2000)) << "no preview";
    EXPECT_TRUE(WaitFor([&] { return SecondsOf(TextOfWindow(preview)) == s_starts[2]; }, 1000))
        << Narrow(TextOfWindow(preview)) << ", picture starts at " << s_starts[2];
    RECT popup{}, barRect{};
    GetWindowRect(preview, &popup);
    GetWindowRect(bar, &barRect);
    EXPECT_GE(popup.top, barRect.bottom) << "below the bar";
    Screenshot(L"usability-3-seek-preview.bmp");

    // Half-way between two marks it shows a time between their starts.
    MoveMouse(bar, POINT{(marks[2] + marks[3]) / 2, client.bottom / 2});
    EXPECT_TRUE(WaitFor([&] {
        const int shown = SecondsOf(TextOfWindow(preview));
        return shown > s_starts[2] && shown < s_starts[3];
    }, 1000)) << Narrow(TextOfWindow(preview));

    // A click a few pixels beside a mark seeks exactly to its picture's start.
    PostKey(Window(), VK_SPACE); // pause, so the label holds the seek target
    Pump(300);
    MoveMouse(bar, POINT{marks[3] + 3, client.bottom / 2});
    MouseButton(true);
    MouseButton(false);
    EXPECT_TRUE(ElapsedBecomes(s_starts[3])) << Elapsed() << " instead of " << s_starts[3];

    // Leaving the bar takes the preview away.
    MoveMouse(Window(), POINT{client.right / 2, 200});
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(preview); }, 2000)) << "the preview stays after the mouse left";
    PostKey(Window(), VK_SPACE);
    EXPECT_TRUE(IsPlaying());
}

namespace {
// The picture list window of the player's process, once it shows.
HWND PictureListOf(DWORD processId)
{
    HWND found = nullptr;
    WaitFor([&] {
        for (HWND w = GetTopWindow(nullptr); w && !found; w = GetNextWindow(w, GW_HWNDNEXT)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == processId && IsWindowVisible(w) && GetDlgItem(w, IDC_PICTURE_LIST)) found = w;
        }
        return found != nullptr;
    }, 3000);
    return found;
}
} // namespace

TEST_F(PlayerUsability, SPausesAtTheNextPictureAndLListsThemAll)
{
    const std::vector<DemoPeriod> periods = ReadDemoPeriods();
    PauseAndRead();
    PostKey(Window(), VK_HOME);
    ASSERT_TRUE(ElapsedBecomes(0));
    PostKey(Window(), 'S');
    PostKey(Window(), VK_SPACE);
    EXPECT_TRUE(WaitFor([] { return Elapsed() == s_starts[1]; }, s_starts[1] * 1000 + 3000)) << Elapsed();
    EXPECT_TRUE(HoldsStill()) << "playback waits at the second picture";
    EXPECT_TRUE(ShowsSlide(Control(IDC_PICTURE), periods[1].colour)) << "and shows it";
    Screenshot(L"usability-4-paused-at-picture.bmp");
    PostKey(Window(), VK_SPACE);
    EXPECT_TRUE(IsPlaying()) << "Space goes on";
    PostKey(Window(), 'S');

    PostKey(Window(), 'L');
    const HWND list = PictureListOf(s_player->Id());
    ASSERT_NE(list, nullptr) << "L opens the picture list";
    Pump(500);
    Screenshot(L"usability-5-picture-list.bmp");
    const HWND entries = GetDlgItem(list, IDC_PICTURE_LIST);
    PostKey(entries, VK_HOME);
    PostKey(entries, VK_RIGHT);
    PostKey(entries, VK_RIGHT);
    PostKey(entries, VK_RETURN);
    EXPECT_TRUE(WaitFor([] { return Elapsed() == s_starts[2]; }, 3000)) << "Enter on the third entry: " << Elapsed();
    EXPECT_TRUE(IsPlaying());
    EXPECT_TRUE(WaitFor([&] { return ShowsSlide(Control(IDC_PICTURE), periods[2].colour); }, 2000));
    PostKey(entries, VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(list); }, 2000)) << "Escape closes the list";
}

// Closing and starting again: the document is on the list of recent documents and goes on
// where it was left.
TEST(PlayerRestart, ARecentDocumentReopensWhereItWasLeft)
{
    {
        CPlayerProcess first;
        ASSERT_TRUE(first.Start(L"\"" + DemoPath() + L"\""));
        const HWND window = first.WaitForWindow();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(WaitFor([&] { return ControlText(window, IDC_TITLE) == kDemoTitle; }, 15000));
        PressButton(window, IDC_SKIP_FORWARD);
        PressButton(window, IDC_SKIP_FORWARD);
        ASSERT_TRUE(WaitFor([&] { return SecondsOf(ControlText(window, IDC_TIME)) >= 20; }, 3000));
        PressButton(window, IDC_CLOSE);
        ASSERT_TRUE(first.WaitForExit(15000));
    }
    CPlayerProcess second;
    ASSERT_TRUE(second.Start(L"", true));
    const HWND window = second.WaitForWindow();
    ASSERT_NE(window, nullptr);
    PostCommand(window, ID_MENU_RECENT_FIRST);
    EXPECT_TRUE(WaitFor([&] { return ControlText(window, IDC_TITLE) == kDemoTitle; }, 15000)) << "the first recent document";
    const int at = SecondsOf(ControlText(window, IDC_TIME));
    EXPECT_GE(at, 20) << "goes on where it was left";
    EXPECT_LE(at, 24);
    EXPECT_EQ(ControlText(window, IDC_TARGET_TIME).rfind(L"Resumed at 0:2", 0), 0u) << "and says so";
    PressButton(window, IDC_CLOSE);
    EXPECT_TRUE(second.WaitForExit(15000));
}

TEST_F(PlayerUsability, BracketsChangeTheListeningSpeedAndTheTimeRunsWithIt)
{
    PostKey(Window(), VK_HOME);
    AppCommand(Window(), APPCOMMAND_MEDIA_PLAY);
    PostKey(Window(), VK_OEM_6);
    PostKey(Window(), VK_OEM_6);
    EXPECT_TRUE(WaitFor([] { return ControlText(s_window, IDC_TIME).find(L"1.5\u00D7") != std::wstring::npos; }, 2000))
        << "] twice: 1.5x, shown beside the time: " << Narrow(ControlText(s_window, IDC_TIME));
    ASSERT_TRUE(IsPlaying());
    const int before = Elapsed();
    Pump(4000);
    const int after = Elapsed();
    EXPECT_GE(after - before, 5) << "4 s of wall time at 1.5x";
    EXPECT_LE(after - before, 7);
    PostKey(Window(), VK_OEM_4);
    EXPECT_TRUE(WaitFor([] { return ControlText(s_window, IDC_TIME).find(L"1.25\u00D7") != std::wstring::npos; }, 2000));
    PostKey(Window(), VK_OEM_PLUS);
    EXPECT_TRUE(WaitFor([] { return ControlText(s_window, IDC_TIME).find(L'\u00D7') == std::wstring::npos; }, 2000))
        << "= is 1x again, and 1x is not shown";
}

namespace {
// What the sound server plays, as its monitor source records it: `milliseconds` of mono sound.
std::vector<short> RecordSoundServer(DWORD rate, int milliseconds)
{
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, rate, rate * 2, 2, 16, 0};
    HWAVEIN in = nullptr;
    if (waveInOpen(&in, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) return {};
    std::vector<short> samples(static_cast<size_t>(rate) * milliseconds / 1000);
    WAVEHDR header{};
    header.lpData = reinterpret_cast<LPSTR>(samples.data());
    header.dwBufferLength = static_cast<DWORD>(samples.size() * sizeof(short));
    waveInPrepareHeader(in, &header, sizeof(header));
    waveInAddBuffer(in, &header, sizeof(header));
    waveInStart(in);
    WaitFor([&] { return (header.dwFlags & WHDR_DONE) != 0; }, milliseconds + 3000);
    waveInReset(in);
    waveInUnprepareHeader(in, &header, sizeof(header));
    waveInClose(in);
    samples.resize(header.dwBytesRecorded / sizeof(short));
    return samples;
}

// The frequency of a tone in `samples`, from its rising zero crossings between the first and the
// last loud sample; 0 when there is no tone.
double ToneFrequency(const std::vector<short>& samples, DWORD rate)
{
    const auto loud = [](short s) { return s > 1000 || s < -1000; };
    const auto first = std::find_if(samples.begin(), samples.end(), loud);
    const auto last = std::find_if(samples.rbegin(), samples.rend(), loud).base();
    if (first >= last) return 0;
    int crossings = 0;
    size_t from = 0, to = 0;
    for (auto it = first + 1; it < last; ++it) {
        if (*(it - 1) < 0 && *it >= 0) {
            if (crossings++ == 0) from = static_cast<size_t>(it - samples.begin());
            to = static_cast<size_t>(it - samples.begin());
        }
    }
    return crossings > 1 ? (crossings - 1) * static_cast<double>(rate) / static_cast<double>(to - from) : 0;
}
} // namespace

// At 1.5x the tone of a recording comes out of the sound server at its own pitch, and the time
// runs one and a half seconds a second.
TEST(PlayerSpeed, AtOneAndAHalfTheVoiceKeepsItsPitch)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"kavora-speed-test\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    ContainerContent content;
    ASSERT_EQ(BuildPictureIndex({{false, false, L"", 0}}, content.index), S_OK);
    content.voiceName = L"Tone.tmv";
    content.voicePath = folder + L"tone.tmv";
    ASSERT_TRUE(WriteFileBytes(content.voicePath,
                               EncodeTrack(MakeSine(16000 * 40, 1, 16000, 440), MakeFormat(TmvCodec::Pcm16, 1, 16000))));
    const std::wstring document = folder + L"tone.kav";
    ASSERT_EQ(WriteContainer(document, content), S_OK);

    CPlayerProcess player;
    ASSERT_TRUE(player.Start(L"\"" + document + L"\""));
    const HWND window = player.WaitForWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitFor([&] { return ControlText(window, IDC_TITLE) == L"Tone"; }, 15000));
    PostKey(window, VK_OEM_6);
    PostKey(window, VK_OEM_6);
    ASSERT_TRUE(WaitFor([&] { return ControlText(window, IDC_TIME).find(L"1.5\u00D7") != std::wstring::npos; }, 2000));
    Pump(1000); // the new speed is heard within a fraction of a second
    const int before = SecondsOf(ControlText(window, IDC_TIME));
    const std::vector<short> heard = RecordSoundServer(44100, 4000);
    const int after = SecondsOf(ControlText(window, IDC_TIME));
    ASSERT_GT(heard.size(), 44100u) << "nothing recorded from the sound server";
    const double frequency = ToneFrequency(heard, 44100);
    std::printf("kavspeed: a 440 Hz tone at 1.5x came out of the sound server at %.1f Hz\n", frequency);
    EXPECT_NEAR(frequency, 440.0, 4.4) << "the tone keeps its pitch within 1 %";
    EXPECT_GE(after - before, 5) << "about 6 s of recording in 4 s";
    EXPECT_LE(after - before, 7);

    PressButton(window, IDC_CLOSE);
    EXPECT_TRUE(player.WaitForExit(15000));
    DeleteFileW(document.c_str());
    DeleteFileW(content.voicePath.c_str());
    RemoveDirectoryW(folder.c_str());
}
