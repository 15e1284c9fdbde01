// The skin button: looks drawn from the skin, clicks only inside the hit-test mask, the posted
// click notifications, the check flag and the tooltip.
#include "UiTestSupport.h"
#include "TestSkinIds.h"
#include "framework/Gdi.h"
#include "framework/Resources.h"
#include "resources/ResourceIds.h"
#include "ui/SkinButton.h"
#include "ui/SkinSupport.h"
#include <commctrl.h>
#include <gtest/gtest.h>

namespace {
const COLORREF kNormal = RGB(200, 0, 0);
const COLORREF kPressed = RGB(0, 200, 0);
const COLORREF kHover = RGB(0, 0, 200);
const COLORREF kDisabled = RGB(128, 128, 128);
const UINT kButtonId = 1011;
// Inside the mask's black left half, and inside the rectangle but on its white right half.
const POINT kInMask{4, 8};
const POINT kOffMask{18, 8};

class SkinButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(skin.IsLoaded()) << "ui_test_skin.dll must lie beside the tests";
        parent.AddStatic(kButtonId, 20, 20, 50, 40);
        ASSERT_TRUE(button.SubclassDlgItem(kButtonId, parent));
        button.SetBitmaps(IDB_TEST_BUTTON_NORMAL, IDB_TEST_BUTTON_MASK, IDB_TEST_BUTTON_PRESSED, 0,
                          IDB_TEST_BUTTON_HOVER, 0, 0, 0, IDB_TEST_BUTTON_DISABLED, 0);
        Redraw(parent);
        parent.notes.clear();
    }

    COLORREF Look() const { return Snapshot(button).At(12, 8); }
    int Clicks() const
    {
        int clicks = 0;
        for (const Notification& note : parent.notes) {
            EXPECT_EQ(note.message, static_cast<UINT>(WM_COMMAND));
            EXPECT_EQ(note.wParam, MAKEWPARAM(kButtonId, 0)) << "the control ID with the plain click code";
            EXPECT_EQ(note.lParam, reinterpret_cast<LPARAM>(button.GetSafeHwnd()));
            ++clicks;
        }
        return clicks;
    }

    ScopedResourceModule skin{L"ui_test_skin.dll"};
    TestParent parent{300, 300, 200, 100};
    CSkinButton button;
};

std::vector<HWND> ToolTipsOf(HWND tool)
{
    struct Search {
        HWND tool;
        std::vector<HWND> found;
    } search{tool, {}};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            wchar_t name[64] = {};
            GetClassNameW(hwnd, name, 64);
            TTTOOLINFOW info{};
            info.cbSize = TTTOOLINFOW_V2_SIZE;
            if (lstrcmpiW(name, TOOLTIPS_CLASSW) == 0 && SendMessageW(hwnd, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&info)) &&
                info.hwnd == s->tool)
                s->found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring ToolTipText(HWND toolTip, HWND tool)
{
    wchar_t text[256] = {};
    TTTOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    SendMessageW(toolTip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&info));
    info.lpszText = text;
    SendMessageW(toolTip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&info));
    return text;
}
}

TEST_F(SkinButtonTest, TakesTheSizeOfItsFirstNormalImageOnly)
{
    RECT rect = button.GetWindowRect();
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, 20);
    EXPECT_EQ(rect.top, 20);
    EXPECT_EQ(rect.right - rect.left, 24);
    EXPECT_EQ(rect.bottom - rect.top, 16);
    EXPECT_TRUE(Near(Look(), kNormal)) << ColourText(Look());

    // A new set of images later (a look change) keeps the size.
    button.SetBitmaps(IDB_TEST_BUTTON_LARGE, IDB_TEST_BUTTON_MASK, 0, 0, 0, 0, 0, 0, 0, 0);
    Pump();
    const RECT client = button.GetClientRect();
    EXPECT_EQ(client.right, 24);
    EXPECT_EQ(client.bottom, 16);
    EXPECT_TRUE(Near(Look(), RGB(200, 200, 0))) << ColourText(Look());
}

TEST_F(SkinButtonTest, ClickInsideTheMaskPostsOneCommandWithHoverAndPressedLooks)
{
    MoveMouse(button, kInMask);
    EXPECT_TRUE(Near(Look(), kHover)) << ColourText(Look());
    MouseButton(true);
    EXPECT_TRUE(Near(Look(), kPressed)) << ColourText(Look());
    EXPECT_EQ(GetCapture(), button.GetSafeHwnd());
    EXPECT_EQ(Clicks(), 0) << "nothing is posted before the release";
    MouseButton(false);
    EXPECT_EQ(Clicks(), 1);
    // Released: drawn normal, and hover again at the next move over it (releasing the capture
    // makes the system send one at once).
    EXPECT_FALSE(Near(Look(), kPressed)) << ColourText(Look());
    EXPECT_EQ(GetCapture(), nullptr);

    // Leaving the button restores the normal look.
    MoveMouse(button, POINT{12, 9});
    EXPECT_TRUE(Near(Look(), kHover));
    MoveMouse(parent, POINT{150, 80});
    for (int i = 0; i < 40 && !Near(Look(), kNormal); ++i) Pump(25);
    EXPECT_TRUE(Near(Look(), kNormal)) << ColourText(Look());
}

