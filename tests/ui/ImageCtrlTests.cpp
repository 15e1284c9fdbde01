// The picture view: pictures from files, memory and the resource module drawn centred and
// fitted on black; failed loads leave nothing stale on the screen; huge pictures; GDI objects;
// pictures decoded off the window's thread, prepared ahead, and only the newest one shown.
#include "UiTestSupport.h"
#include "TestSkinIds.h"
#include "base/ComScope.h"
#include "tests/support/TestFiles.h"
#include "ui/ImageCtrl.h"
#include <gtest/gtest.h>
#include <psapi.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <iterator>
#include <thread>

namespace {
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kYellow = RGB(255, 255, 0);

std::wstring Picture(const wchar_t* name)
{
    wchar_t folder[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, folder, MAX_PATH);
    std::wstring path(folder);
    path.resize(path.find_last_of(L'\\') + 1);
    return path + L"ui_pictures\\" + name;
}

class ImageCtrlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(ole.Result()));
        ASSERT_TRUE(skin.IsLoaded());
        parent.AddStatic(1001, 0, 0, 300, 200, SS_LEFT);
        ASSERT_TRUE(view.SubclassDlgItem(1001, parent));
        Redraw(parent);
    }

    void Resize(int width, int height)
    {
        view.MoveWindow(0, 0, width, height);
        Redraw(view);
    }

    Snapshot Shown()
    {
        Pump();
        return Snapshot(view);
    }

    static int NonBlack(const Snapshot& shot)
    {
        int count = 0;
        for (int y = 0; y < shot.Height(); ++y)
            for (int x = 0; x < shot.Width(); ++x)
                if (!Near(shot.At(x, y), kBlack, 8)) ++count;
        return count;
    }

    // The four-quadrant test picture (red, green over blue, white), 2:1, in a 300 × 200 view:
    // width-bound, 300 × 150 at y = 25 between black bars.
    static void ExpectQuadrantsLetterboxed(const Snapshot& shot, int tolerance)
    {
        EXPECT_TRUE(Near(shot.At(75, 60), kRed, tolerance)) << ColourText(shot.At(75, 60));
        EXPECT_TRUE(Near(shot.At(225, 60), kGreen, tolerance)) << ColourText(shot.At(225, 60));
        EXPECT_TRUE(Near(shot.At(75, 140), kBlue, tolerance)) << ColourText(shot.At(75, 140));
        EXPECT_TRUE(Near(shot.At(225, 140), kWhite, tolerance)) << ColourText(shot.At(225, 140));
        for (const int x : {0, 150, 299}) {
            EXPECT_TRUE(Near(shot.At(x, 0), kBlack)) << x;
            EXPECT_TRUE(Near(shot.At(x, 24), kBlack)) << "top bar ends at 24, x " << x;
            EXPECT_FALSE(Near(shot.At(x, 25), kBlack, 8)) << "picture from 25, x " << x;
            EXPECT_FALSE(Near(shot.At(x, 174), kBlack, 8)) << "picture to 174, x " << x;
            EXPECT_TRUE(Near(shot.At(x, 175), kBlack)) << "bottom bar from 175, x " << x;
            EXPECT_TRUE(Near(shot.At(x, 199), kBlack)) << x;
        }
    }

    // The tall test picture (1:2) in a 300 × 200 view: 100 × 200 at x = 100.
    static void ExpectTallPillarboxed(const Snapshot& shot)
    {
        EXPECT_TRUE(Near(shot.At(99, 100), kBlack)) << ColourText(shot.At(99, 100));
        EXPECT_TRUE(Near(shot.At(125, 50), kRed)) << ColourText(shot.At(125, 50));
        EXPECT_TRUE(Near(shot.At(175, 150), kWhite)) << ColourText(shot.At(175, 150));
        EXPECT_TRUE(Near(shot.At(200, 100), kBlack)) << ColourText(shot.At(200, 100));
    }

    bool DecodesEnd() { return WaitFor([&] { return !view.IsDecoding(); }, 60000); }

    COleScope ole;
    ScopedResourceModule skin{L"ui_test_skin.dll"};
    TestParent parent{300, 300, 520, 240};
    CImageCtrl view;
};
}

