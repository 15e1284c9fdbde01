// All four controls in the player window's own dialog template, skinned with the shipped
// ZEL.dll and laid out as the player lays them out. The test clicks a real button of the
// template and leaves a picture of the window in ui_showcase.bmp beside the tests.
#include "UiTestSupport.h"
#include "base/ComScope.h"
#include "framework/Gdi.h"
#include "framework/Resources.h"
#include "resources/ResourceIds.h"
#include "ui/ImageCtrl.h"
#include "ui/SeekBar.h"
#include "ui/SkinButton.h"
#include <gtest/gtest.h>
#include <array>

namespace {
std::vector<UINT> g_commands;

INT_PTR CALLBACK ShowcaseProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        g_commands.push_back(LOWORD(wParam));
        return TRUE;
    case WM_ERASEBKGND: {
        // The header skin, stretched across the top as the player window draws it.
        RECT client{};
        GetClientRect(hwnd, &client);
        const auto dc = reinterpret_cast<HDC>(wParam);
        const UniqueBitmap header = LoadResourceBitmap(IDB_HEADER);
        const SIZE size = BitmapSize(header.Get());
        const UniqueMemoryDC memory(CreateCompatibleDC(dc));
        const SelectGuard select(memory.Get(), header.Get());
        StretchBlt(dc, 0, 0, client.right, size.cy, memory.Get(), 0, 0, size.cx, size.cy, SRCCOPY);
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, TRUE);
        return TRUE;
    }
    }
    return FALSE;
}

struct ButtonSkin {
    UINT id;
    std::array<UINT, 10> bitmaps;
    int x, y; // from the left edge, or from the right edge when negative
};

const ButtonSkin kButtons[] = {
    {IDC_PAUSE, {207, 204, 205, 204, 206, 204, 205, 204, 207, 204}, 5, 46},
    {IDC_PLAY, {201, 203, 200, 203, 202, 203, 200, 203, 201, 203}, 32, 46},
    {IDC_SKIP_BACK, {211, 210, 208, 210, 209, 210, 208, 210, 211, 210}, 65, 49},
    {IDC_SKIP_FORWARD, {215, 212, 213, 212, 214, 212, 213, 212, 215, 212}, 88, 49},
    {IDC_PREV_PICTURE, {219, 223, 217, 223, 218, 223, 217, 223, 219, 223}, 112, 49},
    {IDC_NEXT_PICTURE, {222, 216, 220, 216, 221, 216, 220, 216, 222, 216}, 135, 49},
    {IDC_MUTE, {243, 237, 239, 237, 241, 237, 239, 237, 243, 237}, -72, 18},
    {IDC_CLOSE, {226, 231, 226, 231, 226, 231, 226, 231, 226, 231}, -16, 3},
    {IDC_MAXIMIZE, {259, 262, 259, 262, 259, 262, 259, 262, 259, 262}, -32, 3},
    {IDC_MINIMIZE, {257, 260, 257, 260, 257, 260, 257, 260, 257, 260}, -48, 3},
    {IDC_COMPACT, {227, 232, 227, 232, 227, 232, 227, 232, 227, 232}, -64, 3},
    {IDC_TOPMOST, {229, 230, 225, 230, 229, 230, 225, 230, 229, 230}, -80, 3},
};
}