TEST_F(SkinButtonTest, PressOutsideTheMaskDoesNothing)
{
    Click(button, kOffMask);
    EXPECT_EQ(Clicks(), 0);
    MoveMouse(button, kOffMask);
    MouseButton(true);
    EXPECT_EQ(GetCapture(), nullptr) << "no capture for a press on a transparent mask pixel";
    EXPECT_FALSE(Near(Look(), kPressed));
    MouseButton(false);
    EXPECT_EQ(Clicks(), 0);
}

TEST_F(SkinButtonTest, PressInsideReleasedOutsidePostsNothing)
{
    MoveMouse(button, kInMask);
    MouseButton(true);
    MoveMouse(parent, POINT{150, 80});
    EXPECT_TRUE(Near(Look(), kNormal)) << "outside the rectangle the look is normal while pressed";
    MouseButton(false);
    EXPECT_EQ(Clicks(), 0);
    EXPECT_TRUE(Near(Look(), kNormal));
}

TEST_F(SkinButtonTest, DoubleClickPostsTwoCommands)
{
    MoveMouse(button, kInMask);
    MouseButton(true);
    MouseButton(false);
    MouseButton(true); // within the double-click time: a WM_LBUTTONDBLCLK
    MouseButton(false);
    Pump(100);
    EXPECT_EQ(Clicks(), 2);

    // Sent messages take the same road: down, up, double click, up.
    parent.notes.clear();
    const LPARAM at = MAKELPARAM(kInMask.x, kInMask.y);
    button.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
    button.SendMessage(WM_LBUTTONUP, 0, at);
    button.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    button.SendMessage(WM_LBUTTONUP, 0, at);
    Pump();
    EXPECT_EQ(Clicks(), 2);

    // A double click on a transparent pixel is dropped.
    parent.notes.clear();
    const LPARAM off = MAKELPARAM(kOffMask.x, kOffMask.y);
    button.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, off);
    button.SendMessage(WM_LBUTTONUP, 0, off);
    Pump();
    EXPECT_EQ(Clicks(), 0);
}

TEST_F(SkinButtonTest, MissingPressedAndHoverImagesFallBackToTheNormalImage)
{
    button.SetBitmaps(IDB_TEST_BUTTON_NORMAL, IDB_TEST_BUTTON_MASK, 0, 0, 0, 0, 0, 0, 0, 0);
    MoveMouse(button, kInMask);
    EXPECT_TRUE(Near(Look(), kNormal)) << ColourText(Look());
    MouseButton(true);
    EXPECT_TRUE(Near(Look(), kNormal)) << ColourText(Look());
    MouseButton(false);
    EXPECT_EQ(Clicks(), 1) << "the mask falls back as well";
}

TEST_F(SkinButtonTest, DisabledLookReplacesEveryLookButTheButtonStillClicksUntilDisabled)
{
    button.SetEnabledLook(false);
    Pump();
    EXPECT_TRUE(Near(Look(), kDisabled)) << ColourText(Look());
    MoveMouse(button, kInMask);
    EXPECT_TRUE(Near(Look(), kDisabled)) << "hover";
    MouseButton(true);
    EXPECT_TRUE(Near(Look(), kDisabled)) << "pressed";
    MouseButton(false);
    EXPECT_EQ(Clicks(), 1);

    parent.notes.clear();
    button.EnableButton(false);
    EXPECT_FALSE(button.IsWindowEnabled());
    Pump();
    EXPECT_TRUE(Near(Look(), kDisabled)) << ColourText(Look());
    Click(button, kInMask);
    EXPECT_EQ(Clicks(), 0) << "a disabled window gets no mouse input";

    button.EnableButton(true);
    Pump();
    EXPECT_TRUE(Near(Look(), kNormal)) << ColourText(Look());
    Click(button, kInMask);
    EXPECT_EQ(Clicks(), 1);
}

TEST_F(SkinButtonTest, ToolTipIsReplacedUpdatedAndShownOverTheButton)
{
    EXPECT_TRUE(ToolTipsOf(button).empty());
    button.UpdateToolTip(L"nothing to update"); // without a tooltip: no effect
    EXPECT_TRUE(ToolTipsOf(button).empty());

    button.SetToolTip(parent, L"first");
    button.SetToolTip(parent, L"Play");
    std::vector<HWND> tips = ToolTipsOf(button);
    ASSERT_EQ(tips.size(), 1u) << "the old tooltip is destroyed when replaced";
    EXPECT_EQ(ToolTipText(tips[0], button), L"Play");
    button.UpdateToolTip(L"Pause");
    EXPECT_EQ(ToolTipText(tips[0], button), L"Pause");

    // Resting the mouse on the button shows the tip.
    MoveMouse(parent, POINT{150, 80});
    MoveMouse(button, POINT{6, 6});
    bool shown = false;
    for (int i = 0; i < 40 && !shown; ++i) {
        Pump(50);
        shown = IsWindowVisible(tips[0]) != FALSE;
    }
    EXPECT_TRUE(shown);
    MoveMouse(parent, POINT{150, 80});
}

