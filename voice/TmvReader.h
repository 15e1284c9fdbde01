#pragma once
// Random-access decoder of a TMV track. It keeps exactly one block's bytes and samples in
// memory and decodes on demand, so its footprint does not depend on the track's length.

#include "voice/ByteIo.h"
#include "voice/TmvFormat.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CTmvReader {
public:
    // Checks the header and that the source is exactly as long as the header says. The source
    // must outlive the reader; it is read again on every block the reader decodes.
    VoiceResult Open(IByteSource& source);
    bool IsOpen() const { return m_source != nullptr; }
    const TmvHeader& Header() const { return m_header; }

    // Decodes frames first .. first + count - 1 into `frames` (count * channels samples,
    // interleaved). OutOfRange when the range does not lie inside the track.
    VoiceResult ReadFrames(std::uint64_t first, std::size_t count, std::int16_t* frames);

private:
    VoiceResult LoadBlock(std::uint64_t block);

    IByteSource* m_source = nullptr;
    TmvHeader m_header;
    std::vector<std::uint8_t> m_blockBytes;
    std::vector<std::int16_t> m_blockFrames;
    std::uint64_t m_loadedBlock = 0;
    bool m_haveBlock = false;
};
