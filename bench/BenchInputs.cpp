#include "bench/BenchInputs.h"

#include "base/Handles.h"
#include "bench/BenchSupport.h"
#include "document/ContainerWriter.h"
#include "voice/TmvWriter.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr std::uint32_t kDocumentRate = 16000;
constexpr std::uint32_t kSignalPeriodSeconds = 10;

// Appends through one large buffer and a Win32 file, so a gigabyte of blocks is written in a
// few thousand calls rather than one call a block.
class CBufferedFileSink : public IByteSink {
public:
    explicit CBufferedFileSink(const std::wstring& path)
        : m_file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr))
    {
        m_buffer.reserve(kBufferBytes);
    }
    bool IsOpen() const { return m_file.IsValid(); }

    bool Write(const void* data, std::size_t size) override
    {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        m_buffer.insert(m_buffer.end(), bytes, bytes + size);
        return m_buffer.size() < kBufferBytes || Flush();
    }
    bool WriteAt(std::uint64_t offset, const void* data, std::size_t size) override
    {
        if (!Flush()) return false;
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD written = 0;
        return WriteFile(m_file.Get(), data, static_cast<DWORD>(size), &written, &at) && written == size;
    }
    bool Flush()
    {
        if (m_buffer.empty()) return true;
        LARGE_INTEGER end{};
        DWORD written = 0;
        const bool ok = SetFilePointerEx(m_file.Get(), end, nullptr, FILE_END) &&
                        WriteFile(m_file.Get(), m_buffer.data(), static_cast<DWORD>(m_buffer.size()), &written,
                                  nullptr) &&
                        written == m_buffer.size();
        m_buffer.clear();
        return ok;
    }

private:
    static constexpr std::size_t kBufferBytes = 4 << 20;
    UniqueFile m_file;
    std::vector<std::uint8_t> m_buffer;
};
}  // namespace

CTestSignal::CTestSignal(std::uint32_t rate) : m_period(static_cast<std::size_t>(rate) * kSignalPeriodSeconds)
{
    const double pi = 3.14159265358979323846;
    for (std::size_t i = 0; i < m_period.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double swell = 0.55 + 0.45 * std::sin(2 * pi * 0.7 * t);
        const double value = swell * (9000 * std::sin(2 * pi * 220 * t) + 4000 * std::sin(2 * pi * 682 * t));
        m_period[i] = static_cast<std::int16_t>(std::lround(value));
    }
}

void CTestSignal::Fill(std::uint64_t first, std::int16_t* samples, std::size_t count) const
{
    for (std::size_t i = 0; i < count; ++i) samples[i] = At(first + i);
}

TmvHeader EncodeTestSignal(IByteSink& sink, const TmvFormat& format, std::uint64_t frames)
{
    Expect(format.channels == 1, "test tracks are mono");
    const CTestSignal signal(format.sampleRate);
    CTmvWriter writer;
    Expect(writer.Begin(sink, format) == VoiceResult::Ok, "the TMV writer refused the format");
    std::vector<std::int16_t> piece(65536);
    for (std::uint64_t done = 0; done < frames;) {
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), frames - done));
        signal.Fill(done, piece.data(), count);
        Expect(writer.Write(piece.data(), count) == VoiceResult::Ok, "the TMV writer failed");
        done += count;
    }
    Expect(writer.Finish() == VoiceResult::Ok, "the TMV writer could not finish");
    return writer.Header();
}

TmvHeader WriteTestTrack(const std::wstring& path, const TmvFormat& format, std::uint64_t frames)
{
    CBufferedFileSink sink(path);
    Expect(sink.IsOpen(), "cannot create " + Narrow(path));
    const TmvHeader header = EncodeTestSignal(sink, format, frames);
    Expect(sink.Flush(), "cannot write " + Narrow(path));
    return header;
}

std::uint64_t VoiceFramesForSize(std::uint64_t containerBytes, std::uint64_t pictureBytes)
{
    const std::uint64_t blockBytes = TmvBlockBytes(TmvCodec::ImaAdpcm, 1, kAdpcmDefaultFramesPerBlock);
    const std::uint64_t voiceBytes = containerBytes > pictureBytes + blockBytes ? containerBytes - pictureBytes : blockBytes;
    return voiceBytes / blockBytes * kAdpcmDefaultFramesPerBlock;
}

std::uint64_t FileBytes(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

DocumentFacts MakeDocument(const DocumentPlan& plan)
{
    Expect(!plan.pictures.empty() && plan.pictureCount > 0, "a document needs pictures");
    const std::wstring voicePath = plan.path + L".voice.tmv";
    TmvFormat format;
    format.sampleRate = kDocumentRate;
    const TmvHeader header = WriteTestTrack(voicePath, format, plan.voiceFrames);

    DocumentFacts facts;
    facts.pictureCount = plan.pictureCount;
    const std::uint64_t durationMs = header.frameCount * 1000 / kDocumentRate;
    facts.periodMs = static_cast<std::uint32_t>(durationMs / plan.pictureCount);
    ContainerContent content;
    content.voiceName = L"Benchmark.tmv";
    content.voicePath = voicePath;
    std::vector<IndexRecord> records;
    for (std::uint32_t i = 0; i < plan.pictureCount; ++i) {
        const std::uint32_t turn = plan.firstPicture.empty() ? i : i - 1;
        const std::wstring& source =
            i == 0 && !plan.firstPicture.empty() ? plan.firstPicture : plan.pictures[turn % plan.pictures.size()];
        const std::wstring name = Widen(Format("P%04u.JPG", i + 1));
        content.pictures.push_back({name, source});
        IndexRecord record;
        record.name = name;
        record.time = i * facts.periodMs;
        records.push_back(record);
    }
    Expect(SUCCEEDED(BuildPictureIndex(records, content.index)), "the picture index could not be built");
    const HRESULT written = WriteContainer(plan.path, content);
    DeleteFileW(voicePath.c_str());
    Expect(SUCCEEDED(written), Format("WriteContainer failed with 0x%08lX", static_cast<unsigned long>(written)));
    facts.containerBytes = FileBytes(plan.path);
    facts.voiceBytes = header.FileSize();
    return facts;
}
