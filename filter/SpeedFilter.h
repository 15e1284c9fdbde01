#pragma once
// The speed filter: an audio transform between the decoded 16-bit PCM and the audio renderer
// that plays the voice faster or slower with its pitch kept (voice/TimeStretch.h).
//
// The graph's rate stays 1: sample times downstream are times of the room, so the renderer and
// the graph's clock need to know nothing of the speed. Upstream everything stays in recording
// time: seeks and the duration pass through the output pin's IMediaSeeking to the parser. The
// recording time being heard now comes from ISpeedControl, which maps the stream time through
// the marks the filter set as it delivered its output.
//
// Free-threaded: the graph's thread calls the state methods, the parser's thread delivers the
// input, and the player's thread asks for the position and changes the speed.

#include "filter/MediaType.h"
#include "filter/SpeedControl.h"
#include "filter/SpeedTimeline.h"
#include "base/ComPtr.h"
#include "voice/TimeStretch.h"

#include <dshow.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

class CSpeedFilter;

// Frames the filter pushes into the stretcher and delivers downstream at a time: 20 ms, short
// enough that a new speed is heard soon.
std::size_t SpeedPieceFrames(std::uint32_t sampleRate);

extern const wchar_t kSpeedInputPinId[];
extern const wchar_t kSpeedOutputPinId[];

// "Input": takes the parser's PCM samples (IMemInputPin) on the parser's thread.
class CSpeedInputPin final : public IPin, public IMemInputPin {
public:
    explicit CSpeedInputPin(CSpeedFilter& filter) : m_filter(filter) {}

    bool IsConnected();
    // The upstream pin, for the seeking requests that pass through to it.
    ComPtr<IPin> Upstream();
    HRESULT CopyType(CMediaType& type);

    // IUnknown: the pin lives inside the filter and shares its count.
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IPin
    STDMETHODIMP Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP ConnectedTo(IPin** pin) override;
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override;
    STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION* direction) override;
    STDMETHODIMP QueryId(LPWSTR* id) override;
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
    STDMETHODIMP QueryInternalConnections(IPin** pins, ULONG* count) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    // IMemInputPin
    STDMETHODIMP GetAllocator(IMemAllocator** allocator) override;
    STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override;
    STDMETHODIMP Receive(IMediaSample* sample) override;
    STDMETHODIMP ReceiveMultiple(IMediaSample** samples, long count, long* processed) override;
    STDMETHODIMP ReceiveCanBlock() override;

private:
    CSpeedFilter& m_filter;
    std::mutex m_lock;
    ComPtr<IPin> m_connected;
    CMediaType m_type;
};

// "Out": delivers the stretched PCM to the renderer, and passes the graph's seeking requests
// (which reach it through the renderer) on to the parser.
class CSpeedOutputPin final : public IPin, public IMediaSeeking {
public:
    explicit CSpeedOutputPin(CSpeedFilter& filter) : m_filter(filter) {}

    bool IsConnected();
    HRESULT CommitAllocator();
    void DecommitAllocator();
    // Downstream calls, on the streaming thread; S_FALSE when nothing is connected.
    HRESULT Deliver(const std::int16_t* frames, std::size_t count, std::size_t channels, REFERENCE_TIME start,
                    REFERENCE_TIME stop, bool discontinuity);
    HRESULT DeliverEndOfStream();
    HRESULT DeliverBeginFlush();
    HRESULT DeliverEndFlush();
    HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    // IUnknown: the pin lives inside the filter and shares its count.
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IPin
    STDMETHODIMP Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP ConnectedTo(IPin** pin) override;
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override;
    STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION* direction) override;
    STDMETHODIMP QueryId(LPWSTR* id) override;
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
    STDMETHODIMP QueryInternalConnections(IPin** pins, ULONG* count) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    // IMediaSeeking: recording time, passed on to the parser; the rate stays 1 (see above).
    STDMETHODIMP GetCapabilities(DWORD* capabilities) override;
    STDMETHODIMP CheckCapabilities(DWORD* capabilities) override;
    STDMETHODIMP IsFormatSupported(const GUID* format) override;
    STDMETHODIMP QueryPreferredFormat(GUID* format) override;
    STDMETHODIMP GetTimeFormat(GUID* format) override;
    STDMETHODIMP IsUsingTimeFormat(const GUID* format) override;
    STDMETHODIMP SetTimeFormat(const GUID* format) override;
    STDMETHODIMP GetDuration(LONGLONG* duration) override;
    STDMETHODIMP GetStopPosition(LONGLONG* stop) override;
    STDMETHODIMP GetCurrentPosition(LONGLONG* current) override;
    STDMETHODIMP ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                   const GUID* sourceFormat) override;
    STDMETHODIMP SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) override;
    STDMETHODIMP GetPositions(LONGLONG* current, LONGLONG* stop) override;
    STDMETHODIMP GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
    STDMETHODIMP SetRate(double rate) override;
    STDMETHODIMP GetRate(double* rate) override;
    STDMETHODIMP GetPreroll(LONGLONG* preroll) override;

