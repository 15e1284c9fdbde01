// The recorder source filter under Wine's filter graph on the null sink: the graph the audio
// player builds, its duration, position and seeking, the audio it delivers after a seek, what a
// bad file does, and the COM rules of the filter itself; and where the speed filter joins it.
#include "base/ByteOrder.h"
#include "tests/engine/FilterTestGraph.h"
#include "voice/TmvReader.h"

#include <gtest/gtest.h>
#include <psapi.h>
#include <qedit.h>

#include <chrono>
#include <mutex>
#include <thread>

EXTERN_C const CLSID CLSID_SampleGrabber;

namespace {
constexpr std::uint32_t kRate = 8000;
constexpr LONGLONG kTolerance = kUnitsPerSecond / 10;  // 100 ms

void Wait(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

double Seconds(LONGLONG mediaTime) { return static_cast<double>(mediaTime) / kUnitsPerSecond; }

std::int64_t WallClockUnits()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count() / 100;
}

// Keeps the first samples of every buffer the sample grabber passes on, with the 10 ms clock
// step its first sample says it comes from.
class CSampleLog final : public ISampleGrabberCB {
public:
    struct Buffer {
        std::int64_t step;
        std::vector<std::int16_t> samples;
    };

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISampleGrabberCB)) {
            *object = static_cast<ISampleGrabberCB*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP SampleCB(double, IMediaSample* sample) override
    {
        BYTE* data = nullptr;
        if (FAILED(sample->GetPointer(&data))) return S_OK;
        const long count = sample->GetActualDataLength() / 2;
        if (count <= 0) return S_OK;
        Buffer buffer;
        buffer.samples.assign(reinterpret_cast<const std::int16_t*>(data),
                              reinterpret_cast<const std::int16_t*>(data) + std::min<long>(count, 400));
        buffer.step = ClockStepOf(buffer.samples[0]);
        std::lock_guard<std::mutex> lock(m_lock);
        m_buffers.push_back(std::move(buffer));
        return S_OK;
    }
    STDMETHODIMP BufferCB(double, BYTE*, LONG) override { return E_NOTIMPL; }

    std::size_t Count()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_buffers.size();
    }
    // The first buffer logged after `mark` buffers, waiting up to two seconds for it.
    bool BufferAfter(std::size_t mark, Buffer& buffer)
    {
        for (int i = 0; i < 200; ++i) {
            {
                std::lock_guard<std::mutex> lock(m_lock);
                if (m_buffers.size() > mark) {
                    buffer = m_buffers[mark];
                    return true;
                }
            }
            Wait(10);
        }
        return false;
    }

private:
    std::mutex m_lock;
    std::vector<Buffer> m_buffers;
};

// The decoded audio of the track at `frame`, for comparing with what the graph delivered.
std::vector<std::int16_t> Reference(const std::wstring& path, std::uint64_t frame, std::size_t count)
{
    CFileSource file{std::filesystem::path(path)};
    CTmvReader reader;
    std::vector<std::int16_t> samples(count);
    if (reader.Open(file) != VoiceResult::Ok || reader.ReadFrames(frame, count, samples.data()) != VoiceResult::Ok)
        samples.clear();
    return samples;
}

// Committed private memory of the process (Wine leaves PrivateUsage at 0 but fills this).
std::size_t PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters)) ? counters.PagefileUsage : 0;
}
}

