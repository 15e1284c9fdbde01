#pragma once
// Fixed-size numbers in a byte buffer, in the byte order a format prescribes: the container,
// the voice track and WAVE are little-endian, the picture index is big-endian. The caller
// checks that the bytes are there.

#include <cstdint>

inline std::uint16_t LoadLe16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t LoadLe32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(LoadLe16(p)) | (static_cast<std::uint32_t>(LoadLe16(p + 2)) << 16);
}
inline std::uint64_t LoadLe64(const std::uint8_t* p)
{
    return static_cast<std::uint64_t>(LoadLe32(p)) | (static_cast<std::uint64_t>(LoadLe32(p + 4)) << 32);
}
inline void StoreLe16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void StoreLe32(std::uint8_t* p, std::uint32_t v)
{
    StoreLe16(p, static_cast<std::uint16_t>(v));
    StoreLe16(p + 2, static_cast<std::uint16_t>(v >> 16));
}
inline void StoreLe64(std::uint8_t* p, std::uint64_t v)
{
    StoreLe32(p, static_cast<std::uint32_t>(v));
    StoreLe32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

inline std::uint16_t LoadBe16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }
inline std::uint32_t LoadBe32(const std::uint8_t* p)
{
    return (static_cast<std::uint32_t>(LoadBe16(p)) << 16) | LoadBe16(p + 2);
}
inline void StoreBe16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}
inline void StoreBe32(std::uint8_t* p, std::uint32_t v)
{
    StoreBe16(p, static_cast<std::uint16_t>(v >> 16));
    StoreBe16(p + 2, static_cast<std::uint16_t>(v));
}
