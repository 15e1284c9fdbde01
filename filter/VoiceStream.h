#pragma once
// What the output pin reads from: a loaded voice file seen as the PCM WAVE stream it decodes to.
// Nothing is decoded ahead: each read decodes only the blocks under it.

#include "base/Handles.h"
#include "voice/WaveStreamView.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

// Positional reads of a file through its own handle, so no shared file pointer is involved.
class CWin32FileSource : public IByteSource {
public:
    HRESULT Open(const std::wstring& path);
    std::uint64_t Size() const override { return m_size; }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override;

private:
    UniqueFile m_file;
    std::uint64_t m_size = 0;
};

class CVoiceStream {
public:
    // Opens and checks the voice file; fails with a DirectShow or Win32 code saying why.
    static HRESULT Load(const std::wstring& path, std::unique_ptr<CVoiceStream>& stream);

    CVoiceStream(const CVoiceStream&) = delete;
    CVoiceStream& operator=(const CVoiceStream&) = delete;

    std::uint64_t Length() const { return m_view.Length(); }
    // Copies `size` bytes of the stream from `offset`; S_FALSE when the stream ends first.
    HRESULT Read(std::uint64_t offset, std::uint8_t* buffer, std::size_t size, std::size_t& copied);

private:
    CVoiceStream() = default;

    CWin32FileSource m_file;
    CWaveStreamView m_view;
};

// The result code the filter reports for a failure of the voice library.
HRESULT VoiceResultToHResult(VoiceResult result);
