// The player window's pure rules: time formats, document paths arriving from outside, and the
// skin's layout and size limits.
#include "player/DocumentPath.h"
#include "player/PlayerCommands.h"
#include "player/TimeDisplay.h"
#include "resources/ResourceIds.h"
#include "ui/MainWindowSkin.h"
#include <gtest/gtest.h>
#include <fstream>
#include <map>

TEST(TimeDisplay, FormatsWholeSecondsWithTwoOrThreeHourDigits)
{
    EXPECT_EQ(FormatTime(0), L"00:00:00");
    EXPECT_EQ(FormatTime(59), L"00:00:59");
    EXPECT_EQ(FormatTime(60), L"00:01:00");
    EXPECT_EQ(FormatTime(3599), L"00:59:59");
    EXPECT_EQ(FormatTime(3600), L"01:00:00");
    EXPECT_EQ(FormatTime(99 * 3600 + 59 * 60 + 59), L"99:59:59");
    EXPECT_EQ(FormatTime(100 * 3600), L"100:00:00");
    EXPECT_EQ(FormatTime(1000 * 3600 + 1), L"1000:00:01");
    EXPECT_EQ(FormatTime(-1), L"00:00:00") << "a negative position shows as the start";
    EXPECT_EQ(FormatTargetTime(90), L"To 00:01:30");
    EXPECT_EQ(FormatTargetTime(100 * 3600), L"To 100:00:00");
}

TEST(DocumentPath, AcceptsOnlyExistingKavFilesWhateverTheirCase)
{
    EXPECT_TRUE(HasDocumentExtension(L"C:\\a\\talk.KAV"));
    EXPECT_TRUE(HasDocumentExtension(L".kav"));
    EXPECT_FALSE(HasDocumentExtension(L"talk.kav2"));
    EXPECT_FALSE(HasDocumentExtension(L"kav"));
    EXPECT_FALSE(HasDocumentExtension(L""));

    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring file = std::wstring(folder) + L"kavora-path-test.Kav";
    std::ofstream(file.c_str()).put('x');
    EXPECT_TRUE(IsOpenableDocumentPath(file));
    DeleteFileW(file.c_str());
    EXPECT_FALSE(IsOpenableDocumentPath(file)) << "a file that is gone";
    EXPECT_FALSE(IsOpenableDocumentPath(std::wstring(folder) + L"x.kav"));
}

TEST(DocumentPath, HandOffReadsNoFurtherThanThePayload)
{
    const wchar_t text[] = L"C:\\doc.kavXYZ";
    COPYDATASTRUCT data{0, 10 * sizeof(wchar_t), const_cast<wchar_t*>(text)};
    EXPECT_EQ(PathFromCopyData(&data).value_or(L"?"), L"C:\\doc.kav") << "no NUL: stop at cbData";

    const wchar_t withNul[] = L"C:\\a.kav";
    data.cbData = sizeof(withNul);
    data.lpData = const_cast<wchar_t*>(withNul);
    EXPECT_EQ(PathFromCopyData(&data).value_or(L"?"), L"C:\\a.kav");

    data.cbData = 3;
    EXPECT_FALSE(PathFromCopyData(&data)) << "odd size";
    data.cbData = 0;
    EXPECT_FALSE(PathFromCopyData(&data)) << "empty";
    EXPECT_FALSE(PathFromCopyData(nullptr));
}

namespace {
std::map<UINT, RECT> PlacementsFor(int width, int height)
{
    std::map<UINT, RECT> placed;
    for (const ControlPlacement& p : LayoutControls(RECT{0, 0, width, height}, 100)) placed[p.id] = p.rect;
    return placed;
}

bool Overlap(const RECT& a, const RECT& b)
{
    RECT common;
    return IntersectRect(&common, &a, &b) != FALSE;
}
}