TEST(SourceFilterGraph, PlaysPausesAndSeeksAsThePlayerDrivesIt)
{
    CComScope com;
    const std::uint32_t frames = kRate * 25 / 2;  // 12.5 s
    CTempVoiceFile voice(L"kav-filter-clock.tmv", MakeClock(frames, kRate), MakeFormat(TmvCodec::ImaAdpcm, 1, kRate));
    ASSERT_TRUE(voice.Ok());

    CPlayerGraph graph;
    const HRESULT built = graph.Build(voice.Path());
    ASSERT_TRUE(SUCCEEDED(built)) << std::hex << built << " (is KavoraSource.dll registered?)";

    LONGLONG duration = 0;
    ASSERT_EQ(graph.seeking->GetDuration(&duration), S_OK);
    const LONGLONG blockTime = FramesToMediaTime(voice.Header().framesPerBlock, kRate);
    EXPECT_LE(std::llabs(duration - FramesToMediaTime(frames, kRate)), blockTime) << Seconds(duration);

    // Running: the position follows the wall clock.
    ASSERT_TRUE(SUCCEEDED(graph.control->Run()));
    ASSERT_EQ(graph.WaitForState(State_Running), S_OK);
    const LONGLONG start = graph.Position();
    const std::int64_t wallStart = WallClockUnits();
    Wait(1500);
    const LONGLONG played = graph.Position() - start;
    const std::int64_t elapsed = WallClockUnits() - wallStart;
    EXPECT_NEAR(Seconds(played), Seconds(elapsed), 0.25) << "the position does not advance in real time";

    // A seek while running goes on playing from the target.
    ASSERT_EQ(graph.SeekTo(8 * kUnitsPerSecond), S_OK);
    EXPECT_NEAR(Seconds(graph.Position()), 8.0, Seconds(kTolerance));
    Wait(700);
    EXPECT_NEAR(Seconds(graph.Position()), 8.7, 0.25);

    // A seek while paused stays paused at the target, and playing resumes from there.
    ASSERT_TRUE(SUCCEEDED(graph.control->Pause()));
    ASSERT_EQ(graph.WaitForState(State_Paused), S_OK);
    ASSERT_EQ(graph.SeekTo(3 * kUnitsPerSecond), S_OK);
    EXPECT_NEAR(Seconds(graph.Position()), 3.0, Seconds(kTolerance));
    Wait(500);
    EXPECT_NEAR(Seconds(graph.Position()), 3.0, Seconds(kTolerance)) << "a paused graph moved";
    ASSERT_TRUE(SUCCEEDED(graph.control->Run()));
    Wait(600);
    EXPECT_NEAR(Seconds(graph.Position()), 3.6, 0.25);

    // The end of the recording is a valid target.
    ASSERT_EQ(graph.SeekTo(duration), S_OK);
    EXPECT_TRUE(SUCCEEDED(graph.control->Stop()));
}