TEST_F(SkinButtonTest, ToolTipTextsComeFromTheStringTable)
{
    ScopedResourceModule zel(L"ZEL.dll");
    ASSERT_TRUE(zel.IsLoaded());
    const std::wstring play = LoadResourceString(IDS_TIP_PLAY);
    const std::wstring pause = LoadResourceString(IDS_TIP_PAUSE);
    ASSERT_FALSE(play.empty());
    button.SetToolTip(parent, static_cast<UINT>(IDS_TIP_PLAY));
    std::vector<HWND> tips = ToolTipsOf(button);
    ASSERT_EQ(tips.size(), 1u);
    EXPECT_EQ(ToolTipText(tips[0], button), play);
    button.UpdateToolTip(static_cast<UINT>(IDS_TIP_PAUSE));
    EXPECT_EQ(ToolTipText(tips[0], button), pause);
}

TEST_F(SkinButtonTest, ShippedSkinButtonsClickWhereTheirMaskIsBlack)
{
    ScopedResourceModule zel(L"ZEL.dll");
    ASSERT_TRUE(zel.IsLoaded());
    const UINT playId = 1050;
    parent.AddStatic(playId, 100, 20, 10, 10);
    CSkinButton play;
    ASSERT_TRUE(play.SubclassDlgItem(playId, parent));
    play.SetBitmaps(201, 203, 200, 203, 202, 203, 200, 203, 201, 203);
    const SIZE size = BitmapSize(LoadResourceBitmap(IDB_PLAY_NORMAL).Get());
    const RECT client = play.GetClientRect();
    EXPECT_EQ(client.right, size.cx);
    EXPECT_EQ(client.bottom, size.cy);

    // Read the artwork's mask for a clickable and, where the artwork has one, a dead pixel.
    const UniqueBitmap mask = LoadResourceBitmap(IDB_PLAY_MASK);
    const UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
    const SelectGuard select(dc.Get(), mask.Get());
    POINT black{-1, -1};
    POINT clear{-1, -1};
    for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x)
            (GetPixel(dc.Get(), x, y) == 0 ? black : clear) = POINT{x, y};
    ASSERT_GE(black.x, 0) << "the play mask has no clickable pixel";
    Click(play, black);
    ASSERT_EQ(parent.notes.size(), 1u);
    EXPECT_EQ(parent.notes[0].wParam, static_cast<WPARAM>(playId));
    if (clear.x >= 0) {
        parent.notes.clear();
        Click(play, clear);
        EXPECT_TRUE(parent.notes.empty());
    }
}

TEST_F(SkinButtonTest, PaintingLeavesNoGdiObjectsBehind)
{
    button.SetToolTip(parent, L"tip");
    Redraw(parent);
    MoveMouse(button, kInMask);
    const int before = GdiObjectCount();
    if (before < 0) GTEST_SKIP() << "the platform does not report GDI objects";
    const LPARAM at = MAKELPARAM(kInMask.x, kInMask.y);
    for (int i = 0; i < 300; ++i) {
        RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        button.SendMessage(WM_MOUSEMOVE, 0, at);
        button.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
        button.SendMessage(WM_LBUTTONUP, 0, at);
    }
    Pump();
    EXPECT_EQ(GdiObjectCount(), before);
}

TEST(SkinScale, PicksTheNearestArtworkAndEnlargesWhereTheModuleHasNone)
{
    EXPECT_EQ(SkinScale(96), 100);
    EXPECT_EQ(SkinScale(120), 100) << "125 %";
    EXPECT_EQ(SkinScale(144), 150);
    EXPECT_EQ(SkinScale(168), 150) << "175 %";
    EXPECT_EQ(SkinScale(192), 200);
    EXPECT_EQ(SkinScale(288), 200) << "the largest artwork beyond 200 %";

    // The test module has no artwork for larger scales: its bitmaps are enlarged pixel by pixel,
    // so a hit-test mask stays black exactly on its left half.
    ScopedResourceModule skin(L"ui_test_skin.dll");
    ASSERT_TRUE(skin.IsLoaded());
    const SIZE size = SkinBitmapSize(IDB_TEST_BUTTON_MASK, 150);
    EXPECT_EQ(size.cx, 36);
    EXPECT_EQ(size.cy, 24);
    const SkinImage mask(nullptr, IDB_TEST_BUTTON_MASK, 150);
    ASSERT_TRUE(mask);
    for (int x = 0; x < 36; ++x)
        EXPECT_EQ(GetPixel(mask.Get(), x, 12), x < 18 ? RGB(0, 0, 0) : RGB(255, 255, 255)) << x;
    EXPECT_EQ(SkinBitmapSize(IDB_TEST_BUTTON_NORMAL, 200).cx, 48);
    EXPECT_EQ(SkinBitmapSize(0, 200).cx, 0) << "no bitmap, no size";
}
