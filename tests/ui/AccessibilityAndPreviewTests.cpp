// What the skinned controls tell screen readers (name, role, value, state, default action, and
// nothing once the control is gone), and the seek bar's preview and its snapping to the marks.
#include "TestSkinIds.h"
#include "UiTestSupport.h"
#include "base/ComPtr.h"
#include "base/ComScope.h"
#include "ui/SeekBar.h"
#include "ui/SkinButton.h"
#include "ui/SkinSlider.h"
#include <gtest/gtest.h>
#include <chrono>
#include <ole2.h>
#include <oleacc.h>

namespace {
const UINT kButtonId = 1011;
const UINT kSeekId = 10000;

VARIANT Self()
{
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return self;
}

ComPtr<IAccessible> AccessibleOf(HWND hwnd)
{
    ComPtr<IAccessible> object;
    AccessibleObjectFromWindow(hwnd, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&object));
    return object;
}

std::wstring Text(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*), IAccessible* object)
{
    BSTR text = nullptr;
    if (FAILED((object->*get)(Self(), &text)) || !text) return L"<none>";
    std::wstring copy(text, SysStringLen(text));
    SysFreeString(text);
    return copy;
}

LONG Number(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*), IAccessible* object)
{
    VARIANT value{};
    if (FAILED((object->*get)(Self(), &value)) || value.vt != VT_I4) return -1;
    return value.lVal;
}
}

TEST(ControlAccessibility, ButtonIsAPushButtonNamedByItsToolTip)
{
    COleScope ole;
    ScopedResourceModule skin(L"ui_test_skin.dll");
    TestParent parent(300, 300, 200, 100);
    CSkinButton button;
    ASSERT_TRUE(button.SubclassWindow(parent.AddStatic(kButtonId, 10, 10, 24, 16)));
    button.SetBitmaps(IDB_TEST_BUTTON_NORMAL, IDB_TEST_BUTTON_MASK, 0, 0, 0, 0, 0, 0, 0, 0);
    button.SetToolTip(parent, L"Always on top");

    ComPtr<IAccessible> object = AccessibleOf(button);
    ASSERT_TRUE(object);
    EXPECT_EQ(Text(&IAccessible::get_accName, object.Get()), L"Always on top");
    EXPECT_EQ(button.GetWindowText(), L"Always on top") << "the window text names it for other tools";
    EXPECT_EQ(Number(&IAccessible::get_accRole, object.Get()), ROLE_SYSTEM_PUSHBUTTON);
    EXPECT_EQ(Text(&IAccessible::get_accDefaultAction, object.Get()), L"Press");
    EXPECT_EQ(Text(&IAccessible::get_accValue, object.Get()), L"<none>") << "a button has no value";
    EXPECT_FALSE(Number(&IAccessible::get_accState, object.Get()) & STATE_SYSTEM_FOCUSABLE) << "no tab stop yet";

    // A toggle says it is on only when its owner marked the check flag as its state.
    button.SetCheck(true);
    EXPECT_FALSE(Number(&IAccessible::get_accState, object.Get()) & STATE_SYSTEM_PRESSED);
    button.SetCheckable(true);
    EXPECT_TRUE(Number(&IAccessible::get_accState, object.Get()) & STATE_SYSTEM_PRESSED);
    button.SetCheck(false);
    EXPECT_FALSE(Number(&IAccessible::get_accState, object.Get()) & STATE_SYSTEM_PRESSED);

    SetWindowLongPtrW(button, GWL_STYLE, GetWindowLongPtrW(button, GWL_STYLE) | WS_TABSTOP);
    SetFocus(button);
    const LONG state = Number(&IAccessible::get_accState, object.Get());
    EXPECT_TRUE(state & STATE_SYSTEM_FOCUSABLE);
    EXPECT_TRUE(state & STATE_SYSTEM_FOCUSED);

    // The default action is a click, reported as the mouse's click is.
    parent.notes.clear();
    EXPECT_EQ(object->accDoDefaultAction(Self()), S_OK);
    Pump();
    ASSERT_EQ(parent.notes.size(), 1u);
    EXPECT_EQ(parent.notes[0].message, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(parent.notes[0].wParam, MAKEWPARAM(kButtonId, BN_CLICKED));

    button.UpdateToolTip(L"Pinned");
    EXPECT_EQ(Text(&IAccessible::get_accName, object.Get()), L"Pinned");
    button.EnableButton(false);
    EXPECT_TRUE(Number(&IAccessible::get_accState, object.Get()) & STATE_SYSTEM_UNAVAILABLE);
    EXPECT_EQ(Text(&IAccessible::get_accDefaultAction, object.Get()), L"<none>") << "a disabled button does nothing";
}

TEST(ControlAccessibility, SliderTellsItsValueInWordsAndNothingOnceGone)
{
    COleScope ole;
    ScopedResourceModule skin(L"ui_test_skin.dll");
    TestParent parent(300, 300, 200, 100);
    ComPtr<IAccessible> object;
    {
        CSkinSlider slider;
        ASSERT_TRUE(slider.CreateEx(0, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, RECT{10, 10, 46, 27}, parent, 10001));
        slider.SetRange(0, 100);
        slider.SetPos(40);
        slider.SetAccessibleName(L"Volume");
        object = AccessibleOf(slider);
        ASSERT_TRUE(object);
        EXPECT_EQ(Text(&IAccessible::get_accName, object.Get()), L"Volume");
        EXPECT_EQ(Number(&IAccessible::get_accRole, object.Get()), ROLE_SYSTEM_SLIDER);
        EXPECT_EQ(Text(&IAccessible::get_accValue, object.Get()), L"40") << "the number without a value text";
        EXPECT_TRUE(Number(&IAccessible::get_accState, object.Get()) & STATE_SYSTEM_FOCUSABLE);

        slider.SetValueText([](int value, int range) { return std::to_wstring(value) + L" of " + std::to_wstring(range); });
        slider.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(35, 8));
        slider.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(35, 8));
        // No thumb bitmap: the track is the whole 36 pixels, so x = 35 gives 100 / (36 / 35).
        EXPECT_EQ(Text(&IAccessible::get_accValue, object.Get()), L"97 of 100") << "follows the mouse";
        slider.SetPos(7);
        EXPECT_EQ(Text(&IAccessible::get_accValue, object.Get()), L"7 of 100") << "and the owner";
        EXPECT_EQ(object->accDoDefaultAction(Self()), DISP_E_MEMBERNOTFOUND) << "a slider has no default action";
    }
    BSTR name = nullptr;
    EXPECT_EQ(object->get_accName(Self(), &name), RPC_E_DISCONNECTED);
    VARIANT state{};
    EXPECT_EQ(object->get_accState(Self(), &state), RPC_E_DISCONNECTED);
    LONG count = 0;
    EXPECT_EQ(object->get_accChildCount(&count), RPC_E_DISCONNECTED);
}

