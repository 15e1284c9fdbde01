// Pictures: the picture view's load and paint of a JPEG, as the player does it when the position
// enters a new period, against decoding the same file to pixels with the platform's imaging
// component alone.
#include "base/ComPtr.h"
#include "bench/BenchSupport.h"
#include "bench/Benchmarks.h"
#include "ui/ImageCtrl.h"

#include <wincodec.h>

#include <algorithm>
#include <cstdlib>

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

private:
    HWND m_window;
    CImageCtrl m_view;
};
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
