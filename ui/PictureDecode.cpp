#include "ui/PictureDecode.h"
#include "base/ComPtr.h"
#include "base/Handles.h"
#include "base/Result.h"
#include "ui/PictureRender.h"
#include <wincodec.h>
#include <algorithm>

namespace {
// The rows of the picture read from the decoder at a time: about a mebibyte of them.
constexpr UINT64 kStripBytes = 1 << 20;
// Larger sides are refused before anything is allocated: no picture a document holds needs them.
constexpr UINT kLargestSide = 65535;
constexpr UINT kBytesPerPixel = 4;

// IWICBitmapSourceTransform, through which a decoder scales while it decodes. The MinGW-w64
// headers do not declare it; its layout and identifier are the platform's.
struct IWicSourceTransform : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height,
                                                 WICPixelFormatGUID* format, WICBitmapTransformOptions transform,
                                                 UINT stride, UINT bufferSize, BYTE* buffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* format) = 0;
    virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions transform, BOOL* supported) = 0;
};
constexpr IID kIidWicSourceTransform = {0x3b16811b, 0x6a43, 0x4ec9, {0xb7, 0x13, 0x3d, 0x5a, 0x0c, 0x13, 0xb9, 0x40}};

// The size the pixels of a picture of `full` size are kept at for a view of `view`: the fitted
// size when the picture is reduced to fit, its own size when it is not (stretching a small
// picture when it is drawn costs nothing, and keeps less).
SIZE PreparedSize(SIZE full, SIZE view)
{
    const RECT fit = FitPicture(std::max<LONG>(view.cx, 1), std::max<LONG>(view.cy, 1), full.cx, full.cy);
    const SIZE fitted{std::max<LONG>(fit.right - fit.left, 1), std::max<LONG>(fit.bottom - fit.top, 1)};
    if (fitted.cx < full.cx && fitted.cy < full.cy) return fitted;
    return full;
}

// Averages the rows of a picture, given top to bottom, into a picture of a smaller or equal
// size: each target pixel is the mean of the source pixels that fall on it.
class CBoxReducer {
public:
    CBoxReducer(SIZE from, SIZE to, BYTE* target)
        : m_from(from), m_to(to), m_target(target), m_columns(static_cast<size_t>(from.cx)),
          m_columnWidths(static_cast<size_t>(to.cx)), m_sums(static_cast<size_t>(to.cx) * kBytesPerPixel)
    {
        for (LONG x = 0; x < from.cx; ++x) {
            m_columns[x] = static_cast<UINT>(static_cast<UINT64>(x) * to.cx / from.cx);
            ++m_columnWidths[m_columns[x]];
        }
    }

    void AddRow(const BYTE* row)
    {
        const UINT targetRow = static_cast<UINT>(static_cast<UINT64>(m_sourceRow) * m_to.cy / m_from.cy);
        if (targetRow != m_targetRow) Flush(targetRow);
        for (LONG x = 0; x < m_from.cx; ++x) {
            UINT64* sum = &m_sums[static_cast<size_t>(m_columns[x]) * kBytesPerPixel];
            const BYTE* pixel = row + static_cast<size_t>(x) * kBytesPerPixel;
            for (UINT c = 0; c < kBytesPerPixel; ++c) sum[c] += pixel[c];
        }
        ++m_rowsInSums;
        ++m_sourceRow;
    }

    void Finish() { Flush(m_targetRow + 1); }

private:
    void Flush(UINT nextRow)
    {
        BYTE* out = m_target + static_cast<size_t>(m_targetRow) * m_to.cx * kBytesPerPixel;
        for (LONG x = 0; x < m_to.cx; ++x) {
            const UINT64 count = static_cast<UINT64>(m_columnWidths[x]) * m_rowsInSums;
            for (UINT c = 0; c < kBytesPerPixel; ++c) {
                UINT64& sum = m_sums[static_cast<size_t>(x) * kBytesPerPixel + c];
                out[static_cast<size_t>(x) * kBytesPerPixel + c] = static_cast<BYTE>((sum + count / 2) / count);
                sum = 0;
            }
        }
        m_rowsInSums = 0;
        m_targetRow = nextRow;
    }

