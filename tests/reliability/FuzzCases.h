#pragma once
// The mutation fuzzer's inputs: valid documents, picture indexes and voice tracks made by the
// project's own writers, and the mutations that make them hostile. A case is a pure function of
// its kind and number, so any finding can be made again from those two alone.

#include "document/PictureIndex.h"
#include "tests/support/TestFiles.h"

#include <cstdint>
#include <string>
#include <vector>

// A small, fast generator with a fixed sequence for each seed (SplitMix64).
class CRandom {
public:
    explicit CRandom(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t Next();
    // A number in [0, bound); 0 when bound is 0.
    std::uint64_t Below(std::uint64_t bound) { return bound ? Next() % bound : 0; }
    bool OneIn(std::uint64_t n) { return Below(n) == 0; }
    template <class T>
    const T& Pick(const std::vector<T>& items) { return items[static_cast<std::size_t>(Below(items.size()))]; }

private:
    std::uint64_t m_state;
};

enum class CaseKind {
    Container,  // a whole document, mutated anywhere: header, directory, names, items
    Index,      // a document whose picture index is mutated
    Voice,      // a voice file, mutated and then read through the source filter
};
const char* CaseKindName(CaseKind kind);

struct FuzzCase {
    CaseKind kind = CaseKind::Container;
    std::uint64_t number = 0;
    std::string mutation;  // the mutations applied, for the report of a finding
    Bytes bytes;           // a whole container, or a whole voice file
};

// Where the items of a container lie, read from its directory by the fuzzer itself (not by the
// reader under test). Entry 0 is the index, entry 1 the voice track.
struct ItemPlace {
    std::uint32_t entryAt = 0;  // offset of the directory entry
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};
std::vector<ItemPlace> ItemPlaces(const Bytes& container);

// A voice track of tones at 8 kHz (IMA ADPCM or PCM; 0 frames a block picks the default).
Bytes EncodeTones(bool adpcm, std::uint16_t channels, std::uint32_t framesPerBlock, std::uint32_t frames);

struct DocumentPicture {
    std::wstring name;
    Bytes bytes;
};
// A container made by the project's writer from these items; `scratch` is a folder for their
// sources. Empty on failure.
Bytes MakeDocument(const std::wstring& scratch, const std::vector<IndexRecord>& records,
                   const std::wstring& voiceName, const Bytes& voice, const std::vector<DocumentPicture>& pictures);

// The valid inputs every case starts from.
struct SeedInputs {
    std::vector<Bytes> containers;  // each with an index, a voice track and 0 or more pictures
    std::vector<Bytes> voices;      // PCM and ADPCM, mono and stereo, short and long blocks
    // Names a hostile entry aims at the sentinel folder with: its absolute path, and the path
    // from the work folder to it.
    std::wstring sentinelAbsolute;
    std::wstring sentinelRelative;
};

// Makes the seed inputs with the project's writers; `scratch` is a folder for their sources.
// Empty containers on failure.
SeedInputs MakeSeedInputs(const std::wstring& scratch, const std::wstring& sentinelAbsolute,
                          const std::wstring& sentinelRelative);

// Case `number`: its kind follows from the number (container, index, voice in turn), the rest
// from a generator seeded with it.
FuzzCase MakeCase(const SeedInputs& seeds, std::uint64_t number);

// Every prefix of a seed that ends at a field or item boundary (and one byte either side),
// for the truncation sweep.
std::vector<std::size_t> ContainerBoundaries(const Bytes& container);
std::vector<std::size_t> IndexBoundaries(const Bytes& index);
std::vector<std::size_t> VoiceBoundaries(const Bytes& voice);

// The seed container with its item `entry` replaced by `item` (appended at the end; the old
// bytes stay behind as a gap, which the format allows).
Bytes ReplaceItem(const Bytes& container, std::size_t entry, const Bytes& item);
Bytes ItemBytes(const Bytes& container, std::size_t entry);
