// The skin slider and the seek bar: value mappings, thumb placement, the press / drag / release
// notifications, SetPos, and the painted faces (track, thumb, scale, picture marks).
#include "UiTestSupport.h"
#include "TestSkinIds.h"
#include "ui/SeekBar.h"
#include "ui/SkinSlider.h"
#include <gtest/gtest.h>

namespace {
const COLORREF kThumb = RGB(0, 0, 255);
const COLORREF kThumbDisabled = RGB(255, 255, 0);
const COLORREF kTrackLeft = RGB(0, 255, 0);
const COLORREF kTrackRight = RGB(0, 100, 0);
const UINT kVolumeId = 10001;
const UINT kSeekId = 10000;

// A volume-sized slider: client width 36, thumb width 8, so the track length is 28.
class SkinSliderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(skin.IsLoaded());
        ASSERT_TRUE(slider.CreateEx(0, L"", WS_CHILD, RECT{}, parent, kVolumeId));
        slider.SetBitmaps(IDB_TEST_THUMB, IDB_TEST_THUMB_DISABLED, IDB_TEST_THUMB_MASK, IDB_TEST_TRACK);
        slider.ShowWindow(SW_SHOW);
        slider.SetRange(0, 100);
        slider.MoveWindow(20, 20, 36, 17);
        Redraw(parent);
    }

    LPARAM At(int x) const { return MAKELPARAM(x, 8); }
    // The values of the notifications posted so far, as "message:value" pairs.
    std::vector<std::pair<UINT, int>> Posted()
    {
        Pump();
        std::vector<std::pair<UINT, int>> posted;
        for (const Notification& note : parent.notes) {
            EXPECT_EQ(note.lParam, static_cast<LPARAM>(kVolumeId));
            posted.emplace_back(note.message, static_cast<int>(note.wParam));
        }
        parent.notes.clear();
        return posted;
    }

    ScopedResourceModule skin{L"ui_test_skin.dll"};
    TestParent parent{300, 300, 200, 100};
    CSkinSlider slider;
};

using Posts = std::vector<std::pair<UINT, int>>;
}

TEST_F(SkinSliderTest, MapsValuesAndPixelsOverTheTrackLength)
{
    EXPECT_EQ(slider.ValueToPixel(0), 0);
    EXPECT_EQ(slider.ValueToPixel(50), 14);
    EXPECT_EQ(slider.ValueToPixel(100), 28);
    EXPECT_EQ(slider.ValueToPixel(33), 9);  // 33 × 0.28 = 9.24
    EXPECT_EQ(slider.ValueToPixel(150), 28) << "values above the range stand at the end";
    EXPECT_EQ(slider.PixelToValue(0), 0);
    EXPECT_EQ(slider.PixelToValue(14), 50);
    EXPECT_EQ(slider.PixelToValue(16), 57); // 100 / (28 / 16) = 57.1
    EXPECT_EQ(slider.PixelToValue(28), 100);
    EXPECT_EQ(slider.PixelToValue(40), 100);

    slider.SetRange(0, 0);
    EXPECT_EQ(slider.ValueToPixel(5), 0);
    EXPECT_EQ(slider.PixelToValue(14), 0);

    CSkinSlider bare; // no thumb bitmap: the track is the full width
    ASSERT_TRUE(bare.CreateEx(0, L"", WS_CHILD, RECT{0, 0, 36, 17}, parent, 77));
    EXPECT_EQ(bare.ValueToPixel(100), 36);
    EXPECT_EQ(bare.ValueToPixel(50), 18);
}

