#pragma once
// What the speed filter offers the audio player besides IBaseFilter: the listening speed, and
// the recording time being heard now. The graph's own clock runs at the speed of the room, so
// only the filter can tell which moment of the recording that is.

#include <unknwn.h>
#include <strmif.h>

struct ISpeedControl : public IUnknown {
    // 0.5 to 2; E_INVALIDARG outside. Applies within a few tens of milliseconds of output.
    virtual HRESULT STDMETHODCALLTYPE SetSpeed(double speed) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSpeed(double* speed) = 0;
    // The recording time (100 ns units, from the start of the recording) of the sound the
    // renderer plays at this moment of the graph's stream time.
    virtual HRESULT STDMETHODCALLTYPE GetRecordingPosition(REFERENCE_TIME* position) = 0;
};
__CRT_UUID_DECL(ISpeedControl, 0xC3B1E84F, 0x6A27, 0x4D5B, 0x9E, 0x08, 0x41, 0xF7, 0xA2, 0xD6, 0xB9, 0x15)