TEST(MainWindowSkin, PlacesTheControlsByTheirEdges)
{
    auto placed = PlacementsFor(400, 316);
    EXPECT_EQ(placed[IDC_SEEKBAR].left, 232);
    EXPECT_EQ(placed[IDC_SEEKBAR].right, 390) << "158 wide, ending 10 before the edge";
    EXPECT_EQ(placed[IDC_CLOSE].left, 384);
    EXPECT_EQ(placed[IDC_TOPMOST].left, 320);
    EXPECT_EQ(placed[IDC_PICTURE].top, 74);
    EXPECT_EQ(placed[IDC_PICTURE].bottom, 316);

    // At the smallest and at a large size every control stays inside and, but for the
    // indicator and the target label that take turns, none overlaps another.
    for (auto size : {SIZE{404, 351}, SIZE{1600, 1000}}) {
        placed = PlacementsFor(size.cx, size.cy);
        const RECT client{0, 0, size.cx, size.cy};
        for (auto& [id, rect] : placed) {
            RECT inside;
            IntersectRect(&inside, &rect, &client);
            EXPECT_TRUE(EqualRect(&inside, &rect)) << id;
            for (auto& [other, otherRect] : placed) {
                if (other <= id) continue;
                const bool takeTurns = (id == IDC_INDICATOR && other == IDC_TARGET_TIME) ||
                                       (id == IDC_TARGET_TIME && other == IDC_INDICATOR) ||
                                       (id == IDC_TITLE && (other == IDC_TARGET_TIME || other == IDC_INDICATOR)) ||
                                       // the mute button's last column lies under the volume slider's first
                                       (id == IDC_MUTE && other == IDC_VOLUME);
                if (!takeTurns) EXPECT_FALSE(Overlap(rect, otherRect)) << id << " and " << other;
            }
        }
    }
}

TEST(MainWindowSkin, SizeLimitsKeepTheMinimumAndTheScreenWidth)
{
    const RECT current{100, 100, 600, 600};
    RECT proposed{100, 100, 600, 400}; // bottom dragged up to 300 high
    ApplySizeLimits(WMSZ_BOTTOM, proposed, current, false, 1280, 100);
    EXPECT_EQ(proposed.bottom - proposed.top, 390);

    proposed = RECT{100, 100, 600, 400};
    ApplySizeLimits(WMSZ_BOTTOM, proposed, current, true, 1280, 100);
    EXPECT_EQ(proposed.bottom, 600) << "strip view keeps its height";

    proposed = RECT{-2000, 100, 600, 600};
    ApplySizeLimits(WMSZ_LEFT, proposed, current, false, 1280, 100);
    EXPECT_EQ(proposed.right - proposed.left, 1280);
    EXPECT_EQ(proposed.right, 600) << "anchored at its right edge";

    proposed = RECT{100, 100, 300, 600};
    ApplySizeLimits(WMSZ_RIGHT, proposed, current, false, 1280, 100);
    EXPECT_EQ(proposed.right - proposed.left, 420);

    proposed = RECT{500, 500, 600, 600};
    ApplySizeLimits(WMSZ_TOPLEFT, proposed, current, false, 1280, 100);
    EXPECT_EQ(proposed.right - proposed.left, 420);
    EXPECT_EQ(proposed.bottom - proposed.top, 390);
}

// A button, its menu item and its key raise one command; the transport keys act only without
// modifiers, and toggles do not repeat while their key is held.
TEST(PlayerCommands, ButtonsMenuItemsAndKeysMeetInOneCommand)
{
    const struct {
        UINT button;
        UINT menuItem;
    } pairs[] = {{IDC_PLAY, ID_MENU_PLAY},           {IDC_PAUSE, ID_MENU_PAUSE},
                 {IDC_SKIP_BACK, ID_MENU_SKIP_BACK}, {IDC_SKIP_FORWARD, ID_MENU_SKIP_FORWARD},
                 {IDC_NEXT_PICTURE, ID_MENU_NEXT_PICTURE}, {IDC_PREV_PICTURE, ID_MENU_PREV_PICTURE},
                 {IDC_TOPMOST, ID_MENU_TOPMOST},     {IDC_MUTE, ID_MENU_MUTE},
                 {IDC_COMPACT, ID_MENU_COMPACT}};
    for (const auto& pair : pairs) EXPECT_EQ(CommandForButton(pair.button), CommandForMenuItem(pair.menuItem)) << pair.button;
    EXPECT_EQ(CommandForButton(IDC_INDICATOR), PlayerCommand::None) << "the indicator is never a command";
    EXPECT_EQ(CommandForKey(VK_LEFT, {}), CommandForButton(IDC_SKIP_BACK));
    EXPECT_EQ(CommandForAppCommand(APPCOMMAND_MEDIA_NEXTTRACK), CommandForButton(IDC_NEXT_PICTURE));
    EXPECT_EQ(CommandForKey('O', KeyModifiers{true, false, false}), CommandForMenuItem(ID_MENU_OPEN));

    EXPECT_EQ(CommandForKey(VK_LEFT, KeyModifiers{false, true, false}), PlayerCommand::None) << "Shift+Left";
    EXPECT_EQ(CommandForKey('O', KeyModifiers{true, false, true}), PlayerCommand::None) << "AltGr+O";
    for (UINT key : {UINT{VK_TAB}, UINT{VK_RETURN}, UINT{VK_ESCAPE}}) EXPECT_EQ(CommandForKey(key, {}), PlayerCommand::None);
    EXPECT_TRUE(RepeatsWhileHeld(CommandForKey(VK_RIGHT, {})));
    EXPECT_FALSE(RepeatsWhileHeld(CommandForKey(VK_SPACE, {})));
}