TEST_F(SkinSliderTest, PressPlacesTheThumbUnderTheCursorsMiddleAndPostsItsValue)
{
    slider.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(20));
    EXPECT_EQ(Posted(), (Posts{{WM_USER + 1, 57}}));
    EXPECT_EQ(slider.GetPos(), 57);
    EXPECT_EQ(GetCapture(), slider.GetSafeHwnd());
    slider.SendMessage(WM_LBUTTONUP, 0, At(20));
    EXPECT_EQ(Posted(), (Posts{{WM_USER + 2, 57}}));
    EXPECT_EQ(GetCapture(), nullptr);

    // Thumb at 16: its opaque left half is drawn, its black right half lets the track through;
    // the track is stretched from 18 to 36 pixels, so its halves meet at 18.
    Redraw(slider);
    const Snapshot face(slider);
    EXPECT_TRUE(Near(face.At(15, 8), kTrackLeft)) << ColourText(face.At(15, 8));
    EXPECT_TRUE(Near(face.At(16, 8), kThumb)) << ColourText(face.At(16, 8));
    EXPECT_TRUE(Near(face.At(19, 16), kThumb));
    EXPECT_TRUE(Near(face.At(21, 8), kTrackRight)) << "transparent half of the thumb";
    EXPECT_TRUE(Near(face.At(35, 0), kTrackRight));

    slider.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(2));
    slider.SendMessage(WM_LBUTTONUP, 0, At(4));
    EXPECT_EQ(Posted(), (Posts{{WM_USER + 1, 0}, {WM_USER + 2, 0}})) << "within half a thumb of the left end";
    slider.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(32));
    slider.SendMessage(WM_LBUTTONUP, 0, At(33));
    EXPECT_EQ(Posted(), (Posts{{WM_USER + 1, 100}, {WM_USER + 2, 100}})) << "within half a thumb of the right end";

    // The second press of a double click is a press too.
    slider.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, At(20));
    slider.SendMessage(WM_LBUTTONUP, 0, At(20));
    EXPECT_EQ(Posted(), (Posts{{WM_USER + 1, 57}, {WM_USER + 2, 57}}));
}

TEST_F(SkinSliderTest, MouseDragPostsPressMonotoneDragsAndReleaseClampedAtTheEnds)
{
    MoveMouse(slider, POINT{6, 8});
    MouseButton(true);
    for (int x = 6; x <= 48; x += 3) MoveMouse(slider, POINT{x, 8}); // runs past the right end
    MouseButton(false);
    const Posts posts = Posted();
    ASSERT_GE(posts.size(), 4u);
    EXPECT_EQ(posts.front(), (std::pair<UINT, int>{WM_USER + 1, 7})); // thumb 2: 100 / (28 / 2)
    int last = posts.front().second;
    for (size_t i = 1; i + 1 < posts.size(); ++i) {
        EXPECT_EQ(posts[i].first, static_cast<UINT>(WM_USER + 3));
        EXPECT_GE(posts[i].second, last) << "drag values only grow on a rightward drag";
        last = posts[i].second;
    }
    EXPECT_EQ(last, 100);
    EXPECT_EQ(posts.back(), (std::pair<UINT, int>{WM_USER + 2, 100}));

    // Back to the left, past the left end: the capture keeps the moves coming.
    MoveMouse(slider, POINT{34, 8});
    MouseButton(true);
    for (int x = 30; x >= -20; x -= 4) MoveMouse(slider, POINT{x, 8});
    MouseButton(false);
    const Posts back = Posted();
    ASSERT_GE(back.size(), 3u);
    for (size_t i = 2; i < back.size(); ++i) EXPECT_LE(back[i].second, back[i - 1].second);
    EXPECT_EQ(back.back(), (std::pair<UINT, int>{WM_USER + 2, 0}));
    EXPECT_EQ(slider.GetPos(), 0);
}

TEST_F(SkinSliderTest, OnlyAPlainLeftButtonDragMoves)
{
    slider.SendMessage(WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, At(20));
    slider.SendMessage(WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, At(20));
    slider.SendMessage(WM_MOUSEMOVE, 0, At(20));
    EXPECT_TRUE(Posted().empty());
    EXPECT_EQ(slider.GetPos(), 0);
    slider.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, At(20));
    EXPECT_EQ(Posted(), (Posts{{WM_USER + 3, 57}}));
}