TEST_F(ImageCtrlTest, EmptyViewIsBlack)
{
    EXPECT_FALSE(view.HasPicture());
    EXPECT_EQ(NonBlack(Shown()), 0);
}

TEST_F(ImageCtrlTest, PngIsFittedToTheWidthOrTheHeightAndCentred)
{
    ASSERT_EQ(view.LoadFromPath(Picture(L"quad.png")), S_OK);
    EXPECT_TRUE(view.HasPicture());
    ExpectQuadrantsLetterboxed(Shown(), 0);

    // 500 × 200: height-bound, 400 × 200 at x = 50.
    Resize(500, 200);
    const Snapshot wide = Shown();
    for (const int y : {0, 100, 199}) {
        EXPECT_TRUE(Near(wide.At(49, y), kBlack)) << y;
        EXPECT_FALSE(Near(wide.At(50, y), kBlack, 8)) << y;
        EXPECT_FALSE(Near(wide.At(449, y), kBlack, 8)) << y;
        EXPECT_TRUE(Near(wide.At(450, y), kBlack)) << y;
    }
    EXPECT_TRUE(Near(wide.At(150, 50), kRed));
    EXPECT_TRUE(Near(wide.At(350, 150), kWhite));

    // A tall picture (1:2) in 300 × 200: 100 × 200 at x = 100.
    ASSERT_EQ(view.LoadFromPath(Picture(L"tall.png")), S_OK);
    Resize(300, 200);
    ExpectTallPillarboxed(Shown());
}

TEST_F(ImageCtrlTest, JpegIsDrawnTheSameWay)
{
    ASSERT_EQ(view.LoadFromPath(Picture(L"quad.jpg")), S_OK);
    ExpectQuadrantsLetterboxed(Shown(), 24);
}

TEST_F(ImageCtrlTest, OnePixelShortfallIsClosedTwoPixelsAreCentred)
{
    ASSERT_EQ(view.LoadFromPath(Picture(L"wide3x2.png")), S_OK); // 300 × 200, yellow
    // 302 × 201: 302 > 201 × 1.5, so height-bound at 301 wide, one short: drawn 302 wide.
    Resize(302, 201);
    Snapshot shot = Shown();
    EXPECT_TRUE(Near(shot.At(0, 100), kYellow)) << ColourText(shot.At(0, 100));
    EXPECT_TRUE(Near(shot.At(301, 100), kYellow)) << ColourText(shot.At(301, 100));
    EXPECT_EQ(NonBlack(shot), 302 * 201 - 0) << "nothing left black";
    // 303 × 201: two short, centred at x = 1 with a black column on each side.
    Resize(303, 201);
    shot = Shown();
    EXPECT_TRUE(Near(shot.At(0, 100), kBlack));
    EXPECT_TRUE(Near(shot.At(1, 100), kYellow));
    EXPECT_TRUE(Near(shot.At(301, 100), kYellow));
    EXPECT_TRUE(Near(shot.At(302, 100), kBlack));
}

TEST_F(ImageCtrlTest, PictureFromMemory)
{
    const Bytes png = ReadFileBytes(Picture(L"quad.png"));
    ASSERT_FALSE(png.empty());
    ASSERT_EQ(view.LoadFromMemory(png.data(), png.size()), S_OK);
    ExpectQuadrantsLetterboxed(Shown(), 0);
    const Bytes jpeg = ReadFileBytes(Picture(L"quad.jpg"));
    ASSERT_EQ(view.LoadFromMemory(jpeg.data(), jpeg.size()), S_OK);
    ExpectQuadrantsLetterboxed(Shown(), 24);
}

TEST_F(ImageCtrlTest, BitmapResourcesOfEveryLayoutLoad)
{
    // A plain 24-bit bitmap, one with a colour table and one with a large header: the pixels
    // are found behind whatever precedes them.
    for (const UINT id : {IDB_TEST_PICTURE_24, IDB_TEST_PICTURE_PALETTE, IDB_TEST_PICTURE_V5}) {
        SCOPED_TRACE(id);
        ASSERT_EQ(view.LoadFromResource(id), S_OK);
        ExpectQuadrantsLetterboxed(Shown(), 0);
    }
}

