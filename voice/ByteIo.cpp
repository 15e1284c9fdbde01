#include "voice/ByteIo.h"

#include <cstring>
#include <limits>

bool CMemorySource::ReadAt(std::uint64_t offset, void* buffer, std::size_t size)
{
    if (offset > m_size || size > m_size - offset) return false;
    if (size) std::memcpy(buffer, m_data + offset, size);
    return true;
}

bool CMemorySink::Write(const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    m_bytes.insert(m_bytes.end(), bytes, bytes + size);
    return true;
}

bool CMemorySink::WriteAt(std::uint64_t offset, const void* data, std::size_t size)
{
    if (offset > m_bytes.size() || size > m_bytes.size() - offset) return false;
    if (size) std::memcpy(m_bytes.data() + offset, data, size);
    return true;
}

CFileSource::CFileSource(const std::filesystem::path& path) : m_file(path, std::ios::binary)
{
    if (!m_file.is_open()) return;
    m_file.seekg(0, std::ios::end);
    const std::streamoff end = m_file.tellg();
    if (end < 0) return;
    m_size = static_cast<std::uint64_t>(end);
    m_open = true;
}

bool CFileSource::ReadAt(std::uint64_t offset, void* buffer, std::size_t size)
{
    if (!m_open || offset > m_size || size > m_size - offset) return false;
    if (size == 0) return true;
    if (size > static_cast<std::uint64_t>(std::numeric_limits<std::streamsize>::max())) return false;
    m_file.clear();
    m_file.seekg(static_cast<std::streamoff>(offset));
    m_file.read(static_cast<char*>(buffer), static_cast<std::streamsize>(size));
    return m_file.gcount() == static_cast<std::streamsize>(size);
}

CFileSink::CFileSink(const std::filesystem::path& path)
    : m_file(path, std::ios::binary | std::ios::in | std::ios::out | std::ios::trunc)
{
}

bool CFileSink::Write(const void* data, std::size_t size)
{
    m_file.seekp(0, std::ios::end);
    m_file.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return m_file.good();
}

bool CFileSink::WriteAt(std::uint64_t offset, const void* data, std::size_t size)
{
    m_file.seekp(static_cast<std::streamoff>(offset));
    m_file.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return m_file.good();
}

bool CFileSink::Close()
{
    if (!m_file.is_open()) return false;
    m_file.flush();
    const bool good = m_file.good();
    m_file.close();
    return good && !m_file.fail();
}
