#pragma once
// Where the voice library reads and writes bytes. The decoder asks for byte ranges by absolute
// offset, so a file is never loaded whole: memory stays the same for any track length.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

class IByteSource {
public:
    virtual ~IByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Reads exactly `size` bytes at `offset`; false when they are not all there or reading fails.
    virtual bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size) = 0;
};

class IByteSink {
public:
    virtual ~IByteSink() = default;
    // Appends at the end of what has been written so far.
    virtual bool Write(const void* data, std::size_t size) = 0;
    // Overwrites bytes already written (headers whose sizes are known only at the end).
    virtual bool WriteAt(std::uint64_t offset, const void* data, std::size_t size) = 0;
};

class CMemorySource : public IByteSource {
public:
    CMemorySource(const void* data, std::size_t size) : m_data(static_cast<const std::uint8_t*>(data)), m_size(size) {}
    explicit CMemorySource(const std::vector<std::uint8_t>& bytes) : CMemorySource(bytes.data(), bytes.size()) {}
    std::uint64_t Size() const override { return m_size; }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override;

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

class CMemorySink : public IByteSink {
public:
    bool Write(const void* data, std::size_t size) override;
    bool WriteAt(std::uint64_t offset, const void* data, std::size_t size) override;
    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
};

class CFileSource : public IByteSource {
public:
    // IsOpen() tells whether the file could be opened.
    explicit CFileSource(const std::filesystem::path& path);
    bool IsOpen() const { return m_open; }
    std::uint64_t Size() const override { return m_size; }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override;

private:
    std::ifstream m_file;
    std::uint64_t m_size = 0;
    bool m_open = false;
};

class CFileSink : public IByteSink {
public:
    // Creates or truncates the file; IsOpen() tells whether that worked.
    explicit CFileSink(const std::filesystem::path& path);
    bool IsOpen() const { return m_file.is_open(); }
    bool Write(const void* data, std::size_t size) override;
    bool WriteAt(std::uint64_t offset, const void* data, std::size_t size) override;
    // Flushes and closes; false when anything written could not reach the file.
    bool Close();

private:
    std::fstream m_file;
};

// Little-endian field access shared by the header readers and writers.
inline std::uint16_t LoadLe16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t LoadLe32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
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