TEST_F(ImageCtrlTest, FailedLoadsLeaveTheViewEmptyAndBlack)
{
    const std::vector<char> garbage(64, 'x');
    struct Case {
        const char* what;
        std::function<HRESULT()> load;
    } cases[] = {
        {"missing resource", [&] { return view.LoadFromResource(999); }},
        {"missing file", [&] { return view.LoadFromPath(Picture(L"no-such-picture.jpg")); }},
        {"empty file", [&] { return view.LoadFromPath(Picture(L"empty.jpg")); }},
        {"not a picture", [&] { return view.LoadFromPath(Picture(L"broken.jpg")); }},
        {"empty path", [&] { return view.LoadFromPath(L""); }},
        {"garbage in memory", [&] { return view.LoadFromMemory(garbage.data(), garbage.size()); }},
        {"no bytes", [&] { return view.LoadFromMemory(garbage.data(), 0); }},
        {"null pointer", [&] { return view.LoadFromMemory(nullptr, 10); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(view.LoadFromPath(Picture(L"quad.png")), S_OK);
        EXPECT_GT(NonBlack(Shown()), 0);
        const HRESULT result = c.load();
        EXPECT_TRUE(FAILED(result)) << std::hex << result;
        EXPECT_FALSE(view.HasPicture());
        EXPECT_EQ(NonBlack(Shown()), 0) << "the previous picture must not stay on the screen";
    }
    EXPECT_EQ(view.LoadFromResource(999), E_FAIL);
    EXPECT_EQ(view.LoadFromMemory(nullptr, 10), E_INVALIDARG);

    // A cut-off JPEG either loads what there is or fails; either way nothing stale shows.
    ASSERT_EQ(view.LoadFromPath(Picture(L"quad.png")), S_OK);
    const HRESULT truncated = view.LoadFromPath(Picture(L"truncated.jpg"));
    const Snapshot shot = Shown();
    if (FAILED(truncated)) EXPECT_EQ(NonBlack(shot), 0);
    else EXPECT_FALSE(Near(shot.At(225, 140), kWhite)) << "the white quadrant lies beyond the cut";
    printf("[ info ] truncated JPEG: 0x%08lx\n", static_cast<unsigned long>(truncated));
}

TEST_F(ImageCtrlTest, HugeJpegLoadsAndFits)
{
    PROCESS_MEMORY_COUNTERS before{};
    GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof(before));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(view.LoadFromPath(Picture(L"huge.jpg")), S_OK); // 8000 × 6000
    const auto loaded = std::chrono::steady_clock::now();
    Resize(400, 300);
    const Snapshot shot = Shown();
    const auto painted = std::chrono::steady_clock::now();
    PROCESS_MEMORY_COUNTERS after{};
    GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof(after));
    EXPECT_TRUE(Near(shot.At(100, 75), kRed, 24)) << ColourText(shot.At(100, 75));
    EXPECT_TRUE(Near(shot.At(300, 75), kGreen, 24)) << ColourText(shot.At(300, 75));
    EXPECT_TRUE(Near(shot.At(100, 225), kBlue, 24)) << ColourText(shot.At(100, 225));
    EXPECT_TRUE(Near(shot.At(300, 225), kWhite, 24)) << ColourText(shot.At(300, 225));
    using ms = std::chrono::milliseconds;
    printf("[ info ] 8000x6000 JPEG: load %lld ms, resize and paint %lld ms, private bytes %+lld MB (peak %llu MB)\n",
           static_cast<long long>(std::chrono::duration_cast<ms>(loaded - start).count()),
           static_cast<long long>(std::chrono::duration_cast<ms>(painted - loaded).count()),
           (static_cast<long long>(after.PagefileUsage) - static_cast<long long>(before.PagefileUsage)) >> 20,
           static_cast<unsigned long long>(after.PeakPagefileUsage) >> 20);

    // Loading another picture gives the memory back, once the decode the resize asked for ends.
    ASSERT_EQ(view.LoadFromPath(Picture(L"quad.png")), S_OK);
    ASSERT_TRUE(DecodesEnd());
    PROCESS_MEMORY_COUNTERS released{};
    GetProcessMemoryInfo(GetCurrentProcess(), &released, sizeof(released));
    printf("[ info ] after switching to a small picture: private bytes %+lld MB against the start\n",
           (static_cast<long long>(released.PagefileUsage) - static_cast<long long>(before.PagefileUsage)) >> 20);
    EXPECT_LT(static_cast<long long>(released.PagefileUsage) - static_cast<long long>(before.PagefileUsage), 64ll << 20);
}