private:
    // Runs `call` on the parser's IMediaSeeking, reached through the input pin's connection.
    template <class Call>
    HRESULT PassUpstream(Call call);
    // Sets up the renderer's allocator for pieces of this format once it has taken the connection.
    HRESULT NegotiateAllocator(IPin* receivePin, const WAVEFORMATEX& format);

    CSpeedFilter& m_filter;
    std::mutex m_lock;
    ComPtr<IPin> m_connected;
    ComPtr<IMemInputPin> m_receiver;
    ComPtr<IMemAllocator> m_allocator;
};

class CSpeedFilter final : public IBaseFilter, public ISpeedControl {
public:
    // Creates a filter and queries it for `iid`, as the class factory does.
    static HRESULT Create(REFIID iid, void** object);

    bool IsStopped();
    CSpeedInputPin& Input() { return m_input; }
    // Called by the input pin when it connects: the format the stretcher works in.
    HRESULT SetInputFormat(const WAVEFORMATEX& format);

    // Streaming, on the parser's thread.
    HRESULT Receive(IMediaSample* sample);
    HRESULT EndOfStream();
    HRESULT BeginFlush();
    HRESULT EndFlush();
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);
    // The graph has moved the recording to `start`; what plays from now on comes from there.
    void OnSeek(REFERENCE_TIME start);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IPersist
    STDMETHODIMP GetClassID(CLSID* classId) override;
    // IMediaFilter
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME start) override;
    STDMETHODIMP GetState(DWORD timeout, FILTER_STATE* state) override;
    STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
    STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;
    // IBaseFilter
    STDMETHODIMP EnumPins(IEnumPins** pins) override;
    STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override;
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
    STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    STDMETHODIMP QueryVendorInfo(LPWSTR* vendorInfo) override;
    // ISpeedControl
    STDMETHODIMP SetSpeed(double speed) override;
    STDMETHODIMP GetSpeed(double* speed) override;
    STDMETHODIMP GetRecordingPosition(REFERENCE_TIME* position) override;

private:
    CSpeedFilter();
    ~CSpeedFilter();

    // The graph's stream time now: running, from the clock; paused, where it stood.
    REFERENCE_TIME StreamTimeLocked();
    // Holds the streaming thread until `start` is less than the lead ahead of the stream time,
    // so a new speed is heard soon; false when a flush or a stop ends the wait.
    bool WaitUntilDue(REFERENCE_TIME start);
    // Hands the stretcher's output to the renderer, setting a timeline mark for each piece.
    HRESULT DeliverStretched();
    void ResetStream();

    std::atomic<ULONG> m_refs{1};

    // Filter state, the clock and the timeline; never held across a call into another filter.
    std::mutex m_lock;
    std::condition_variable m_changed;
    FILTER_STATE m_state = State_Stopped;
    ComPtr<IReferenceClock> m_clock;
    REFERENCE_TIME m_runStart = 0;
    REFERENCE_TIME m_pausedStreamTime = 0;
    IFilterGraph* m_graph = nullptr;  // not counted: the graph owns the filter, not the reverse
    std::wstring m_name;
    double m_speed = 1.0;
    bool m_flushing = false;
    REFERENCE_TIME m_segmentStart = 0;
    CSpeedTimeline m_timeline;

    // The stream, on the streaming thread only (and under m_streamLock for flushes and stops).
    std::mutex m_streamLock;
    CTimeStretcher m_stretcher;
    bool m_started = false;          // a sample has come since the last flush or stop
    REFERENCE_TIME m_inputStart = 0; // the stream time of that first sample
    std::uint64_t m_inputFrames = 0;
    std::uint64_t m_outputFrames = 0;
    bool m_discontinuity = true;
    std::vector<std::int16_t> m_piece;

    CSpeedInputPin m_input;
    CSpeedOutputPin m_output;
};