TEST_F(SkinSliderTest, ReleaseOverTheSliderAfterAPressElsewhereEndsADrag)
{
    slider.SendMessage(WM_LBUTTONUP, 0, At(20));
    EXPECT_EQ(Posted(), (Posts{{WM_USER + 2, 57}}));
}

TEST_F(SkinSliderTest, EmptyRangeIgnoresTheMouse)
{
    slider.SetRange(0, 0);
    slider.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(20));
    EXPECT_EQ(GetCapture(), nullptr);
    slider.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, At(25));
    slider.SendMessage(WM_LBUTTONUP, 0, At(25));
    EXPECT_TRUE(Posted().empty());
    EXPECT_EQ(slider.GetPos(), 0);
}

TEST_F(SkinSliderTest, SetPosClampsToTheRangeAndRepaintsOnlyOnChange)
{
    ValidateRect(slider, nullptr);
    slider.SetPos(150);
    EXPECT_EQ(slider.GetPos(), 100);
    EXPECT_TRUE(GetUpdateRect(slider, nullptr, FALSE)) << "150 differed from 0";
    Pump();
    EXPECT_TRUE(Near(Snapshot(slider).At(28, 8), kThumb));

    ValidateRect(slider, nullptr);
    slider.SetPos(100);
    EXPECT_FALSE(GetUpdateRect(slider, nullptr, FALSE)) << "the same value does not repaint";
    slider.SetPos(-5);
    EXPECT_EQ(slider.GetPos(), 0) << "values below the range hold at 0";
}

TEST_F(SkinSliderTest, WhileDraggedSetPosChangesTheValueButNotTheThumb)
{
    slider.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(20)); // thumb at 16
    slider.SetPos(0);
    EXPECT_EQ(slider.GetPos(), 0);
    Redraw(slider);
    EXPECT_TRUE(Near(Snapshot(slider).At(16, 8), kThumb)) << "the thumb stays under the mouse";
    EXPECT_FALSE(Near(Snapshot(slider).At(0, 8), kThumb));
    slider.SendMessage(WM_LBUTTONUP, 0, At(20));
    slider.SetPos(0);
    Redraw(slider);
    EXPECT_TRUE(Near(Snapshot(slider).At(0, 8), kThumb)) << "after the release SetPos moves it";
}

TEST_F(SkinSliderTest, LosingTheCaptureMidDragEndsTheDrag)
{
    slider.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(20));
    EXPECT_EQ(Posted(), (Posts{{WM_USER + 1, 57}}));
    SetCapture(parent);
    EXPECT_EQ(Posted(), (Posts{{WM_USER + 2, 57}}));
    ReleaseCapture();
    slider.SetPos(10);
    Redraw(slider);
    EXPECT_TRUE(Near(Snapshot(slider).At(2, 8), kThumb)) << "no longer dragging: SetPos moves the thumb";
}

TEST_F(SkinSliderTest, DisabledSliderShowsTheDisabledThumb)
{
    slider.EnableWindow(FALSE);
    Redraw(slider);
    EXPECT_TRUE(Near(Snapshot(slider).At(1, 8), kThumbDisabled));
}