    SIZE m_from;
    SIZE m_to;
    BYTE* m_target;
    std::vector<UINT> m_columns;      // the target column of each source column
    std::vector<UINT> m_columnWidths; // the source columns that fall on each target column
    std::vector<UINT64> m_sums;       // of the target row being gathered
    UINT m_rowsInSums = 0;
    UINT m_sourceRow = 0;
    UINT m_targetRow = 0;
};

ComPtr<IWICImagingFactory> CreateFactory()
{
    ComPtr<IWICImagingFactory> factory;
    ThrowIfFailed(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                   reinterpret_cast<void**>(&factory)));
    return factory;
}

// A picture file read whole, shared for deletion while it is read. A decode therefore never
// holds the file: the player empties its work folder for the next document while a picture of
// the last one may still be decoding on a worker.
std::shared_ptr<const std::vector<BYTE>> ReadPictureFile(const std::wstring& path)
{
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    Check(file.IsValid(), HResultFromLastError());
    LARGE_INTEGER size{};
    Check(GetFileSizeEx(file.Get(), &size) != FALSE, HResultFromLastError());
    Check(size.QuadPart > 0 && size.QuadPart <= MAXDWORD, E_INVALIDARG);
    auto bytes = std::make_shared<std::vector<BYTE>>(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    Check(ReadFile(file.Get(), bytes->data(), static_cast<DWORD>(bytes->size()), &read, nullptr) != FALSE,
          HResultFromLastError());
    Check(read == bytes->size(), E_FAIL);
    return bytes;
}

// The decoder reads the bytes through `stream`; both must live as long as the decoder.
ComPtr<IWICBitmapDecoder> OpenDecoder(IWICImagingFactory* factory, const PictureSource& source,
                                      std::shared_ptr<const std::vector<BYTE>>& bytes, ComPtr<IWICStream>& stream)
{
    bytes = source.bytes;
    if (!bytes) {
        Check(!source.path.empty(), E_INVALIDARG);
        bytes = ReadPictureFile(source.path);
    }
    Check(!bytes->empty() && bytes->size() <= MAXDWORD, E_INVALIDARG);
    ComPtr<IWICBitmapDecoder> decoder;
    ThrowIfFailed(factory->CreateStream(&stream));
    ThrowIfFailed(stream->InitializeFromMemory(const_cast<BYTE*>(bytes->data()), static_cast<DWORD>(bytes->size())));
    ThrowIfFailed(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, &decoder));
    return decoder;
}

UINT BitsPerPixel(IWICImagingFactory* factory, const WICPixelFormatGUID& format)
{
    ComPtr<IWICComponentInfo> component;
    ThrowIfFailed(factory->CreateComponentInfo(format, &component));
    ComPtr<IWICPixelFormatInfo> info;
    ThrowIfFailed(component.As(info));
    UINT bits = 0;
    ThrowIfFailed(info->GetBitsPerPixel(&bits));
    return bits;
}

// The frame already reduced by its decoder to a size no smaller than `size`, where the decoder
// can (a JPEG decoder can decode at a half, a quarter or an eighth of the size for far less
// work); null where it cannot, and the whole frame is read instead.
ComPtr<IWICBitmapSource> DecoderReduced(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, SIZE full,
                                        SIZE size)
{
    ComPtr<IWicSourceTransform> transform;
    if (FAILED(frame->QueryInterface(kIidWicSourceTransform, reinterpret_cast<void**>(&transform))))
        return nullptr;
    UINT width = static_cast<UINT>(size.cx);
    UINT height = static_cast<UINT>(size.cy);
    if (FAILED(transform->GetClosestSize(&width, &height)) || width < static_cast<UINT>(size.cx) ||
        height < static_cast<UINT>(size.cy) || width >= static_cast<UINT>(full.cx))
        return nullptr;
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
    ThrowIfFailed(transform->GetClosestPixelFormat(&format));
    const UINT64 stride = (static_cast<UINT64>(width) * BitsPerPixel(factory, format) + 31) / 32 * 4;
    std::vector<BYTE> pixels(static_cast<size_t>(stride * height));
    ThrowIfFailed(transform->CopyPixels(nullptr, width, height, &format, WICBitmapTransformRotate0,
                                        static_cast<UINT>(stride), static_cast<UINT>(pixels.size()), pixels.data()));
    ComPtr<IWICBitmap> reduced;
    ThrowIfFailed(factory->CreateBitmapFromMemory(width, height, format, static_cast<UINT>(stride),
                                                  static_cast<UINT>(pixels.size()), pixels.data(), &reduced));
    return ComPtr<IWICBitmapSource>(reduced.Get());
}
}

