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