TEST(Showcase, PlayerTemplateWithAllFourControls)
{
    COleScope ole;
    {
        ScopedResourceModule zel(L"ZEL.dll");
        ASSERT_TRUE(zel.IsLoaded());
        HWND dialog = CreateDialogParamW(ResourceModule(), MAKEINTRESOURCEW(IDD_PLAYER), nullptr, &ShowcaseProc, 0);
        ASSERT_NE(dialog, nullptr);
        MoveWindow(dialog, 0, 0, 420, 390, TRUE);
        RECT client{};
        GetClientRect(dialog, &client);
        const int width = client.right;
        const int height = client.bottom;

        CImageCtrl picture;
        ASSERT_TRUE(picture.SubclassDlgItem(IDC_PICTURE, dialog));
        picture.MoveWindow(0, 74, width, height - 74);
        CSkinButton buttons[std::size(kButtons)];
        for (size_t i = 0; i < std::size(kButtons); ++i) {
            const ButtonSkin& skin = kButtons[i];
            ASSERT_TRUE(buttons[i].SubclassDlgItem(skin.id, dialog));
            buttons[i].MoveWindow(skin.x >= 0 ? skin.x : width + skin.x, skin.y, 10, 10);
            const auto& b = skin.bitmaps;
            buttons[i].SetBitmaps(b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9]);
            const SIZE size = BitmapSize(LoadResourceBitmap(b[0]).Get());
            const RECT rect = buttons[i].GetClientRect();
            EXPECT_EQ(rect.right, size.cx) << skin.id;
            EXPECT_EQ(rect.bottom, size.cy) << skin.id;
        }
        CSkinButton indicator;
        ASSERT_TRUE(indicator.SubclassDlgItem(IDC_INDICATOR, dialog));
        indicator.SetBitmaps(IDB_INDICATOR_PLAYING, 249, IDB_INDICATOR_PLAYING, 249, IDB_INDICATOR_PLAYING, 249,
                             IDB_INDICATOR_PLAYING, 249, IDB_INDICATOR_PLAYING, 249);
        indicator.MoveWindow(10, 18, 16, 16);
        indicator.EnableButton(false);
        ShowWindow(GetDlgItem(dialog, IDC_TARGET_TIME), SW_HIDE);
        SetDlgItemTextW(dialog, IDC_TITLE, L"Showcase");
        SetDlgItemTextW(dialog, IDC_TIME, L"00:03:20");
        MoveWindow(GetDlgItem(dialog, IDC_TITLE), 5, 3, 200, 15, TRUE);
        MoveWindow(GetDlgItem(dialog, IDC_TIME), width - 142, 23, 60, 12, TRUE);

        CSkinSlider volume;
        ASSERT_TRUE(volume.CreateEx(0, L"", WS_CHILD, RECT{}, dialog, IDC_VOLUME));
        volume.SetBitmaps(IDB_VOLUME_THUMB, IDB_VOLUME_THUMB, 0, IDB_VOLUME_TRACK);
        volume.ShowWindow(SW_SHOW);
        volume.SetRange(0, 100);
        volume.SetPos(70);
        volume.MoveWindow(width - 46, 18, 36, 17);
        CSeekBar seek;
        ASSERT_TRUE(seek.CreateEx(0, L"", WS_CHILD, RECT{}, dialog, IDC_SEEKBAR));
        seek.SetBitmaps(IDB_SEEK_THUMB, IDB_SEEK_THUMB, IDB_SEEK_THUMB_MASK, IDB_SEEK_TRACK);
        seek.SetScaleBitmaps(IDB_SCALE_MAJOR, IDB_SCALE_MINOR);
        seek.SetMarkBitmaps(IDB_MARK, IDB_MARK_MASK);
        seek.ShowWindow(SW_SHOW);
        seek.MoveWindow(232, 40, width - 242, 34);
        seek.SetRange(0, 600);
        seek.SetMarks({0, 60, 150, 300, 420, 600});
        seek.SetPos(200);

        wchar_t exe[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring folder(exe);
        folder.resize(folder.find_last_of(L'\\') + 1);
        EXPECT_EQ(picture.LoadFromPath(folder + L"ui_pictures\\scene.jpg"), S_OK);

        ShowWindow(dialog, SW_SHOW);
        SetForegroundWindow(dialog);
        Redraw(dialog);

        // A real click on the template's play button reaches the dialog as its command.
        g_commands.clear();
        HWND play = GetDlgItem(dialog, IDC_PLAY);
        const RECT playRect = buttons[1].GetClientRect();
        Click(play, POINT{playRect.right / 2, playRect.bottom / 2});
        Pump(100);
        EXPECT_EQ(g_commands, (std::vector<UINT>{IDC_PLAY}));

        // Rest the mouse on skip forward to show its hover look in the picture.
        MoveMouse(GetDlgItem(dialog, IDC_SKIP_FORWARD), POINT{10, 8});
        Pump(100);
        EXPECT_TRUE(Snapshot(dialog).Save(folder + L"ui_showcase.bmp"));
        MoveMouse(nullptr, POINT{1000, 1000});
        DestroyWindow(dialog);
    }
}
