// Pictures: the picture view's load and paint of a JPEG on the window's thread, against decoding
// the same file to pixels with the platform's imaging component alone; and switches between
// large pictures decoded off the window's thread, with how long the window keeps a message
// waiting meanwhile.
#include "base/ComPtr.h"
#include "bench/BenchSupport.h"
#include "bench/Benchmarks.h"
#include "ui/ImageCtrl.h"

#include <wincodec.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>

namespace {
// The picture view's size in the player window at its initial size.
constexpr int kViewWidth = 420;
constexpr int kViewHeight = 290;
constexpr UINT kViewId = 1001;
constexpr int kColourTolerance = 24;

struct DecodedPicture {
    UINT width = 0;
    UINT height = 0;
    COLORREF centre = 0;   // the mean colour of a 64 x 64 square at its centre
};

// Decodes the whole file to 32-bit pixels with WIC, the work the picture loader cannot avoid.
DecodedPicture DecodeWithWic(IWICImagingFactory* factory, const std::wstring& path)
{
    ComPtr<IWICBitmapDecoder> decoder;
    Expect(SUCCEEDED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                        WICDecodeMetadataCacheOnDemand, &decoder)),
           "WIC cannot open " + Narrow(path));
    ComPtr<IWICBitmapFrameDecode> frame;
    Expect(SUCCEEDED(decoder->GetFrame(0, &frame)), "WIC cannot decode " + Narrow(path));
    ComPtr<IWICFormatConverter> converter;
    Expect(SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
               SUCCEEDED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone,
                                               nullptr, 0, WICBitmapPaletteTypeCustom)),
           "WIC cannot convert " + Narrow(path));
    DecodedPicture picture;
    converter->GetSize(&picture.width, &picture.height);
    std::vector<BYTE> pixels(static_cast<std::size_t>(picture.width) * picture.height * 4);
    Expect(SUCCEEDED(converter->CopyPixels(nullptr, picture.width * 4, static_cast<UINT>(pixels.size()), pixels.data())),
           "WIC cannot deliver the pixels of " + Narrow(path));

    double sum[3] = {};
    int count = 0;
    for (UINT y = picture.height / 2 - 32; y < picture.height / 2 + 32; ++y)
        for (UINT x = picture.width / 2 - 32; x < picture.width / 2 + 32; ++x, ++count)
            for (int c = 0; c < 3; ++c) sum[c] += pixels[(static_cast<std::size_t>(y) * picture.width + x) * 4 + c];
    picture.centre = RGB(sum[2] / count, sum[1] / count, sum[0] / count);
    return picture;
}

bool Near(COLORREF a, COLORREF b)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= kColourTolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= kColourTolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= kColourTolerance;
}

// A visible window holding the picture view at the player's size, on the virtual display.
class CPictureStage {
public:
    CPictureStage()
        : m_window(CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                   kViewWidth, kViewHeight, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr))
    {
        Expect(m_window != nullptr, "cannot create the stage window");
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, kViewWidth, kViewHeight, m_window,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kViewId)), GetModuleHandleW(nullptr), nullptr);
        Expect(m_view.SubclassDlgItem(kViewId, m_window), "cannot bind the picture view");
        Pump();
    }
    ~CPictureStage() { ::DestroyWindow(m_window); }

    CImageCtrl& View() { return m_view; }
    // Paints what is invalid now, as the message loop would next.
    void Paint() const { RedrawWindow(m_view, nullptr, nullptr, RDW_UPDATENOW); }
    COLORREF CentrePixel() const
    {
        const HDC screen = GetDC(nullptr);
        const COLORREF colour = GetPixel(screen, kViewWidth / 2, kViewHeight / 2);
        ReleaseDC(nullptr, screen);
        return colour;
    }
    static void Pump()
    {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    // Dispatches messages as a window's message loop does, waiting for them in between, until
    // `condition` holds or `seconds` pass; returns whether it held.
    static bool PumpUntil(const std::function<bool()>& condition, double seconds)
    {
        const CStopwatch watch;
        for (;;) {
            Pump();
            if (condition()) return true;
            if (watch.Seconds() > seconds) return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
        }
    }

private:
    HWND m_window;
    CImageCtrl m_view;
};
// Sends a window empty messages from a thread of its own, one every few milliseconds, and keeps
// the longest time one of them waited for the window's thread to answer.
class CRoundTripProbe {
public:
    explicit CRoundTripProbe(HWND window) : m_window(window), m_thread(&CRoundTripProbe::Run, this) {}
    ~CRoundTripProbe()
    {
        m_stopping = true;
        m_thread.join();
    }
    CRoundTripProbe(const CRoundTripProbe&) = delete;
    CRoundTripProbe& operator=(const CRoundTripProbe&) = delete;