TEST(SourceFilterGraph, DeliversTheAudioOfTheSeekTarget)
{
    CComScope com;
    const std::uint32_t frames = kRate * 12;
    CTempVoiceFile voice(L"kav-filter-target.tmv", MakeClock(frames, kRate), MakeFormat(TmvCodec::ImaAdpcm, 1, kRate));
    ASSERT_TRUE(voice.Ok());

    // The player's graph with a sample grabber between the parser and the audio renderer.
    CPlayerGraph graph;
    ASSERT_EQ(graph.Create(), S_OK);
    ASSERT_EQ(graph.AddSource(voice.Path()), S_OK);
    ComPtr<IBaseFilter> grabberFilter;
    ASSERT_EQ(grabberFilter.CreateInstance(CLSID_SampleGrabber), S_OK);
    ASSERT_EQ(graph.graph->AddFilter(grabberFilter.Get(), L"Sample Grabber"), S_OK);
    ComPtr<ISampleGrabber> grabber;
    ASSERT_EQ(grabberFilter.As(grabber), S_OK);
    AM_MEDIA_TYPE pcm{};
    pcm.majortype = MEDIATYPE_Audio;
    pcm.subtype = MEDIASUBTYPE_PCM;
    ASSERT_EQ(grabber->SetMediaType(&pcm), S_OK);
    CSampleLog log;
    ASSERT_EQ(grabber->SetCallback(&log, 0), S_OK);
    ComPtr<IPin> grabberIn, grabberOut;
    ASSERT_EQ(grabberFilter->FindPin(L"In", &grabberIn), S_OK);
    ASSERT_EQ(grabberFilter->FindPin(L"Out", &grabberOut), S_OK);
    ASSERT_TRUE(SUCCEEDED(graph.graph->Connect(graph.output.Get(), grabberIn.Get())));
    ASSERT_TRUE(SUCCEEDED(graph.graph->Render(grabberOut.Get())));

    // Each check: the first buffer delivered after the seek starts at the target, sample for
    // sample as the decoder gives it.
    // Buffers that were already on their way when the seek began may still arrive after the mark;
    // they continue the old run of steps. The first buffer that breaks that run must be the target.
    auto expectAudioAt = [&](std::size_t mark, double seconds, const char* when) {
        CSampleLog::Buffer buffer;
        ASSERT_TRUE(log.BufferAfter(mark, buffer)) << "no audio after the seek " << when;
        std::int64_t previous = -1;
        if (mark > 0) {
            CSampleLog::Buffer before;
            ASSERT_TRUE(log.BufferAfter(mark - 1, before));
            previous = before.step;
        }
        for (int late = 0; previous >= 0 && late < 8 && std::abs(buffer.step - seconds * 100) > 1.0; ++late) {
            ASSERT_TRUE(buffer.step >= previous && buffer.step <= previous + 50)
                << "audio from neither the old position nor the target " << when << ": step " << buffer.step;
            previous = buffer.step;
            ASSERT_TRUE(log.BufferAfter(++mark, buffer)) << "no audio after the seek " << when;
        }
        const auto frame = static_cast<std::uint64_t>(seconds * kRate);
        EXPECT_NEAR(static_cast<double>(buffer.step), seconds * 100, 1.0) << when;
        const auto expected = Reference(voice.Path(), frame, buffer.samples.size());
        EXPECT_EQ(buffer.samples, expected) << "not the decoded audio of " << seconds << " s " << when;
    };

    std::size_t mark = log.Count();
    ASSERT_TRUE(SUCCEEDED(graph.control->Pause()));
    ASSERT_EQ(graph.WaitForState(State_Paused), S_OK);
    expectAudioAt(mark, 0.0, "at the start");

    ASSERT_TRUE(SUCCEEDED(graph.control->Run()));
    ASSERT_EQ(graph.WaitForState(State_Running), S_OK);
    Wait(300);
    mark = log.Count();
    ASSERT_EQ(graph.SeekTo(kUnitsPerSecond * 13 / 2), S_OK);
    expectAudioAt(mark, 6.5, "while running");

    ASSERT_TRUE(SUCCEEDED(graph.control->Pause()));
    ASSERT_EQ(graph.WaitForState(State_Paused), S_OK);
    mark = log.Count();
    ASSERT_EQ(graph.SeekTo(kUnitsPerSecond * 9 / 4), S_OK);
    expectAudioAt(mark, 2.25, "while paused");

    ASSERT_TRUE(SUCCEEDED(graph.control->Stop()));
    ASSERT_EQ(grabber->SetCallback(nullptr, 0), S_OK);
}

