#pragma once
// The filter's one output pin, "Output". It is a pull pin: the downstream WAVE parser asks for
// byte ranges through IAsyncReader (on the parser's own threads), and each range is decoded from
// the voice file when it is asked for. The parser does the timing, seeking and delivery.

#include "base/ComPtr.h"
#include "filter/VoiceStream.h"

#include <dshow.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

class CSourceFilter;
class COutputPin;

// IAsyncReader of the pin, a separate object because IPin and IAsyncReader both declare
// BeginFlush and EndFlush with different meanings. Its identity (IUnknown) is the pin's.
class CAsyncReader final : public IAsyncReader {
public:
    explicit CAsyncReader(COutputPin& pin) : m_pin(pin) {}
    ~CAsyncReader();

    void SetStream(std::unique_ptr<CVoiceStream> stream);
    bool HasStream();

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IAsyncReader
    STDMETHODIMP RequestAllocator(IMemAllocator* preferred, ALLOCATOR_PROPERTIES* properties,
                                  IMemAllocator** actual) override;
    STDMETHODIMP Request(IMediaSample* sample, DWORD_PTR user) override;
    STDMETHODIMP WaitForNext(DWORD timeout, IMediaSample** sample, DWORD_PTR* user) override;
    STDMETHODIMP SyncReadAligned(IMediaSample* sample) override;
    STDMETHODIMP SyncRead(LONGLONG position, LONG length, BYTE* buffer) override;
    STDMETHODIMP Length(LONGLONG* total, LONGLONG* available) override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;

private:
    struct PendingRead {
        IMediaSample* sample;  // counted
        DWORD_PTR user;
    };
    HRESULT ReadLocked(LONGLONG position, LONG length, BYTE* buffer, LONG& copied);
    HRESULT FillSampleLocked(IMediaSample* sample);

    COutputPin& m_pin;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::unique_ptr<CVoiceStream> m_stream;
    std::deque<PendingRead> m_pending;
    bool m_flushing = false;
};

class COutputPin final : public IPin {
public:
    explicit COutputPin(CSourceFilter& filter) : m_filter(filter), m_reader(*this) {}

    CAsyncReader& Reader() { return m_reader; }
    bool IsConnected();

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

private:
    CSourceFilter& m_filter;
    CAsyncReader m_reader;
    std::mutex m_lock;
    ComPtr<IPin> m_connected;
};