    // The longest round trip since the last call, and the number of messages it was taken of.
    std::pair<double, int> TakeWorst()
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        const std::pair<double, int> worst{m_worst, m_count};
        m_worst = 0;
        m_count = 0;
        return worst;
    }

private:
    void Run()
    {
        while (!m_stopping) {
            const CStopwatch watch;
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(m_window, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &ignored);
            const double seconds = watch.Seconds();
            {
                const std::lock_guard<std::mutex> lock(m_lock);
                m_worst = std::max(m_worst, seconds);
                ++m_count;
            }
            Sleep(5);
        }
    }

    HWND m_window;
    std::mutex m_lock;
    double m_worst = 0;
    int m_count = 0;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread; // last: it starts once everything it uses is in place
};

// Shows `path` (prepared ahead or not) and returns the seconds until the view's centre shows
// `colour` on the screen. Meanwhile the window's thread only runs its message loop, as it does
// while the idle reference is taken.
double SwitchTo(CPictureStage& stage, const std::wstring& path, COLORREF colour)
{
    const CStopwatch watch;
    stage.View().ShowPicture(path);
    CPictureStage::PumpUntil([&] { return !stage.View().IsDecoding(); }, 60);
    stage.Paint();
    const bool shown = Near(stage.CentrePixel(), colour);
    const double seconds = watch.Seconds();
    Expect(shown, Format("%s does not show: the view shows #%06lX at its centre, the picture is #%06lX there",
                         Narrow(path).c_str(), static_cast<unsigned long>(stage.CentrePixel()),
                         static_cast<unsigned long>(colour)));
    return seconds;
}

void Prepare(CPictureStage& stage, const std::wstring& path)
{
    stage.View().PreparePicture(path);
    Expect(CPictureStage::PumpUntil([&] { return !stage.View().IsDecoding(); }, 60), "the preparation does not end");
}
}  // namespace

void PictureBenchmark(const Arguments& arguments)
{
    const int runs = std::max(1, std::atoi(OptionValue(arguments, "--runs", "5").c_str()));
    ComPtr<IWICImagingFactory> factory;
    Expect(SUCCEEDED(factory.CreateInstance(CLSID_WICImagingFactory)),
           "the imaging component is missing");
    CPictureStage stage;
    for (const std::string& argument : Positionals(arguments)) {
        const std::size_t equals = argument.find('=');
        Expect(equals != std::string::npos, "pictures LABEL=PATH ...");
        const std::string label = argument.substr(0, equals);
        const std::wstring path = Widen(argument.substr(equals + 1));

        std::vector<double> loads, paints, totals, references;
        DecodedPicture decoded;
        for (int run = 0; run < runs; ++run) {
            // An empty view between runs, so each run loads and paints a change of picture.
            stage.View().LoadFromMemory(nullptr, 0);
            stage.Paint();
            CStopwatch watch;
            Expect(SUCCEEDED(stage.View().LoadFromPath(path)), "the picture view cannot load " + Narrow(path));
            loads.push_back(watch.Seconds());
            const CStopwatch paint;
            stage.Paint();
            GdiFlush();
            paints.push_back(paint.Seconds());
            totals.push_back(watch.Seconds());

            watch.Restart();
            decoded = DecodeWithWic(factory.Get(), path);
            references.push_back(watch.Seconds());
            const COLORREF shown = stage.CentrePixel();
            Expect(Near(shown, decoded.centre),
                   Format("the view shows #%06lX at its centre, the picture is #%06lX there",
                          static_cast<unsigned long>(shown), static_cast<unsigned long>(decoded.centre)));
        }
        const double total = Median(totals);
        const double reference = Median(references);
        PrintRow({"Pictures",
                  Format("%s JPEG (%ux%u): load %s + paint %s, median of %d", label.c_str(), decoded.width,
                         decoded.height, Milliseconds(Median(loads)).c_str(), Milliseconds(Median(paints)).c_str(), runs),
                  Milliseconds(total), "WIC decode to pixels " + Milliseconds(reference),
                  Format("%.2fx", total / reference), "-", "info"});
        CPictureStage::Pump();
    }
}

