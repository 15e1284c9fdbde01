#include "filter/VoiceStream.h"

#include <dshow.h>

HRESULT CWin32FileSource::Open(const std::wstring& path)
{
    // Others may read the file while it plays, but nobody may change it under the decoder.
    m_file.Reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_RANDOM_ACCESS, nullptr));
    if (!m_file) return HRESULT_FROM_WIN32(GetLastError());
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(m_file.Get(), &size)) return HRESULT_FROM_WIN32(GetLastError());
    m_size = static_cast<std::uint64_t>(size.QuadPart);
    return S_OK;
}

bool CWin32FileSource::ReadAt(std::uint64_t offset, void* buffer, std::size_t size)
{
    if (!m_file || offset > m_size || size > m_size - offset) return false;
    auto* out = static_cast<std::uint8_t*>(buffer);
    while (size > 0) {
        const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD read = 0;
        if (!ReadFile(m_file.Get(), out, chunk, &read, &at) || read != chunk) return false;
        out += chunk;
        offset += chunk;
        size -= chunk;
    }
    return true;
}

HRESULT CVoiceStream::Load(const std::wstring& path, std::unique_ptr<CVoiceStream>& stream)
{
    std::unique_ptr<CVoiceStream> loaded(new (std::nothrow) CVoiceStream);
    if (!loaded) return E_OUTOFMEMORY;
    const HRESULT opened = loaded->m_file.Open(path);
    if (FAILED(opened)) return opened;
    const VoiceResult checked = loaded->m_view.Open(loaded->m_file);
    if (checked != VoiceResult::Ok) return VoiceResultToHResult(checked);
    stream = std::move(loaded);
    return S_OK;
}

HRESULT CVoiceStream::Read(std::uint64_t offset, std::uint8_t* buffer, std::size_t size, std::size_t& copied)
{
    const VoiceResult result = m_view.Read(offset, buffer, size, copied);
    if (result != VoiceResult::Ok) return VoiceResultToHResult(result);
    return copied == size ? S_OK : S_FALSE;
}

HRESULT VoiceResultToHResult(VoiceResult result)
{
    switch (result) {
    case VoiceResult::Ok:
        return S_OK;
    case VoiceResult::NotTmv:
    case VoiceResult::BadHeader:
    case VoiceResult::BadChecksum:
    case VoiceResult::Truncated:
    case VoiceResult::TrailingData:
    case VoiceResult::CorruptBlock:
        return VFW_E_INVALID_FILE_FORMAT;
    case VoiceResult::UnsupportedVersion:
    case VoiceResult::UnsupportedCodec:
        return VFW_E_UNSUPPORTED_STREAM;
    case VoiceResult::TooLong:
        return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
    case VoiceResult::ReadError:
        return HRESULT_FROM_WIN32(ERROR_READ_FAULT);
    case VoiceResult::OutOfRange:
        return E_INVALIDARG;
    default:
        return E_FAIL;
    }
}