TEST_F(SkinSliderTest, PaintingLeavesNoGdiObjectsBehind)
{
    const int before = GdiObjectCount();
    if (before < 0) GTEST_SKIP() << "the platform does not report GDI objects";
    for (int i = 0; i < 300; ++i) {
        slider.SetPos(i % 100);
        RedrawWindow(slider, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
    EXPECT_EQ(GdiObjectCount(), before);
}

namespace {
const COLORREF kBackground = RGB(180, 179, 179);
const COLORREF kTrack = RGB(144, 144, 144);
const COLORREF kMajor = RGB(255, 0, 0);
const COLORREF kMinor = RGB(0, 128, 0);
const COLORREF kMark = RGB(255, 0, 255);

class SeekBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(skin.IsLoaded());
        ASSERT_TRUE(seek.CreateEx(0, L"", WS_CHILD, RECT{}, parent, kSeekId));
        seek.SetBitmaps(IDB_TEST_SEEK_THUMB, IDB_TEST_SEEK_DISABLED, IDB_TEST_SEEK_THUMB_MASK, IDB_TEST_SEEK_TRACK);
        seek.SetScaleBitmaps(IDB_TEST_MAJOR_TICK, IDB_TEST_MINOR_TICK);
        seek.SetMarkBitmaps(IDB_TEST_MARK, IDB_TEST_MARK_MASK);
        seek.ShowWindow(SW_SHOW);
        Resize(200);
    }

    void Resize(int width)
    {
        seek.MoveWindow(10, 10, width, 34);
        Redraw(parent);
    }

    // Columns of row y whose pixel has `colour`.
    std::vector<int> ColumnsOf(COLORREF colour, int y) const
    {
        const Snapshot face(seek);
        std::vector<int> columns;
        for (int x = 0; x < face.Width(); ++x)
            if (Near(face.At(x, y), colour)) columns.push_back(x);
        return columns;
    }

    ScopedResourceModule skin{L"ui_test_skin.dll"};
    TestParent parent{300, 300, 260, 60};
    CSeekBar seek;
};
}

TEST_F(SeekBarTest, FaceHasBackgroundTrackAndScale)
{
    const Snapshot face(seek);
    EXPECT_TRUE(Near(face.At(50, 1), kBackground)) << ColourText(face.At(50, 1));
    EXPECT_TRUE(Near(face.At(50, 8), kTrack)) << "track from y = 8";
    EXPECT_TRUE(Near(face.At(199, 25), kTrack)) << "stretched over the width, 18 high";
    EXPECT_TRUE(Near(face.At(50, 33), kBackground));
    // Major ticks (2 × 8) at 0, (200 − 2) / 2 and 200 − 2 from y = 26; minor ticks (1 × 5) at
    // every other tenth, centred on the major band (y = 27 to 31).
    EXPECT_EQ(ColumnsOf(kMajor, 26), (std::vector<int>{0, 1, 99, 100, 198, 199}));
    EXPECT_EQ(ColumnsOf(kMajor, 33), (std::vector<int>{0, 1, 99, 100, 198, 199}));
    EXPECT_EQ(ColumnsOf(kMinor, 27), (std::vector<int>{20, 40, 60, 80, 120, 140, 160, 180}));
    EXPECT_EQ(ColumnsOf(kMinor, 31), (std::vector<int>{20, 40, 60, 80, 120, 140, 160, 180}));
    EXPECT_TRUE(ColumnsOf(kMinor, 26).empty());
    EXPECT_TRUE(ColumnsOf(kMinor, 32).empty());
    // The thumb at value 0, over the track.
    EXPECT_TRUE(Near(face.At(0, 8), kThumb));
    EXPECT_TRUE(Near(face.At(8, 25), kThumb));
    EXPECT_TRUE(Near(face.At(9, 8), kTrack));

    // At 205 the tenth is still 20: the minor ticks stay, the middle and end ticks move.
    Resize(205);
    EXPECT_EQ(ColumnsOf(kMajor, 30), (std::vector<int>{0, 1, 101, 102, 203, 204}));
    EXPECT_EQ(ColumnsOf(kMinor, 29), (std::vector<int>{20, 40, 60, 80, 120, 140, 160, 180}));
}