void PictureSwitchBenchmark(const Arguments& arguments)
{
    const Arguments paths = Positionals(arguments);
    Expect(paths.size() == 3, "picture-switch SMALL LARGE LARGE --runs N");
    const int runs = std::max(1, std::atoi(OptionValue(arguments, "--runs", "5").c_str()));
    ComPtr<IWICImagingFactory> factory;
    Expect(SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                      reinterpret_cast<void**>(&factory))),
           "the imaging component is missing");
    const std::wstring small = Widen(paths[0]);
    const std::wstring large[2] = {Widen(paths[1]), Widen(paths[2])};
    const DecodedPicture smallPicture = DecodeWithWic(factory.Get(), small);
    const DecodedPicture largePicture[2] = {DecodeWithWic(factory.Get(), large[0]),
                                            DecodeWithWic(factory.Get(), large[1])};

    CPictureStage stage;
    SwitchTo(stage, small, smallPicture.centre);
    CRoundTripProbe probe(stage.View());
    CPictureStage::PumpUntil([] { return false; }, 2.0);
    const auto [idle, idleCount] = probe.TakeWorst();

    // Large pictures one after the other, each decoded when it is asked for; then each switch
    // prepared ahead while the picture before it shows, alternating a small and a large one.
    std::vector<double> cold, preparedSmall, preparedLarge;
    for (int run = 0; run < runs; ++run)
        for (int i = 0; i < 2; ++i) cold.push_back(SwitchTo(stage, large[i], largePicture[i].centre));
    for (int run = 0; run < runs; ++run) {
        Prepare(stage, small);
        preparedSmall.push_back(SwitchTo(stage, small, smallPicture.centre));
        Prepare(stage, large[run % 2]);
        preparedLarge.push_back(SwitchTo(stage, large[run % 2], largePicture[run % 2].centre));
    }
    const auto [worst, count] = probe.TakeWorst();
    Note("picture-switch: not prepared%s ms; prepared small%s ms, large%s ms", ListMilliseconds(cold).c_str(),
         ListMilliseconds(preparedSmall).c_str(), ListMilliseconds(preparedLarge).c_str());

    const std::string size = Format("%ux%u", largePicture[0].width, largePicture[0].height);
    PrintRow({"Pictures",
              Format("worst message round trip of the window over %zu switches between %s pictures (%d messages)",
                     cold.size() + preparedLarge.size() + preparedSmall.size(), size.c_str(), count),
              Milliseconds(worst), Format("idle window, worst of %d: ", idleCount) + Milliseconds(idle),
              Format("%.1fx", worst / idle), "< 100 ms", Verdict(worst < 0.1)});
    const std::string smallSize = Format("%ux%u", smallPicture.width, smallPicture.height);
    PrintRow({"Pictures",
              Format("switch to a %s picture prepared ahead, ShowPicture to on screen, median of %d", size.c_str(),
                     runs),
              Milliseconds(Median(preparedLarge)), smallSize + " prepared ahead " + Milliseconds(Median(preparedSmall)),
              Format("%.2fx", Median(preparedLarge) / Median(preparedSmall)), "-", "info"});
    PrintRow({"Pictures",
              Format("switch to a %s picture not prepared ahead (decoded on the worker), median of %zu", size.c_str(),
                     cold.size()),
              Milliseconds(Median(cold)), "-", "-", "-", "info"});
}