namespace {
// Pictures for the preview by second: a test picture (the yellow 3:2 one unless told) before
// second 1800, none after.
class FakeSource : public ISeekPreviewSource {
public:
    explicit FakeSource(const wchar_t* picture = L"wide3x2.png") : m_picture(picture) {}
    std::wstring PreviewPicture(int second) const override
    {
        if (second >= 1800) return std::wstring();
        wchar_t exe[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring path(exe);
        return path.substr(0, path.find_last_of(L'\\') + 1) + L"ui_pictures\\" + m_picture;
    }
    std::wstring PreviewCaption(int second) const override { return L"second " + std::to_wstring(second); }

private:
    const wchar_t* m_picture;
};

std::wstring TextOf(HWND hwnd)
{
    wchar_t text[64] = {};
    GetWindowTextW(hwnd, text, 64);
    return text;
}

// A seek bar 200 wide (thumb 9, track length 191) over an hour, with marks at 0, 900 and 1800 s.
class SeekPreviewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(skin.IsLoaded());
        ASSERT_TRUE(seek.CreateEx(0, L"", WS_CHILD | WS_VISIBLE, RECT{10, 10, 210, 44}, parent, kSeekId));
        seek.SetBitmaps(IDB_TEST_SEEK_THUMB, IDB_TEST_SEEK_DISABLED, IDB_TEST_SEEK_THUMB_MASK, IDB_TEST_SEEK_TRACK);
        seek.SetMarkBitmaps(IDB_TEST_MARK, IDB_TEST_MARK_MASK);
        seek.SetRange(0, 3600);
        seek.SetMarks({0, 900, 1800});
        Redraw(parent);
    }
    int PressedValue(int x)
    {
        parent.notes.clear();
        seek.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 12));
        seek.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(x, 12));
        Pump();
        return parent.notes.empty() ? -1 : static_cast<int>(parent.notes.back().wParam);
    }

    COleScope ole;
    ScopedResourceModule skin{L"ui_test_skin.dll"};
    TestParent parent{300, 300, 260, 60};
    CSeekBar seek;
    FakeSource source;
};
}