bool PictureSource::IsSameAs(const PictureSource& other) const
{
    if (bytes || other.bytes) return bytes == other.bytes;
    return CompareStringOrdinal(path.c_str(), static_cast<int>(path.size()), other.path.c_str(),
                                static_cast<int>(other.path.size()), TRUE) == CSTR_EQUAL;
}

bool CFittedPicture::Fits(SIZE view) const
{
    const SIZE wanted = PreparedSize(m_full, view);
    return !IsEmpty() && wanted.cx == m_size.cx && wanted.cy == m_size.cy;
}

void CFittedPicture::Draw(HDC dc, const RECT& area) const
{
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (IsEmpty() || width <= 0 || height <= 0) return;
    RECT place = FitPicture(width, height, m_full.cx, m_full.cy);
    OffsetRect(&place, area.left, area.top);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = m_size.cx;
    info.bmiHeader.biHeight = -m_size.cy; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    // Pixels kept for a larger view are averaged down while the view waits for sharper ones.
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, place.left, place.top, place.right - place.left, place.bottom - place.top, 0, 0, m_size.cx,
                  m_size.cy, m_pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

HRESULT DecodeFittedPicture(const PictureSource& source, SIZE view, CFittedPicture& picture)
{
    picture = CFittedPicture();
    CFittedPicture decoded;
    const HRESULT result = RunOperation([&] {
        const ComPtr<IWICImagingFactory> factory = CreateFactory();
        std::shared_ptr<const std::vector<BYTE>> bytes;
        ComPtr<IWICStream> stream;
        const ComPtr<IWICBitmapDecoder> decoder = OpenDecoder(factory.Get(), source, bytes, stream);
        ComPtr<IWICBitmapFrameDecode> frame;
        ThrowIfFailed(decoder->GetFrame(0, &frame));
        UINT width = 0;
        UINT height = 0;
        ThrowIfFailed(frame->GetSize(&width, &height));
        Check(width > 0 && height > 0 && width <= kLargestSide && height <= kLargestSide,
              WINCODEC_ERR_IMAGESIZEOUTOFRANGE);
        decoded.m_full = SIZE{static_cast<LONG>(width), static_cast<LONG>(height)};
        decoded.m_size = PreparedSize(decoded.m_full, view);

        ComPtr<IWICBitmapSource> reduced = DecoderReduced(factory.Get(), frame.Get(), decoded.m_full, decoded.m_size);
        IWICBitmapSource* const rows = reduced ? reduced.Get() : frame.Get();
        ThrowIfFailed(rows->GetSize(&width, &height));
        // Premultiplied: what is transparent comes out black, the view's own background.
        ComPtr<IWICFormatConverter> converter;
        ThrowIfFailed(factory->CreateFormatConverter(&converter));
        ThrowIfFailed(converter->Initialize(rows, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                                            WICBitmapPaletteTypeCustom));

        decoded.m_pixels.resize(static_cast<size_t>(decoded.m_size.cx) * decoded.m_size.cy * kBytesPerPixel);
        CBoxReducer reducer(SIZE{static_cast<LONG>(width), static_cast<LONG>(height)}, decoded.m_size,
                            decoded.m_pixels.data());
        const UINT stride = width * kBytesPerPixel;
        const UINT stripRows = static_cast<UINT>(std::clamp<UINT64>(kStripBytes / stride, 1, height));
        std::vector<BYTE> strip(static_cast<size_t>(stride) * stripRows);
        for (UINT top = 0; top < height; top += stripRows) {
            const UINT count = std::min(stripRows, height - top);
            const WICRect rect{0, static_cast<INT>(top), static_cast<INT>(width), static_cast<INT>(count)};
            ThrowIfFailed(converter->CopyPixels(&rect, stride, stride * count, strip.data()));
            for (UINT row = 0; row < count; ++row) reducer.AddRow(strip.data() + static_cast<size_t>(row) * stride);
        }
        reducer.Finish();
    });
    if (SUCCEEDED(result)) picture = std::move(decoded);
    return FAILED(result) ? result : S_OK;
}