TEST_F(SeekBarTest, MarksStandWhereTheThumbWouldAtTheirSecond)
{
    // Width 200, thumb 9: track length 191. A mark is 12 wide, opaque in its columns 4 to 7.
    seek.SetRange(0, 3600);
    seek.SetMarks({0, 900, 1800, 3599, 5000});
    Pump(); // SetMarks repaints by itself
    // 900 s: 900 × 191 / 3600 = 47.75 → 47; 1800 s → 95; 3599 s → 190, pulled left to 188 so
    // the mark ends at the right edge; 5000 s is beyond the range and stands at the end.
    EXPECT_EQ(ColumnsOf(kMark, 4),
              (std::vector<int>{4, 5, 6, 7, 51, 52, 53, 54, 99, 100, 101, 102, 192, 193, 194, 195}));
    EXPECT_TRUE(Near(Snapshot(seek).At(0, 4), kBackground)) << "the mark's transparent columns";
    EXPECT_TRUE(Near(Snapshot(seek).At(50, 12), kTrack));
    EXPECT_TRUE(Near(Snapshot(seek).At(52, 12), kMark)) << "marks are drawn over the track";
    EXPECT_TRUE(Near(Snapshot(seek).At(5, 12), kThumb)) << "and under the thumb";

    // The thumb at a mark's second lines up with the mark.
    seek.SetPos(1800);
    Pump();
    EXPECT_EQ(ColumnsOf(kThumb, 12), (std::vector<int>{95, 96, 97, 98, 99, 100, 101, 102, 103}));

    seek.SetMarks({});
    Pump();
    EXPECT_TRUE(ColumnsOf(kMark, 4).empty()) << "no marks, none drawn";
}

TEST_F(SeekBarTest, AResizeRepaintsTheWholeBar)
{
    // Marks, ticks and thumb all stand at fractions of the width, so a wider bar must not keep
    // the narrower bar's pixels in the part both share. Only the bar is moved here, as a parent
    // laying out its children does, without a repaint of the parent.
    seek.SetRange(0, 3600);
    seek.SetMarks({1800});
    seek.SetPos(1800);
    Pump();
    EXPECT_EQ(ColumnsOf(kMark, 4), (std::vector<int>{99, 100, 101, 102}));
    seek.MoveWindow(10, 10, 240, 34);
    Pump();
    // Track length 231: 1800 s → 115, the mark opaque in 119 to 122, the middle tick at 119.
    EXPECT_EQ(ColumnsOf(kMark, 4), (std::vector<int>{119, 120, 121, 122}));
    EXPECT_EQ(ColumnsOf(kMajor, 33), (std::vector<int>{0, 1, 119, 120, 238, 239}));
    EXPECT_EQ(ColumnsOf(kThumb, 12), (std::vector<int>{115, 116, 117, 118, 119, 120, 121, 122, 123}));
}

TEST_F(SeekBarTest, DragPostsWithTheSeekBarsIdAndDisabledBarShowsTheDisabledThumb)
{
    seek.SetRange(0, 191);
    seek.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(104, 12)); // thumb at 100
    seek.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(104, 12));
    Pump();
    ASSERT_EQ(parent.notes.size(), 2u);
    EXPECT_EQ(parent.notes[0].message, static_cast<UINT>(WM_USER + 1));
    EXPECT_EQ(parent.notes[0].wParam, 100u);
    EXPECT_EQ(parent.notes[0].lParam, static_cast<LPARAM>(kSeekId));
    EXPECT_EQ(parent.notes[1].message, static_cast<UINT>(WM_USER + 2));
    Redraw(seek);
    EXPECT_TRUE(Near(Snapshot(seek).At(100, 8), kThumb)) << "the thumb is drawn 8 pixels down";

    seek.EnableWindow(FALSE);
    Redraw(seek);
    EXPECT_TRUE(Near(Snapshot(seek).At(100, 8), kThumbDisabled));
}

TEST_F(SeekBarTest, PaintingLeavesNoGdiObjectsBehind)
{
    seek.SetRange(0, 600);
    seek.SetMarks({0, 60, 120, 300, 590});
    Pump();
    const int before = GdiObjectCount();
    if (before < 0) GTEST_SKIP() << "the platform does not report GDI objects";
    for (int i = 0; i < 300; ++i) {
        seek.SetPos(i * 2);
        RedrawWindow(seek, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
    EXPECT_EQ(GdiObjectCount(), before);
}