TEST(SourceFilterGraph, ATwoHourTrackPlaysInTheMemoryOfAShortOne)
{
    CComScope com;
    // Plays the last seconds of a silent track of that many seconds and returns how much the
    // process's memory grew meanwhile, in MB.
    auto playEnd = [](std::uint32_t seconds, double& grown) {
        CTempVoiceFile voice(L"kav-filter-long.tmv", std::vector<std::int16_t>(std::size_t{kRate} * seconds),
                             MakeFormat(TmvCodec::ImaAdpcm, 1, kRate));
        ASSERT_TRUE(voice.Ok());
        const std::size_t before = PrivateBytes();
        ASSERT_GT(before, 0u);
        CPlayerGraph graph;
        ASSERT_TRUE(SUCCEEDED(graph.Build(voice.Path())));
        LONGLONG duration = 0;
        ASSERT_EQ(graph.seeking->GetDuration(&duration), S_OK);
        EXPECT_NEAR(Seconds(duration), seconds, 0.2);
        ASSERT_TRUE(SUCCEEDED(graph.control->Run()));
        ASSERT_EQ(graph.WaitForState(State_Running), S_OK);
        Wait(300);
        ASSERT_EQ(graph.SeekTo(duration - 2 * kUnitsPerSecond), S_OK);
        Wait(700);
        EXPECT_NEAR(Seconds(graph.Position()), seconds - 1.3, 0.3);
        grown = (static_cast<double>(PrivateBytes()) - static_cast<double>(before)) / (1 << 20);
    };
    double shortGrowth = 0, longGrowth = 0;
    playEnd(120, shortGrowth);
    playEnd(7200, longGrowth);
    std::printf("memory grown while playing: 2 minutes %.1f MB, 2 hours %.1f MB\n", shortGrowth, longGrowth);
    // Two hours of decoded 16-bit samples would take 115 MB, the file itself 29 MB.
    EXPECT_LT(longGrowth, shortGrowth + 4.0);
}