TEST(TimeDisplay, SpeaksPositionsInWords)
{
    EXPECT_EQ(FormatSpokenTime(0), L"0 seconds");
    EXPECT_EQ(FormatSpokenTime(1), L"1 second");
    EXPECT_EQ(FormatSpokenTime(59), L"59 seconds");
    EXPECT_EQ(FormatSpokenTime(60), L"1 minute");
    EXPECT_EQ(FormatSpokenTime(130), L"2 minutes 10 seconds");
    EXPECT_EQ(FormatSpokenTime(3600), L"1 hour");
    EXPECT_EQ(FormatSpokenTime(3661), L"1 hour 1 minute 1 second");
    EXPECT_EQ(FormatSpokenTime(7205), L"2 hours 5 seconds");
    EXPECT_EQ(FormatSpokenTime(-4), L"0 seconds");
    EXPECT_EQ(FormatSpokenPosition(130, 300), L"2 minutes 10 seconds of 5 minutes");
}

TEST(MainWindowSkin, LargerScalesLayTheWindowOutAsAtOneHundredPercent)
{
    // At 200 percent every control stands exactly where it stands at 100, twice as far.
    std::map<UINT, RECT> single;
    for (const ControlPlacement& p : LayoutControls(RECT{0, 0, 500, 400}, 100)) single[p.id] = p.rect;
    for (const ControlPlacement& p : LayoutControls(RECT{0, 0, 1000, 800}, 200)) {
        const RECT& r = single[p.id];
        const RECT doubled{2 * r.left, 2 * r.top, 2 * r.right, 2 * r.bottom};
        EXPECT_TRUE(EqualRect(&p.rect, &doubled)) << p.id;
    }
    // At 150 percent lengths are rounded to the nearest pixel; the seek bar still ends where
    // the header's right strip begins, and the picture view starts under the header.
    std::map<UINT, RECT> placed;
    for (const ControlPlacement& p : LayoutControls(RECT{0, 0, 630, 548}, 150)) placed[p.id] = p.rect;
    EXPECT_EQ(placed[IDC_SEEKBAR].left, 348);
    EXPECT_EQ(placed[IDC_SEEKBAR].right, 630 - 15);
    EXPECT_EQ(placed[IDC_SEEKBAR].bottom - placed[IDC_SEEKBAR].top, 51);
    EXPECT_EQ(placed[IDC_PICTURE].top, 111);
    EXPECT_EQ(placed[IDC_PAUSE].right - placed[IDC_PAUSE].left, 41) << "27 × 1.5 = 40.5, as the artwork rounds it";
    EXPECT_EQ(placed[IDC_CLOSE].left, 630 - 24);

    RECT proposed{100, 100, 400, 300};
    ApplySizeLimits(WMSZ_BOTTOMRIGHT, proposed, RECT{100, 100, 800, 800}, false, 1920, 150);
    EXPECT_EQ(proposed.right - proposed.left, 630);
    EXPECT_EQ(proposed.bottom - proposed.top, 585);
}