TEST_F(ImageCtrlTest, PaintsAndLoadsLeaveNoGdiObjectsBehind)
{
    ASSERT_EQ(view.LoadFromPath(Picture(L"quad.jpg")), S_OK);
    Redraw(view);
    const int before = GdiObjectCount();
    if (before < 0) GTEST_SKIP() << "the platform does not report GDI objects";
    for (int i = 0; i < 200; ++i) RedrawWindow(view, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(GdiObjectCount(), before) << "paints";
    for (int i = 0; i < 30; ++i) {
        view.LoadFromPath(Picture(i % 2 ? L"quad.jpg" : L"quad.png"));
        view.LoadFromResource(IDB_TEST_PICTURE_PALETTE);
        view.LoadFromPath(Picture(L"broken.jpg"));
        RedrawWindow(view, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
    view.LoadFromPath(Picture(L"quad.jpg"));
    Redraw(view);
    EXPECT_EQ(GdiObjectCount(), before) << "loads";
}

TEST_F(ImageCtrlTest, LargePictureDecodesWhileTheWindowAnswers)
{
    // Another thread sends the view empty messages all along and keeps the longest wait.
    std::atomic<bool> decoded{false};
    std::atomic<bool> probed{false};
    double worst = 0;
    std::thread prober([&] {
        while (!decoded) {
            const auto sent = std::chrono::steady_clock::now();
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(view, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &ignored);
            const std::chrono::duration<double, std::milli> waited = std::chrono::steady_clock::now() - sent;
            worst = std::max(worst, waited.count());
            Sleep(5);
        }
        probed = true;
    });
    const auto start = std::chrono::steady_clock::now();
    view.ShowPicture(Picture(L"huge.jpg")); // 8000 × 6000
    const bool ended = DecodesEnd();
    const double took = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    decoded = true;
    WaitFor([&] { return probed.load(); }, 30000); // its last message is answered here
    prober.join();
    ASSERT_TRUE(ended);
    printf("[ info ] 8000x6000 JPEG shown after %.0f ms; longest message round trip meanwhile %.1f ms\n", took, worst);
    // Decoded on the window's thread, the picture held it for a second or more.
    EXPECT_LT(worst, 500.0);
    // 4:3 in 300 × 200: 266 × 200 at x = 17.
    const Snapshot shot = Shown();
    EXPECT_TRUE(Near(shot.At(8, 100), kBlack)) << ColourText(shot.At(8, 100));
    EXPECT_TRUE(Near(shot.At(80, 50), kRed, 24)) << ColourText(shot.At(80, 50));
    EXPECT_TRUE(Near(shot.At(220, 150), kWhite, 24)) << ColourText(shot.At(220, 150));
}

// The player empties its work folder for the next document while a picture of the last one may
// still be decoding: the decode must not hold the file.
TEST_F(ImageCtrlTest, APictureBeingDecodedCanBeDeleted)
{
    const std::wstring copy = Picture(L"huge-copy.jpg");
    ASSERT_TRUE(CopyFileW(Picture(L"huge.jpg").c_str(), copy.c_str(), FALSE));
    view.ShowPicture(copy);
    ASSERT_TRUE(WaitFor([&] { return view.IsDecoding(); }, 2000));
    Sleep(100);
    EXPECT_TRUE(view.IsDecoding()) << "an 8000 x 6000 picture takes longer than this";
    EXPECT_TRUE(DeleteFileW(copy.c_str())) << "error " << GetLastError();
    EXPECT_TRUE(DecodesEnd());
}

TEST_F(ImageCtrlTest, NewestRequestWinsOverASlowerOlderOne)
{
    // Each time the huge picture is asked for first and still decodes when a newer request
    // shows at once: its decode must end without replacing what was asked for last.
    const std::wstring huge = Picture(L"huge.jpg");
    const std::wstring tall = Picture(L"tall.png");
    view.PreparePicture(tall);
    ASSERT_TRUE(DecodesEnd());
    view.ShowPicture(huge);
    view.ShowPicture(tall);
    ASSERT_TRUE(DecodesEnd());
    ExpectTallPillarboxed(Shown());

    view.ShowPicture(huge);
    view.ShowPicture(L""); // the test skin's no-picture bitmap is the four quadrants
    ASSERT_TRUE(DecodesEnd());
    ExpectQuadrantsLetterboxed(Shown(), 0);

    view.ShowPicture(huge);
    ASSERT_EQ(view.LoadFromPath(tall), S_OK);
    ASSERT_TRUE(DecodesEnd());
    ExpectTallPillarboxed(Shown());
}

TEST_F(ImageCtrlTest, PictureThatDoesNotDecodeShowsTheNoPictureImage)
{
    for (const std::wstring name : {L"broken.jpg", L"empty.jpg", L"no-such-picture.jpg"}) {
        for (const bool ahead : {false, true}) {
            SCOPED_TRACE(testing::Message() << std::string(name.begin(), name.end()) << (ahead ? ", prepared" : ""));
            ASSERT_EQ(view.LoadFromPath(Picture(L"tall.png")), S_OK);
            if (ahead) view.PreparePicture(Picture(name.c_str()));
            ASSERT_TRUE(DecodesEnd());
            view.ShowPicture(Picture(name.c_str()));
            ASSERT_TRUE(DecodesEnd());
            ExpectQuadrantsLetterboxed(Shown(), 0);
        }
    }
}

TEST_F(ImageCtrlTest, PreparedPictureShowsAtOnceWithoutDecodingAgain)
{
    // The prepared file is gone when it is shown: only the pixels prepared ahead can show it.
    const std::wstring copy = Picture(L"prepared-copy.png");
    ASSERT_TRUE(CopyFileW(Picture(L"tall.png").c_str(), copy.c_str(), FALSE));
    view.PreparePicture(copy);
    const bool prepared = DecodesEnd();
    DeleteFileW(copy.c_str());
    ASSERT_TRUE(prepared);
    EXPECT_FALSE(view.HasPicture());
    view.ShowPicture(copy);
    EXPECT_TRUE(view.HasPicture());
    EXPECT_FALSE(view.IsDecoding());
    ExpectTallPillarboxed(Shown());
}

TEST_F(ImageCtrlTest, AResizedViewStretchesItsPictureUntilItIsDecodedAgain)
{
    // The huge 4:3 picture in 300 × 150: 200 × 150 at x = 50.
    const auto expectHugeIn300x150 = [](const Snapshot& shot) {
        EXPECT_TRUE(Near(shot.At(25, 75), kBlack)) << ColourText(shot.At(25, 75));
        EXPECT_TRUE(Near(shot.At(100, 40), kRed, 24)) << ColourText(shot.At(100, 40));
        EXPECT_TRUE(Near(shot.At(200, 110), kWhite, 24)) << ColourText(shot.At(200, 110));
        EXPECT_TRUE(Near(shot.At(275, 75), kBlack)) << ColourText(shot.At(275, 75));
    };
    // A small picture is kept at its own size: a resize decodes nothing.
    ASSERT_EQ(view.LoadFromPath(Picture(L"quad.png")), S_OK);
    Resize(400, 200);
    EXPECT_FALSE(view.IsDecoding());

    // A large one is reduced for its view: another size shows it stretched at once, then sharp.
    const std::wstring copy = Picture(L"resized-copy.jpg");
    ASSERT_TRUE(CopyFileW(Picture(L"huge.jpg").c_str(), copy.c_str(), FALSE));
    view.ShowPicture(copy);
    ASSERT_TRUE(DecodesEnd());
    Resize(300, 150);
    EXPECT_TRUE(view.IsDecoding());
    expectHugeIn300x150(Shown());
    ASSERT_TRUE(DecodesEnd());
    expectHugeIn300x150(Shown());

    // A file that no longer decodes at the new size goes on showing, stretched, rather than
    // giving way to the no-picture image.
    DeleteFileW(copy.c_str());
    Resize(300, 200);
    Resize(300, 150);
    ASSERT_TRUE(DecodesEnd());
    expectHugeIn300x150(Shown());
}
