#pragma once
// Shared pieces of the source-filter tests: voice files on disk and the graph built exactly as
// the audio player builds it.

#include "base/ComPtr.h"
#include "base/ComScope.h"
#include "base/ExternalNames.h"
#include "tests/support/TestSignals.h"
#include "filter/SpeedControl.h"

#include <dshow.h>

#include <filesystem>
#include <string>

// A voice file in the temporary folder, removed at the end of the test.
class CTempVoiceFile {
public:
    // Writes `samples` (mono) as a TMV track.
    CTempVoiceFile(const wchar_t* name, const std::vector<std::int16_t>& samples, const TmvFormat& format)
        : m_path(std::filesystem::temp_directory_path() / name)
    {
        CFileSink sink(m_path);
        CTmvWriter writer;
        m_ok = sink.IsOpen() && writer.Begin(sink, format) == VoiceResult::Ok &&
               writer.Write(samples.data(), samples.size() / format.channels) == VoiceResult::Ok &&
               writer.Finish() == VoiceResult::Ok && sink.Close();
        m_header = writer.Header();
    }
    // Writes raw bytes, for files that are not valid tracks.
    CTempVoiceFile(const wchar_t* name, const std::vector<std::uint8_t>& bytes)
        : m_path(std::filesystem::temp_directory_path() / name)
    {
        CFileSink sink(m_path);
        m_ok = sink.IsOpen() && sink.Write(bytes.data(), bytes.size()) && sink.Close();
    }
    ~CTempVoiceFile()
    {
        std::error_code ignored;
        std::filesystem::remove(m_path, ignored);
    }
    bool Ok() const { return m_ok; }
    std::wstring Path() const { return m_path.wstring(); }
    const TmvHeader& Header() const { return m_header; }

private:
    std::filesystem::path m_path;
    TmvHeader m_header;
    bool m_ok = false;
};

// The graph of the audio player: the interfaces it keeps, and the steps of its build, each
// checked on its own.
struct CPlayerGraph {
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IMediaSeeking> seeking;
    ComPtr<IBaseFilter> source;
    ComPtr<IPin> output;

    HRESULT Create()
    {
        HRESULT hr = graph.CreateInstance(CLSID_FilterGraph);
        if (FAILED(hr)) return hr;
        if (FAILED(hr = graph.As(control))) return hr;
        if (FAILED(hr = graph.As(seeking))) return hr;
        return seeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
    }

    // Creation by class identifier, Load, AddFilter under the player's name, FindPin("Output").
    HRESULT AddSource(const std::wstring& path)
    {
        ComPtr<IFileSourceFilter> file;
        HRESULT hr = file.CreateInstance(CLSID_RecorderSourceFilter);
        if (FAILED(hr)) return hr;
        BSTR name = SysAllocString(path.c_str());
        if (!name) return E_OUTOFMEMORY;
        hr = file->Load(name, nullptr);
        SysFreeString(name);
        if (FAILED(hr)) return hr;
        if (FAILED(hr = file.As(source))) return hr;
        if (FAILED(hr = graph->AddFilter(source.Get(), kSourceFilterName))) return hr;
        return source->FindPin(kSourceFilterOutputPin, &output);
    }

    HRESULT Build(const std::wstring& path)
    {
        HRESULT hr = Create();
        if (FAILED(hr)) return hr;
        if (FAILED(hr = AddSource(path))) return hr;
        return graph->Render(output.Get());
    }

    // Waits until a state change the graph reported as pending has completed.
    HRESULT WaitForState(OAFilterState wanted)
    {
        OAFilterState state = State_Stopped;
        for (int i = 0; i < 50; ++i) {
            const HRESULT hr = control->GetState(100, &state);
            if (FAILED(hr)) return hr;
            if (hr == S_OK && state == wanted) return S_OK;
        }
        return E_FAIL;
    }

    LONGLONG Position()
    {
        LONGLONG position = -1;
        return SUCCEEDED(seeking->GetCurrentPosition(&position)) ? position : -1;
    }

    HRESULT SeekTo(LONGLONG position)
    {
        return seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    }

    ~CPlayerGraph()
    {
        if (control) control->Stop();
    }
};

constexpr LONGLONG kUnitsPerSecond = 10000000;

inline LONGLONG FramesToMediaTime(std::uint64_t frames, std::uint32_t rate)
{
    return static_cast<LONGLONG>(frames * kUnitsPerSecond / rate);
}