TEST_F(SeekPreviewTest, APressNearAMarkSnapsToItsSecond)
{
    // The mark of 1800 s stands where the thumb does at 1800 s (x = 95); the cursor holds the
    // thumb by its middle, 4 pixels in.
    EXPECT_EQ(PressedValue(99), 1800);
    EXPECT_EQ(PressedValue(102), 1800) << "3 pixels off";
    EXPECT_EQ(PressedValue(95), 1800) << "4 pixels off";
    EXPECT_EQ(PressedValue(106), 1922) << "7 pixels off: the plain mapping, 3600 / (191 / 102)";
    EXPECT_EQ(PressedValue(52), 900) << "the next mark";
    seek.SetMarks({});
    EXPECT_EQ(PressedValue(102), 1847) << "without marks nothing snaps";
    seek.SetMarks({5000});
    EXPECT_EQ(PressedValue(193), 3562) << "a mark beyond the range is out of reach: 3600 / (191 / 189)";
}

TEST_F(SeekPreviewTest, HoverShowsThePictureAndTimeAClickWouldSeekTo)
{
    HWND owner = GetAncestor(parent, GA_ROOT);
    MoveMouse(seek, POINT{60, 12});
    EXPECT_EQ(VisiblePopupOwnedBy(owner), nullptr) << "no preview without a source";

    seek.SetPreviewSource(&source, IDB_TEST_PICTURE_24);
    MoveMouse(seek, POINT{61, 12});
    Pump(100);
    HWND popup = VisiblePopupOwnedBy(owner);
    ASSERT_NE(popup, nullptr);
    // Thumb at 57: 3600 / (191 / 57) = 1074 s; the preview hangs under the bar.
    EXPECT_EQ(TextOf(popup), L"second 1074");
    RECT bar{}, box{};
    GetWindowRect(seek, &bar);
    GetWindowRect(popup, &box);
    EXPECT_GT(box.top, bar.bottom);
    EXPECT_NEAR((box.left + box.right) / 2, bar.left + 56 + 4, 1) << "centred on the thumb's middle at 1074 s";
    // The yellow 3:2 picture, fitted into the 160 x 120 thumbnail 4 pixels in: 160 x 107, centred.
    // It is decoded off the window's thread and shows when it is ready.
    WaitFor(
        [&] {
            Redraw(popup);
            return Near(Snapshot(popup).At(84, 64), RGB(255, 255, 0), 8);
        },
        10000);
    const Snapshot shown(popup);
    EXPECT_TRUE(Near(shown.At(84, 64), RGB(255, 255, 0), 8)) << ColourText(shown.At(84, 64));
    EXPECT_TRUE(Near(shown.At(84, 8), RGB(0, 0, 0), 8)) << "black above the fitted picture";

    // Near a mark the preview shows the mark's second, where a click would land.
    MoveMouse(seek, POINT{101, 12});
    EXPECT_EQ(TextOf(popup), L"second 1800");
    // Where no picture is, the no-picture bitmap (here the four quadrants) shows.
    MoveMouse(seek, POINT{180, 12});
    Redraw(popup);
    const Snapshot none(popup);
    EXPECT_TRUE(Near(none.At(30, 40), RGB(255, 0, 0), 8)) << ColourText(none.At(30, 40));

    // The leave arrives from the system's mouse tracking, which polls: give it time on a busy machine.
    MoveMouse(parent, POINT{250, 55});
    for (int waited = 0; waited < 2000 && IsWindowVisible(popup); waited += 50) Pump(50);
    EXPECT_FALSE(IsWindowVisible(popup)) << "leaving the bar hides the preview";

    MoveMouse(seek, POINT{61, 12});
    EXPECT_TRUE(IsWindowVisible(popup));
    seek.EnableWindow(FALSE);
    EXPECT_FALSE(IsWindowVisible(popup)) << "a disabled bar shows no preview";
}

TEST_F(SeekPreviewTest, ALargePictureDoesNotHoldTheWindowWhileItsThumbnailIsMade)
{
    const FakeSource huge(L"huge.jpg"); // 8000 × 6000, the four quadrants
    seek.SetPreviewSource(&huge, IDB_TEST_PICTURE_24);
    const auto start = std::chrono::steady_clock::now();
    MoveMouse(seek, POINT{61, 12});
    HWND popup = VisiblePopupOwnedBy(GetAncestor(parent, GA_ROOT));
    ASSERT_NE(popup, nullptr);
    Redraw(popup);
    const double took = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(took, 500.0) << "the hover, the popup and its paint wait for no decode";
    // The 4:3 picture fills the 160 x 120 thumbnail 4 pixels in: red in the top left quarter.
    EXPECT_TRUE(WaitFor(
        [&] {
            Redraw(popup);
            return Near(Snapshot(popup).At(40, 40), RGB(255, 0, 0), 24);
        },
        30000));
}
