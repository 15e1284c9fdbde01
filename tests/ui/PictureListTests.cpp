// The picture list window on the virtual display: it opens at once over a long document and
// makes thumbnails only for the entries it shows, fills them in as they come, reports the entry
// the user chooses to its owner, closes on Escape and opens again. It leaves a picture of
// itself in ui_picture_list.bmp beside the tests.
#include "UiTestSupport.h"
#include "framework/Resources.h"
#include "base/ComScope.h"
#include "ui/PictureList.h"
#include <gtest/gtest.h>

namespace {
std::wstring TestFolder()
{
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring folder(exe);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

// The player window's stand-in: a top-level window that records the entries chosen in its list.
class ListOwner : public CWnd {
public:
    explicit ListOwner(const RECT& rect) { CreateEx(0, L"owner", WS_POPUP | WS_VISIBLE, rect, nullptr, 0); }
    ~ListOwner() override { DestroyWindow(); }
    std::vector<WPARAM> chosen;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == kPictureChosenMessage) {
            chosen.push_back(wParam);
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

// A period every 30 seconds; every fourth has no picture. The first periods show the test
// pictures, the later ones name a file of their own, so each is decoded only when it is asked for.
std::vector<PictureEntry> Periods(int count)
{
    const wchar_t* shown[] = {L"scene.jpg", L"quad.png", L"tall.png", L"wide3x2.png", L"quad.jpg", L"broken.jpg"};
    std::vector<PictureEntry> periods;
    for (int i = 0; i < count; ++i) {
        std::wstring path;
        if (i % 4 != 3)
            path = TestFolder() + L"ui_pictures\\" +
                   (i < 24 ? std::wstring(shown[i % std::size(shown)]) : L"period-" + std::to_wstring(i) + L".jpg");
        periods.push_back(PictureEntry{i * 30000, path});
    }
    return periods;
}

std::wstring ItemText(HWND list, int item)
{
    wchar_t text[128] = {};
    ListView_GetItemText(list, item, 0, text, static_cast<int>(std::size(text)));
    return text;
}

}

TEST(PictureList, OpensAtOnceAndMakesThumbnailsForTheEntriesItShows)
{
    COleScope ole;
    ScopedResourceModule zel(L"ZEL.dll");
    ListOwner owner(RECT{20, 40, 420, 520});
    CPictureList list;
    ASSERT_TRUE(list.Show(owner, Periods(500), 0));
    EXPECT_FALSE(list.HasThumbnail(0)) << "thumbnails are not made while the list opens";

    ASSERT_TRUE(WaitFor([&] { return list.HasThumbnail(0) && list.HasThumbnail(1) && list.HasThumbnail(5); }, 5000))
        << "the entries in view fill in";
    Pump(300);
    int made = 0;
    for (size_t i = 0; i < 500; ++i) made += list.HasThumbnail(i);
    EXPECT_LT(made, 60) << "only the entries in view and near it are decoded";
    EXPECT_FALSE(list.HasThumbnail(3)) << "a period without a picture";
    EXPECT_FALSE(list.HasThumbnail(498));

    EXPECT_EQ(ItemText(list.List(), 0), L"1 of 500, 0:00");
    EXPECT_EQ(ItemText(list.List(), 3), L"4 of 500, 1:30, no picture");
    EXPECT_EQ(ItemText(list.List(), 121), L"122 of 500, 1:00:30");

    const RECT ownerRect = owner.GetWindowRect();
    const RECT listRect = list.GetWindowRect();
    EXPECT_EQ(listRect.left, ownerRect.right) << "beside its owner where the screen has room";
    EXPECT_EQ(listRect.top, ownerRect.top);
    Redraw(list);
    EXPECT_TRUE(Snapshot(list).Save(TestFolder() + L"ui_picture_list.bmp"));

    ListView_EnsureVisible(list.List(), 498, FALSE);
    EXPECT_TRUE(WaitFor([&] { return list.HasThumbnail(498); }, 5000)) << "scrolled into view, it fills in";
}

TEST(PictureList, ReportsTheChosenEntryClosesOnEscapeAndOpensAgain)
{
    COleScope ole;
    ScopedResourceModule zel(L"ZEL.dll");
    ListOwner owner(RECT{20, 40, 420, 520});
    CPictureList list;
    ASSERT_TRUE(list.Show(owner, Periods(8), 0));
    Pump(100);
    const HWND view = list.List();
    PostMessageW(view, WM_KEYDOWN, VK_RIGHT, 0);
    PostMessageW(view, WM_KEYDOWN, VK_RETURN, 0);
    Pump(100);
    EXPECT_EQ(owner.chosen, std::vector<WPARAM>{1}) << "Right, then Enter";

    owner.chosen.clear();
    RECT item{};
    ListView_GetItemRect(view, 4, &item, LVIR_ICON);
    Click(view, POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2});
    Pump(100);
    EXPECT_EQ(owner.chosen, std::vector<WPARAM>{4}) << "a click";

    PostMessageW(view, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitFor([&] { return !list.IsOpen(); }, 3000)) << "Escape closes it";

    // Opened again beside an owner as wide as the screen, it goes over the owner's right side.
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    owner.MoveWindow(0, 40, screenWidth, 480);
    ASSERT_TRUE(list.Show(owner, Periods(3), 2));
    const RECT listRect = list.GetWindowRect();
    EXPECT_EQ(listRect.right, screenWidth);
    EXPECT_GT(listRect.left, 0);
    EXPECT_EQ(ListView_GetItemCount(list.List()), 3);
    EXPECT_EQ(ListView_GetNextItem(list.List(), -1, LVNI_SELECTED), 2) << "the current period is selected";
    list.SetCurrent(0);
    EXPECT_EQ(ListView_GetNextItem(list.List(), -1, LVNI_SELECTED), 0);
}
