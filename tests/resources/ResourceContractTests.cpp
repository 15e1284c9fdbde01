// The shipped resource module ZEL.dll against everything the player relies on: a module with no
// code, its dialog templates and their controls, the icon, the strings, and every skin bitmap
// with the size of the control that shows it and masks that the controls can use.
#include "ModuleImage.h"
#include "resources/ResourceIds.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <map>
#include <set>

namespace {
std::wstring ModuleFolder()
{
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring folder(exe);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

// The module, loaded from beside the tests the way the player loads it from beside itself.
class ShippedModule : public testing::Test {
protected:
    static void SetUpTestSuite() { s_module = UniqueModule(LoadLibraryW((ModuleFolder() + L"ZEL.dll").c_str())); }
    static void TearDownTestSuite() { s_module.Reset(); }
    void SetUp() override
    {
        ASSERT_TRUE(s_module) << "ZEL.dll does not load from " << testing::PrintToString(ModuleFolder());
    }

    static HMODULE Module() { return s_module.Get(); }
    static Pixels Bitmap(UINT id)
    {
        std::optional<Pixels> pixels = ReadBitmap(Module(), id);
        return pixels ? *pixels : Pixels{};
    }
    static std::wstring String(UINT id)
    {
        const wchar_t* text = nullptr;
        const int length = LoadStringW(Module(), id, reinterpret_cast<LPWSTR>(&text), 0);
        return length > 0 && text ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
    }

private:
    static inline UniqueModule s_module;
};

// Window class names are compared without regard to case, as the system does.
bool IsClass(const DialogControl& control, const wchar_t* name)
{
    return _wcsicmp(control.className.c_str(), name) == 0;
}

bool IsBlack(COLORREF c) { return c == RGB(0, 0, 0); }
bool IsWhite(COLORREF c) { return c == RGB(255, 255, 255); }
bool SameSize(const Pixels& a, const Pixels& b) { return a.width == b.width && a.height == b.height; }
bool IsBlackAndWhite(const Pixels& p)
{
    return std::all_of(p.rgb.begin(), p.rgb.end(), [](COLORREF c) { return IsBlack(c) || IsWhite(c); });
}

// Every bitmap of a control drawn at a fixed size: the size the window's layout gives it.
struct ControlArt {
    const char* control;
    int width;
    int height;
    std::vector<UINT> bitmaps;
};
const ControlArt kFixedSizeArt[] = {
    {"play", 32, 24, {200, 201, 202, 203}},
    {"pause", 27, 24, {204, 205, 206, 207}},
    {"skip back", 23, 19, {208, 209, 210, 211}},
    {"skip forward", 23, 19, {212, 213, 214, 215}},
    {"next picture", 23, 19, {216, 220, 221, 222}},
    {"previous picture", 23, 19, {217, 218, 219, 223}},
    {"always on top", 14, 13, {224, 225, 229, 230}},
    {"close", 11, 11, {226, 231}},
    {"strip view", 13, 11, {227, 228, 232}},
    {"mute", 27, 17, {237, 238, 239, 240, 241, 242, 243}},
    {"transport indicator", 16, 16, {249, 250, 251, 252, 253}},
    {"minimise", 13, 11, {257, 260}},
    {"maximise / restore", 13, 11, {258, 259, 261, 262}},
};
// Bitmaps whose size depends on how the control draws them; checked one by one below.
const UINT kDrawnArt[] = {233, 235, 236, 244, 245, 246, 247, 248, 254, 255, 256};

// Hit-test masks of the skin buttons and the images drawn with them.
const std::map<UINT, std::vector<UINT>> kHitMasks = {
    {IDB_PLAY_MASK, {200, 201, 202}},      {IDB_PAUSE_MASK, {205, 206, 207}},
    {IDB_BACK_MASK, {208, 209, 211}},      {IDB_FORWARD_MASK, {213, 214, 215}},
    {IDB_NEXT_MASK, {220, 221, 222}},      {IDB_PREV_MASK, {217, 218, 219}},
    {IDB_TOPMOST_MASK, {224, 225, 229}},   {IDB_CLOSE_MASK, {226}},
    {IDB_COMPACT_MASK, {227, 228}},        {IDB_MUTE_MASK, {238, 239, 240, 241, 242, 243}},
    {IDB_MINIMIZE_MASK, {257}},            {IDB_RESTORE_MASK, {258}},
    {IDB_MAXIMIZE_MASK, {259, 258}}, // after a system restore the restore look keeps this mask
};

// Layout of the 34-pixel seek bar: marks drawn from y = 3, track and thumb from y = 8, scale
// from y = 26. At the smallest window (420 wide) the bar is 420 - 242 pixels wide.
constexpr int kSeekBarHeight = 34;
constexpr int kSeekBarMinimumWidth = 420 - 242;
constexpr int kMarkTop = 3;
constexpr int kTrackTop = 8;
constexpr int kScaleTop = 26;
// The volume slider is 36 x 17; its track is drawn at the top and nothing paints below it.
constexpr int kVolumeWidth = 36;
constexpr int kVolumeHeight = 17;
} // namespace

TEST(ResourceModuleFile, IsADllWithNoCodeToRun)
{
    const std::optional<PeFacts> facts = ReadPeFacts(ModuleFolder() + L"ZEL.dll");
    ASSERT_TRUE(facts) << "ZEL.dll is missing or not a PE image";
    EXPECT_TRUE(facts->isDll);
    EXPECT_EQ(facts->entryPoint, 0u) << "the module must have no entry point";
    EXPECT_EQ(facts->importedDlls, 0) << "the module must import nothing";
    EXPECT_EQ(facts->delayImportSize, 0u);
    EXPECT_GT(facts->resourceTableSize, 0u);
}

TEST_F(ShippedModule, PlayerWindowTemplateHoldsEveryControlAsAStatic)
{
    const std::optional<DialogTemplate> dialog = ReadDialogTemplate(Module(), IDD_PLAYER);
    ASSERT_TRUE(dialog) << "dialog 101 is missing or malformed";
    EXPECT_FALSE((dialog->style & WS_CAPTION) == WS_CAPTION) << "a system title bar would sit above the skin's header";
    std::vector<DWORD> ids{IDC_PICTURE};
    for (DWORD id = IDC_PLAY; id <= IDC_TARGET_TIME; ++id) ids.push_back(id);
    for (const DWORD id : ids) {
        const DialogControl* control = dialog->Find(id);
        ASSERT_NE(control, nullptr) << "control " << id;
        EXPECT_TRUE(IsClass(*control, L"Static"))
            << "control " << id << " is a " << testing::PrintToString(control->className);
    }
    // Skin buttons are statics bound by number; a static hears the mouse only with SS_NOTIFY.
    for (DWORD id = IDC_PLAY; id <= IDC_MINIMIZE; ++id)
        EXPECT_TRUE(dialog->Find(id)->style & SS_NOTIFY) << "button " << id << " would never be clicked";
    // A title such as "Salt & Pepper" must not lose its ampersand to a mnemonic.
    for (DWORD id = IDC_TITLE; id <= IDC_TARGET_TIME; ++id)
        EXPECT_TRUE(dialog->Find(id)->style & SS_NOPREFIX) << "label " << id;
}

TEST_F(ShippedModule, AboutBoxTemplateHoldsItsButtonAndTexts)
{
    const std::optional<DialogTemplate> dialog = ReadDialogTemplate(Module(), IDD_ABOUTBOX);
    ASSERT_TRUE(dialog) << "dialog 100 is missing or malformed";
    const DialogControl* ok = dialog->Find(IDOK);
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(IsClass(*ok, L"Button")) << testing::PrintToString(ok->className);
    EXPECT_NE(dialog->Find(IDC_ABOUT_PRODUCT), nullptr);
    EXPECT_NE(dialog->Find(IDC_ABOUT_COPYRIGHT), nullptr);
}

TEST_F(ShippedModule, BothTemplatesCreateWindowsWithTheirControls)
{
    const DLGPROC quiet = [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR { return message == WM_INITDIALOG; };
    const std::map<UINT, std::vector<int>> controls = {
        {IDD_PLAYER, {IDC_PICTURE, IDC_PLAY, IDC_PAUSE, IDC_SKIP_BACK, IDC_SKIP_FORWARD, IDC_NEXT_PICTURE,
                      IDC_PREV_PICTURE, IDC_TOPMOST, IDC_MUTE, IDC_COMPACT, IDC_CLOSE, IDC_MAXIMIZE, IDC_MINIMIZE,
                      IDC_INDICATOR, IDC_TITLE, IDC_TIME, IDC_TARGET_TIME}},
        {IDD_ABOUTBOX, {IDOK, IDC_ABOUT_PRODUCT, IDC_ABOUT_COPYRIGHT}},
    };
    for (const auto& [dialogId, ids] : controls) {
        HWND dialog = CreateDialogParamW(Module(), MAKEINTRESOURCEW(dialogId), nullptr, quiet, 0);
        ASSERT_NE(dialog, nullptr) << "dialog " << dialogId;
        for (const int id : ids)
            EXPECT_NE(GetDlgItem(dialog, id), nullptr) << "dialog " << dialogId << ", control " << id;
        DestroyWindow(dialog);
    }
}

TEST_F(ShippedModule, IconHasSmallAndLargeImages)
{
    HRSRC group = FindResourceW(Module(), MAKEINTRESOURCEW(IDI_PLAYER), RT_GROUP_ICON);
    ASSERT_NE(group, nullptr) << "icon 128 is missing";
    const auto* directory = static_cast<const BYTE*>(LockResource(LoadResource(Module(), group)));
    ASSERT_NE(directory, nullptr);
    // GRPICONDIR: reserved, type, count; then 14-byte entries starting with width and height
    // and ending with the number of the RT_ICON resource that holds the image.
    const WORD count = *reinterpret_cast<const WORD*>(directory + 4);
    ASSERT_GE(SizeofResource(Module(), group), 6u + 14u * count);
    std::set<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        const BYTE* entry = directory + 6 + 14 * i;
        sizes.insert(entry[0] == 0 ? 256 : entry[0]);
        const WORD image = *reinterpret_cast<const WORD*>(entry + 12);
        EXPECT_NE(FindResourceW(Module(), MAKEINTRESOURCEW(image), RT_ICON), nullptr);
    }
    for (const int size : {16, 32, 48}) {
        EXPECT_TRUE(sizes.count(size)) << "no " << size << "-pixel image";
        const UniqueIcon icon(
            static_cast<HICON>(LoadImageW(Module(), MAKEINTRESOURCEW(IDI_PLAYER), IMAGE_ICON, size, size, 0)));
        EXPECT_TRUE(icon) << size;
    }
}

TEST_F(ShippedModule, EveryStringIsPresentAndTrimmed)
{
    std::vector<UINT> ids{IDS_STARTUP_FAILED, IDS_PLAYBACK_FAILED, IDS_ABOUTBOX};
    for (UINT id = IDS_TIP_PLAY; id <= IDS_TIP_MINIMIZE; ++id) ids.push_back(id);
    for (UINT id = IDS_MENU_FILE; id <= IDS_MENU_COMPACT; ++id) ids.push_back(id);
    for (UINT id = IDS_RESUMED_AT; id <= IDS_RECENT_MISSING; ++id) ids.push_back(id);
    ids.push_back(IDS_MENU_SPEED);
    ids.push_back(IDS_SPEED_VALUE);
    for (const UINT id : ids) {
        const std::wstring text = String(id);
        ASSERT_FALSE(text.empty()) << "string " << id << " is missing";
        EXPECT_FALSE(std::iswspace(text.front()) || std::iswspace(text.back())) << "string " << id;
    }
    for (UINT id = IDS_TIP_PLAY; id <= IDS_TIP_MINIMIZE; ++id)
        EXPECT_EQ(String(id).find(L'&'), std::wstring::npos) << "tooltip " << id << " shows a stray ampersand";
}

TEST_F(ShippedModule, EachMenuGivesEveryItemItsOwnAccessKey)
{
    // The context menu and its three submenus, as the player builds them.
    const std::vector<std::vector<UINT>> menus = {
        {IDS_MENU_FILE, IDS_MENU_COMPACT, IDS_MENU_TOPMOST, IDS_MENU_PLAYBACK, IDS_ABOUTBOX},
        {IDS_MENU_OPEN},
        {IDS_MENU_PLAY, IDS_MENU_PAUSE, IDS_MENU_NEXT_PICTURE, IDS_MENU_PREV_PICTURE, IDS_MENU_SKIP_FORWARD,
         IDS_MENU_SKIP_BACK, IDS_MENU_VOLUME},
        {IDS_MENU_VOLUME_UP, IDS_MENU_VOLUME_DOWN, IDS_MENU_MUTE},
    };
    for (const std::vector<UINT>& menu : menus) {
        std::map<wchar_t, UINT> keys;
        for (const UINT id : menu) {
            const std::wstring text = String(id);
            const size_t amp = text.find(L'&');
            ASSERT_TRUE(amp != std::wstring::npos && amp + 1 < text.size()) << "item " << id << " has no access key";
            EXPECT_EQ(text.find(L'&', amp + 1), std::wstring::npos) << "item " << id;
            const wchar_t key = static_cast<wchar_t>(std::towlower(text[amp + 1]));
            const auto [at, added] = keys.emplace(key, id);
            EXPECT_TRUE(added) << "items " << at->second << " and " << id << " share one access key";
        }
    }
}

TEST_F(ShippedModule, EverySkinBitmapIsPresent)
{
    std::set<UINT> listed(std::begin(kDrawnArt), std::end(kDrawnArt));
    for (const ControlArt& art : kFixedSizeArt) listed.insert(art.bitmaps.begin(), art.bitmaps.end());
    for (UINT id = 200; id <= 262; ++id) {
        if (id == 234) continue; // not part of the skin
        EXPECT_TRUE(listed.count(id)) << "this test does not check bitmap " << id;
        EXPECT_NE(FindResourceW(Module(), MAKEINTRESOURCEW(id), RT_BITMAP), nullptr) << "bitmap " << id;
        EXPECT_TRUE(ReadBitmap(Module(), id)) << "bitmap " << id << " does not load";
    }
}

TEST_F(ShippedModule, ControlArtHasTheSizeTheLayoutGivesTheControl)
{
    for (const ControlArt& art : kFixedSizeArt)
        for (const UINT id : art.bitmaps) {
            const Pixels p = Bitmap(id);
            EXPECT_EQ(p.width, art.width) << art.control << ", bitmap " << id;
            EXPECT_EQ(p.height, art.height) << art.control << ", bitmap " << id;
        }
}

TEST_F(ShippedModule, HitTestMasksAreBlackAndWhiteAndClickableInTheMiddle)
{
    for (const auto& [maskId, images] : kHitMasks) {
        const Pixels mask = Bitmap(maskId);
        ASSERT_GT(mask.width * mask.height, 0) << "mask " << maskId;
        EXPECT_TRUE(IsBlackAndWhite(mask)) << "mask " << maskId;
        EXPECT_TRUE(IsBlack(mask.At(mask.width / 2, mask.height / 2)))
            << "mask " << maskId << " is not clickable in the middle";
        for (const UINT image : images) {
            const Pixels p = Bitmap(image);
            EXPECT_TRUE(SameSize(p, mask)) << "image " << image << " and mask " << maskId;
        }
    }
}

TEST_F(ShippedModule, TransparencyMasksMatchTheirImages)
{
    const std::pair<UINT, UINT> pairs[] = {{IDB_SEEK_THUMB, IDB_SEEK_THUMB_MASK}, {IDB_MARK, IDB_MARK_MASK}};
    for (const auto& [imageId, maskId] : pairs) {
        const Pixels image = Bitmap(imageId);
        const Pixels mask = Bitmap(maskId);
        ASSERT_GT(image.width * image.height, 0) << "image " << imageId;
        ASSERT_TRUE(SameSize(image, mask)) << "image " << imageId << " and mask " << maskId;
        EXPECT_TRUE(IsBlackAndWhite(mask)) << "mask " << maskId;
        EXPECT_TRUE(std::any_of(mask.rgb.begin(), mask.rgb.end(), IsBlack)) << "mask " << maskId << " hides everything";
        int leaks = 0;
        for (size_t i = 0; i < mask.rgb.size(); ++i) leaks += IsWhite(mask.rgb[i]) && !IsBlack(image.rgb[i]);
        EXPECT_EQ(leaks, 0) << "image " << imageId << " is not black where mask " << maskId << " is transparent";
    }
}

TEST_F(ShippedModule, SeekBarPiecesFitTheBar)
{
    const Pixels thumb = Bitmap(IDB_SEEK_THUMB);
    const Pixels track = Bitmap(IDB_SEEK_TRACK);
    const Pixels mark = Bitmap(IDB_MARK);
    const Pixels major = Bitmap(IDB_SCALE_MAJOR);
    const Pixels minor = Bitmap(IDB_SCALE_MINOR);
    for (const Pixels* p : {&thumb, &track, &mark, &major, &minor}) ASSERT_GT(p->width * p->height, 0);

    EXPECT_LE(kTrackTop + track.height, kScaleTop) << "the track runs into the scale";
    EXPECT_LE(kTrackTop + thumb.height, kSeekBarHeight);
    EXPECT_LT(thumb.width, kSeekBarMinimumWidth);
    EXPECT_LE(kMarkTop + mark.height, kSeekBarHeight);
    EXPECT_LE(kScaleTop + major.height, kSeekBarHeight);
    EXPECT_LE(minor.height, major.height) << "minor ticks are centred on the major ticks' band";
    EXPECT_LE(major.width, kSeekBarMinimumWidth / 10) << "the scale's ticks would run together";
}

TEST_F(ShippedModule, VolumeSliderPiecesFillTheSlider)
{
    const Pixels track = Bitmap(IDB_VOLUME_TRACK);
    const Pixels thumb = Bitmap(IDB_VOLUME_THUMB);
    EXPECT_GT(track.width, 0);
    EXPECT_EQ(track.height, kVolumeHeight) << "the slider paints nothing below its track";
    EXPECT_GT(thumb.width, 0);
    EXPECT_LT(thumb.width, kVolumeWidth) << "the thumb needs room to move";
    EXPECT_LE(thumb.height, kVolumeHeight);
}

TEST_F(ShippedModule, HeaderImageIsAsHighAsTheHeader)
{
    const Pixels header = Bitmap(IDB_HEADER);
    EXPECT_GT(header.width, 0);
    EXPECT_EQ(header.height, 74) << "the header image is stretched horizontally only";
}

TEST_F(ShippedModule, NoPictureBitmapIsAPlainDibThePictureViewCanWrap)
{
    // The picture view puts a 14-byte file header with the pixels at offset 54 in front of the
    // resource and reads biSize + biSizeImage bytes of it: so a 40-byte header, no colour
    // table or bit-field masks between header and pixels, and an image size that covers
    // every row.
    HRSRC found = FindResourceW(Module(), MAKEINTRESOURCEW(IDB_NO_PICTURE), RT_BITMAP);
    ASSERT_NE(found, nullptr);
    const auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(Module(), found)));
    ASSERT_NE(header, nullptr);
    const DWORD size = SizeofResource(Module(), found);
    ASSERT_GE(size, sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(header->biSize, 40u);
    EXPECT_EQ(header->biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_TRUE(header->biBitCount == 24 || header->biBitCount == 32) << header->biBitCount;
    EXPECT_EQ(header->biClrUsed, 0u) << "a colour table would shift the pixels";
    EXPECT_EQ(header->biPlanes, 1);
    ASSERT_GT(header->biWidth, 0);
    ASSERT_NE(header->biHeight, 0);
    const DWORD stride = ((header->biWidth * header->biBitCount + 31) / 32) * 4;
    const DWORD rows = static_cast<DWORD>(std::abs(header->biHeight));
    EXPECT_EQ(header->biSizeImage, stride * rows);
    EXPECT_GE(size, header->biSize + header->biSizeImage) << "the resource ends before its last row";
}

// The same skin drawn for monitors at 150 and 200 percent: every bitmap but the no-picture one
// (which the picture view fits to its size anyway) under its ID plus the scale's offset, as
// large as the 100 percent bitmap scaled and rounded to the nearest pixel, the way the player
// scales its layout, with masks that stay black and white and match their images.
TEST_F(ShippedModule, SkinIsDrawnAgainForLargerScales)
{
    const std::pair<int, UINT> scales[] = {{150, IDB_SCALE_150}, {200, IDB_SCALE_200}};
    for (const auto& [scale, offset] : scales) {
        for (UINT id = 200; id <= 262; ++id) {
            if (id == 234 || id == IDB_NO_PICTURE) continue;
            const Pixels plain = Bitmap(id);
            const Pixels scaled = Bitmap(id + offset);
            ASSERT_GT(scaled.width * scaled.height, 0) << "bitmap " << id << " at " << scale << " %";
            EXPECT_EQ(scaled.width, MulDiv(plain.width, scale, 100)) << "bitmap " << id << " at " << scale << " %";
            EXPECT_EQ(scaled.height, MulDiv(plain.height, scale, 100)) << "bitmap " << id << " at " << scale << " %";
        }
        for (const auto& [maskId, images] : kHitMasks) {
            const Pixels mask = Bitmap(maskId + offset);
            EXPECT_TRUE(IsBlackAndWhite(mask)) << "mask " << maskId << " at " << scale << " %";
            EXPECT_TRUE(IsBlack(mask.At(mask.width / 2, mask.height / 2))) << "mask " << maskId << " at " << scale;
        }
        for (const auto& [imageId, maskId] : {std::pair<UINT, UINT>{IDB_SEEK_THUMB, IDB_SEEK_THUMB_MASK}, {IDB_MARK, IDB_MARK_MASK}}) {
            const Pixels image = Bitmap(imageId + offset);
            const Pixels mask = Bitmap(maskId + offset);
            ASSERT_TRUE(SameSize(image, mask));
            EXPECT_TRUE(IsBlackAndWhite(mask)) << "mask " << maskId << " at " << scale;
            int leaks = 0;
            for (size_t i = 0; i < mask.rgb.size(); ++i) leaks += IsWhite(mask.rgb[i]) && !IsBlack(image.rgb[i]);
            EXPECT_EQ(leaks, 0) << "image " << imageId << " at " << scale << " % shows where its mask is transparent";
        }
    }
    EXPECT_EQ(FindResourceW(Module(), MAKEINTRESOURCEW(IDB_NO_PICTURE + IDB_SCALE_150), RT_BITMAP), nullptr);
}

TEST_F(ShippedModule, MenuItemsShowTheirKeysAfterATab)
{
    const std::pair<UINT, const wchar_t*> keys[] = {
        {IDS_MENU_OPEN, L"Ctrl+O"},       {IDS_MENU_PLAY, L"Space"},        {IDS_MENU_PAUSE, L"Space"},
        {IDS_MENU_NEXT_PICTURE, L"Page Down"}, {IDS_MENU_PREV_PICTURE, L"Page Up"},
        {IDS_MENU_SKIP_FORWARD, L"Right"}, {IDS_MENU_SKIP_BACK, L"Left"},   {IDS_MENU_VOLUME_UP, L"Up"},
        {IDS_MENU_VOLUME_DOWN, L"Down"},  {IDS_MENU_MUTE, L"M"},
    };
    for (const auto& [id, key] : keys) {
        const std::wstring text = String(id);
        const size_t tab = text.find(L'\t');
        ASSERT_NE(tab, std::wstring::npos) << "item " << id;
        EXPECT_EQ(text.substr(tab + 1), key) << "item " << id;
        EXPECT_EQ(text.find(L'&'), text.rfind(L'&')) << "item " << id;
        EXPECT_LT(text.find(L'&'), tab) << "the access key is in the caption, not the key";
    }
}
