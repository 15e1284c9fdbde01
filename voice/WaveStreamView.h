#pragma once
// A TMV track seen as the 16-bit PCM WAVE file it decodes to, without ever building that file:
// any byte range of the virtual file is produced on request by decoding only the blocks under
// it. Byte 44 + f * blockAlign is the first byte of sample frame f.

#include "voice/TmvReader.h"
#include "voice/WavFile.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CWaveStreamView {
public:
    // TooLong when the decoded samples would not fit a WAVE file's 32-bit sizes.
    VoiceResult Open(IByteSource& tmv);
    const TmvHeader& Header() const { return m_reader.Header(); }
    std::uint64_t Length() const { return m_length; }
    std::uint32_t BlockAlign() const { return Header().channels * 2u; }

    // Copies up to `size` bytes starting at `offset`; `copied` is less than `size` only at the end
    // of the virtual file.
    VoiceResult Read(std::uint64_t offset, std::uint8_t* buffer, std::size_t size, std::size_t& copied);

private:
    CTmvReader m_reader;
    std::uint8_t m_header[kWavHeaderSize] = {};
    std::uint64_t m_length = 0;
    std::vector<std::int16_t> m_frames;
};
