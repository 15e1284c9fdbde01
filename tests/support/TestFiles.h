#pragma once
// Bytes the tests make, edit and keep in files: patterned content, numbers put into a buffer in
// a format's byte order, and whole-file reads and writes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// Bytes that differ from position to position and from seed to seed.
Bytes Pattern(std::size_t size, std::uint8_t seed);

// Numbers written into `bytes` at `at`; std::out_of_range when they do not fit.
void PutLe16(Bytes& bytes, std::size_t at, std::uint16_t value);
void PutLe32(Bytes& bytes, std::size_t at, std::uint32_t value);
void PutBe32(Bytes& bytes, std::size_t at, std::uint32_t value);

// False when the file could not be written whole.
bool WriteFileBytes(const std::wstring& path, const Bytes& bytes);
// The whole file; empty when it cannot be read.
Bytes ReadFileBytes(const std::wstring& path);
bool PathExists(const std::wstring& path);