TEST(SourceFilter, RefusesFilesItCannotPlay)
{
    CComScope com;
    const auto good = EncodeTrack(MakeClock(3000, kRate), MakeFormat(TmvCodec::ImaAdpcm, 1, kRate));
    auto future = good;
    future[4] = 2;
    StoreLe32(future.data() + 32, Crc32(future.data(), 32));
    CTempVoiceFile truncated(L"kav-filter-short.tmv", std::vector<std::uint8_t>(good.begin(), good.end() - 1));
    CTempVoiceFile wave(L"kav-filter-wave.tmv", std::vector<std::uint8_t>{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'});
    CTempVoiceFile later(L"kav-filter-later.tmv", future);
    const auto missing = (std::filesystem::temp_directory_path() / L"kav-no-such-voice.tmv").wstring();

    struct Case {
        std::wstring path;
        HRESULT expected;
    };
    const Case cases[] = {
        {missing, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)},
        {truncated.Path(), VFW_E_INVALID_FILE_FORMAT},
        {wave.Path(), VFW_E_INVALID_FILE_FORMAT},
        {later.Path(), VFW_E_UNSUPPORTED_STREAM},
    };
    for (const Case& c : cases) {
        CPlayerGraph graph;
        ASSERT_EQ(graph.Create(), S_OK);
        EXPECT_EQ(graph.AddSource(c.path), c.expected) << std::hex << c.expected;
    }

    // A filter whose Load failed offers nothing to render.
    ComPtr<IFileSourceFilter> file;
    ASSERT_EQ(file.CreateInstance(CLSID_RecorderSourceFilter), S_OK);
    EXPECT_EQ(file->Load(truncated.Path().c_str(), nullptr), VFW_E_INVALID_FILE_FORMAT);
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(file.As(filter), S_OK);
    CPlayerGraph graph;
    ASSERT_EQ(graph.Create(), S_OK);
    ASSERT_EQ(graph.graph->AddFilter(filter.Get(), kSourceFilterName), S_OK);
    ComPtr<IPin> output;
    ASSERT_EQ(filter->FindPin(kSourceFilterOutputPin, &output), S_OK);
    EXPECT_LT(graph.graph->Render(output.Get()), 0);
}

TEST(SourceFilter, IsAWellBehavedComObjectAndFilter)
{
    CComScope com;
    CTempVoiceFile voice(L"kav-filter-com.tmv", MakeClock(4000, kRate), MakeFormat(TmvCodec::Pcm16, 1, kRate));
    ASSERT_TRUE(voice.Ok());

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(CLSID_RecorderSourceFilter, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               reinterpret_cast<void**>(&factory)), S_OK);
    ComPtr<IUnknown> outer;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&outer)), S_OK);
    ComPtr<IUnknown> aggregated;
    EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_IUnknown, reinterpret_cast<void**>(&aggregated)),
              CLASS_E_NOAGGREGATION);

    CPlayerGraph graph;
    ASSERT_EQ(graph.Create(), S_OK);
    ASSERT_EQ(graph.AddSource(voice.Path()), S_OK);
    IBaseFilter* filter = graph.source.Get();

    ComPtr<IFileSourceFilter> file;
    ASSERT_EQ(graph.source.As(file), S_OK);
    ComPtr<IUnknown> identityA, identityB;
    ASSERT_EQ(file.As(identityA), S_OK);
    ASSERT_EQ(graph.source.As(identityB), S_OK);
    EXPECT_EQ(identityA.Get(), identityB.Get());
    CLSID classId{};
    ASSERT_EQ(filter->GetClassID(&classId), S_OK);
    EXPECT_TRUE(IsEqualCLSID(classId, CLSID_RecorderSourceFilter));

    FILTER_INFO info{};
    ASSERT_EQ(filter->QueryFilterInfo(&info), S_OK);
    EXPECT_STREQ(info.achName, kSourceFilterName);
    EXPECT_EQ(info.pGraph, static_cast<IFilterGraph*>(graph.graph.Get()));
    if (info.pGraph) info.pGraph->Release();

    LPOLESTR current = nullptr;
    AM_MEDIA_TYPE type{};
    ASSERT_EQ(file->GetCurFile(&current, &type), S_OK);
    EXPECT_EQ(std::wstring(current), voice.Path());
    CoTaskMemFree(current);
    EXPECT_TRUE(IsEqualGUID(type.majortype, MEDIATYPE_Stream));
    EXPECT_TRUE(IsEqualGUID(type.subtype, MEDIASUBTYPE_WAVE));

    // One pin, found both ways, with the identifier the player asks for.
    ComPtr<IEnumPins> pins;
    ASSERT_EQ(filter->EnumPins(&pins), S_OK);
    IPin* listed[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(pins->Next(2, listed, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_EQ(listed[0], graph.output.Get());
    listed[0]->Release();
    EXPECT_EQ(pins->Skip(1), S_FALSE);
    ComPtr<IPin> none;
    EXPECT_EQ(filter->FindPin(L"Input", &none), VFW_E_NOT_FOUND);
    LPWSTR id = nullptr;
    ASSERT_EQ(graph.output->QueryId(&id), S_OK);
    EXPECT_STREQ(id, kSourceFilterOutputPin);
    CoTaskMemFree(id);
    PIN_DIRECTION direction = PINDIR_INPUT;
    ASSERT_EQ(graph.output->QueryDirection(&direction), S_OK);
    EXPECT_EQ(direction, PINDIR_OUTPUT);

    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(graph.output->EnumMediaTypes(&types), S_OK);
    AM_MEDIA_TYPE* offered[2] = {};
    ASSERT_EQ(types->Next(2, offered, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_EQ(graph.output->QueryAccept(offered[0]), S_OK);
    CoTaskMemFree(offered[0]);

    // The pin's reader belongs to the pin: asking it for IPin leads back to the same pin.
    ComPtr<IAsyncReader> reader;
    ASSERT_EQ(graph.output.As(reader), S_OK);
    ComPtr<IPin> back;
    ASSERT_EQ(reader.As(back), S_OK);
    EXPECT_EQ(back.Get(), graph.output.Get());

    // Once connected, the file cannot change under the parser, and the pin stays while running.
    ASSERT_TRUE(SUCCEEDED(graph.graph->Render(graph.output.Get())));
    EXPECT_EQ(file->Load(voice.Path().c_str(), nullptr), VFW_E_ALREADY_CONNECTED);
    ASSERT_TRUE(SUCCEEDED(graph.control->Run()));
    EXPECT_EQ(graph.output->Disconnect(), VFW_E_NOT_STOPPED);
}

TEST(SourceFilter, ServesSyncAndQueuedReadsAlsoWhileFlushing)
{
    CComScope com;
    const std::uint32_t frames = 20000;
    CTempVoiceFile voice(L"kav-filter-reader.tmv", MakeClock(frames, kRate), MakeFormat(TmvCodec::Pcm16, 1, kRate));
    ASSERT_TRUE(voice.Ok());
    CPlayerGraph graph;
    ASSERT_EQ(graph.Create(), S_OK);
    ASSERT_EQ(graph.AddSource(voice.Path()), S_OK);
    ComPtr<IAsyncReader> reader;
    ASSERT_EQ(graph.output.As(reader), S_OK);

    LONGLONG total = 0, available = 0;
    ASSERT_EQ(reader->Length(&total, &available), S_OK);
    EXPECT_EQ(total, 44 + frames * 2);
    EXPECT_EQ(available, total);

    // Frame f is at byte 44 + 2f of the WAVE stream.
    auto sampleAt = [&](std::uint64_t frame, HRESULT& hr) {
        std::int16_t value = 0;
        hr = reader->SyncRead(44 + 2 * frame, 2, reinterpret_cast<BYTE*>(&value));
        return value;
    };
    HRESULT hr = E_FAIL;
    EXPECT_EQ(sampleAt(12345, hr), ClockValue(12345, kRate));
    EXPECT_EQ(hr, S_OK);
    ASSERT_EQ(reader->BeginFlush(), S_OK);
    EXPECT_EQ(sampleAt(777, hr), ClockValue(777, kRate)) << "reads must go on while flushing";
    EXPECT_EQ(hr, S_OK);
    BYTE tail[8] = {};
    EXPECT_EQ(reader->SyncRead(total - 4, 8, tail), S_FALSE) << "a read past the end";

    // Queued reads: while flushing a request is refused; afterwards it is served in full.
    ALLOCATOR_PROPERTIES wanted{2, 4096, 1, 0};
    ComPtr<IMemAllocator> allocator;
    ASSERT_EQ(reader->RequestAllocator(nullptr, &wanted, &allocator), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    ComPtr<IMediaSample> sample;
    ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
    const std::uint64_t firstFrame = 5000;
    REFERENCE_TIME start = (44 + 2 * firstFrame) * kUnitsPerSecond, stop = start + 4096 * kUnitsPerSecond;
    ASSERT_EQ(sample->SetTime(&start, &stop), S_OK);
    EXPECT_EQ(reader->Request(sample.Get(), 7), VFW_E_WRONG_STATE);
    IMediaSample* done = nullptr;
    DWORD_PTR user = 0;
    EXPECT_EQ(reader->WaitForNext(0, &done, &user), VFW_E_WRONG_STATE);
    EXPECT_EQ(done, nullptr);
    ASSERT_EQ(reader->EndFlush(), S_OK);

    EXPECT_EQ(reader->WaitForNext(20, &done, &user), VFW_E_TIMEOUT);
    ASSERT_EQ(reader->Request(sample.Get(), 7), S_OK);
    ASSERT_EQ(reader->WaitForNext(1000, &done, &user), S_OK);
    ASSERT_EQ(done, sample.Get());
    EXPECT_EQ(user, 7u);
    EXPECT_EQ(done->GetActualDataLength(), 4096);
    BYTE* data = nullptr;
    ASSERT_EQ(done->GetPointer(&data), S_OK);
    const auto* samples = reinterpret_cast<const std::int16_t*>(data);
    for (std::uint64_t i = 0; i < 2048; i += 97) EXPECT_EQ(samples[i], ClockValue(firstFrame + i, kRate)) << i;
    done->Release();

    // A request still queued when a flush begins comes back unread.
    ASSERT_EQ(reader->Request(sample.Get(), 8), S_OK);
    ASSERT_EQ(reader->BeginFlush(), S_OK);
    EXPECT_EQ(reader->WaitForNext(1000, &done, &user), VFW_E_WRONG_STATE);
    EXPECT_EQ(done, sample.Get());
    EXPECT_EQ(user, 8u);
    if (done) done->Release();
    ASSERT_EQ(reader->EndFlush(), S_OK);
    sample.Reset();
    EXPECT_EQ(allocator->Decommit(), S_OK);
}

TEST(SpeedFilter, JoinsTheGraphBetweenTheParsersPcmAndTheRendererAndKeepsTheGraphsRateAtOne)
{
    CComScope com;
    CTempVoiceFile track(L"kav-speed-filter.tmv", MakeClock(kRate * 3, kRate), MakeFormat(TmvCodec::ImaAdpcm, 1, kRate));
    ASSERT_TRUE(track.Ok());
    CPlayerGraph graph;
    ASSERT_EQ(graph.Create(), S_OK);
    ASSERT_EQ(graph.AddSource(track.Path()), S_OK);

    // Served by the same DLL under its own class identifier.
    ComPtr<IBaseFilter> speed;
    ASSERT_EQ(CoCreateInstance(CLSID_SpeedFilter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                               reinterpret_cast<void**>(&speed)), S_OK);
    ASSERT_EQ(graph.graph->AddFilter(speed.Get(), kSpeedFilterName), S_OK);
    ComPtr<IPin> input, output, other;
    ASSERT_EQ(speed->FindPin(L"Input", &input), S_OK);
    ASSERT_EQ(speed->FindPin(L"Output", &output), S_OK);
    EXPECT_EQ(speed->FindPin(L"In", &other), VFW_E_NOT_FOUND);

    // Nothing to offer before its input has PCM; the source's byte stream is not PCM.
    EXPECT_TRUE(FAILED(graph.graph->Render(output.Get())));
    EXPECT_TRUE(FAILED(graph.graph->ConnectDirect(graph.output.Get(), input.Get(), nullptr)));
    ASSERT_EQ(graph.graph->Connect(graph.output.Get(), input.Get()), S_OK) << "no parser between them";
    AM_MEDIA_TYPE type{};
    ASSERT_EQ(input->ConnectionMediaType(&type), S_OK);
    const auto* format = reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat);
    ASSERT_TRUE(IsEqualGUID(type.subtype, MEDIASUBTYPE_PCM) && format);
    EXPECT_EQ(format->nSamplesPerSec, kRate);
    EXPECT_EQ(format->wBitsPerSample, 16);
    CoTaskMemFree(type.pbFormat);
    ASSERT_EQ(graph.graph->Render(output.Get()), S_OK);

    // Seeking passes through in recording time; the rate is the filter's own business.
    LONGLONG duration = 0;
    ASSERT_EQ(graph.seeking->GetDuration(&duration), S_OK);
    EXPECT_EQ(duration, FramesToMediaTime(kRate * 3, kRate));
    ComPtr<IMediaSeeking> seeking;
    ASSERT_EQ(output.As(seeking), S_OK);
    EXPECT_EQ(seeking->SetRate(2.0), E_NOTIMPL);
    double rate = 0;
    EXPECT_EQ(seeking->GetRate(&rate), S_OK);
    EXPECT_EQ(rate, 1.0);
    ComPtr<ISpeedControl> control;
    ASSERT_EQ(speed.As(control), S_OK);
    EXPECT_EQ(control->SetSpeed(0.4), E_INVALIDARG);
    EXPECT_EQ(control->SetSpeed(1.5), S_OK);
    double chosen = 0;
    EXPECT_EQ(control->GetSpeed(&chosen), S_OK);
    EXPECT_EQ(chosen, 1.5);

    ASSERT_EQ(graph.SeekTo(2 * kUnitsPerSecond), S_OK);
    REFERENCE_TIME position = 0;
    EXPECT_EQ(control->GetRecordingPosition(&position), S_OK);
    EXPECT_EQ(position, 2 * kUnitsPerSecond);
}
