#include "tests/reliability/FuzzCases.h"

#include "base/ByteOrder.h"
#include "document/ContainerWriter.h"
#include "tests/reliability/ReliabilitySupport.h"
#include "tests/support/TestSignals.h"

#include <windows.h>
#include <algorithm>
#include <set>

namespace {
constexpr std::size_t kHeaderSize = 32;
constexpr std::size_t kEntrySize = 528;
constexpr std::size_t kEntryOffsetField = 512;
constexpr std::size_t kIndexRecordSize = 32;
constexpr std::size_t kTmvHeader = 36;
// Cases stay small, so thousands of them run in seconds.
constexpr std::size_t kMaxCaseBytes = 1 << 20;

// ---- byte edits that stay inside the buffer ----

void Put16LE(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (std::size_t i = 0; i < 2 && at + i < b.size(); ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void Put32LE(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (std::size_t i = 0; i < 4 && at + i < b.size(); ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void Put64LE(Bytes& b, std::size_t at, std::uint64_t v)
{
    for (std::size_t i = 0; i < 8 && at + i < b.size(); ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void Put32BE(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (std::size_t i = 0; i < 4 && at + i < b.size(); ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * (3 - i)));
}
std::uint32_t Get16LE(const Bytes& b, std::size_t at)
{
    return at + 2 <= b.size() ? LoadLe16(b.data() + at) : 0;
}
std::uint32_t Get32LE(const Bytes& b, std::size_t at)
{
    return at + 4 <= b.size() ? LoadLe32(b.data() + at) : 0;
}

const std::vector<std::uint32_t> kInteresting16 = {0,   1,   2,   3,    31,     32,     33,    255,
                                                   256, 257, 527, 528,  529,    0x7FFF, 0x8000, 0xFFFF};
const std::vector<std::uint32_t> kInteresting32 = {0,          1,          2,          0x7F,       0x80,
                                                   0xFF,       0x100,      0xFFFF,     0x10000,    0x7FFFFFFE,
                                                   0x7FFFFFFF, 0x80000000, 0x80000001, 0xFFFFFFFE, 0xFFFFFFFF};
const std::vector<std::uint8_t> kInterestingBytes = {0, 1, 0x7F, 0x80, 0xFF, 'P', 'R', '.', '\\', '/', ':'};

std::uint32_t Interesting32(CRandom& random, std::size_t fileSize)
{
    const auto size = static_cast<std::uint32_t>(fileSize);
    switch (random.Below(4)) {
    case 0: return size + static_cast<std::uint32_t>(random.Below(3)) - 1;
    case 1: return static_cast<std::uint32_t>(random.Below(size + 1));
    default: return random.Pick(kInteresting32);
    }
}

void BitFlips(Bytes& b, CRandom& random, std::string& log)
{
    if (b.empty()) return;
    const std::uint64_t flips = 1 + random.Below(8);
    for (std::uint64_t i = 0; i < flips; ++i) b[random.Below(b.size())] ^= static_cast<std::uint8_t>(1u << random.Below(8));
    log += "bit-flips ";
}

void InterestingBytes(Bytes& b, CRandom& random, std::string& log)
{
    if (b.empty()) return;
    const std::uint64_t count = 1 + random.Below(4);
    for (std::uint64_t i = 0; i < count; ++i) b[random.Below(b.size())] = random.Pick(kInterestingBytes);
    log += "bytes ";
}

void ChunkEdit(Bytes& b, CRandom& random, std::string& log)
{
    if (b.empty()) return;
    const std::size_t at = static_cast<std::size_t>(random.Below(b.size()));
    const std::size_t length = static_cast<std::size_t>(1 + random.Below(std::min<std::size_t>(b.size() - at, 600)));
    switch (random.Below(3)) {
    case 0:
        b.erase(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + length));
        log += "delete-chunk ";
        break;
    case 1: {
        const Bytes copy(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + length));
        b.insert(b.begin() + static_cast<std::ptrdiff_t>(random.Below(b.size() + 1)), copy.begin(), copy.end());
        log += "duplicate-chunk ";
        break;
    }
    default:
        for (std::size_t i = 0; i < length; ++i) b[at + i] = static_cast<std::uint8_t>(random.Next());
        log += "random-chunk ";
        break;
    }
}

void TruncateAt(Bytes& b, CRandom& random, const std::vector<std::size_t>& boundaries, std::string& log)
{
    if (boundaries.empty()) return;
    b.resize(std::min(b.size(), random.Pick(boundaries)));
    log += "truncate(" + std::to_string(b.size()) + ") ";
}

// ---- hostile names ----

std::wstring LongName(std::size_t length)
{
    std::wstring name(length, L'a');
    if (length > 4) name.replace(length - 4, 4, L".jpg");
    return name;
}

std::vector<std::wstring> HostileNames(const SeedInputs& seeds)
{
    return {L"..",
            L".",
            L"",
            L"..\\victim.txt",
            L"..\\..\\kavfuzz-escaped.txt",
            L"../sentinel/victim.txt",
            seeds.sentinelRelative + L"victim.txt",
            seeds.sentinelAbsolute + L"victim.txt",
            L"\\victim.txt",
            L"/victim.txt",
            L"C:\\kavfuzz-escaped.txt",
            L"C:kavfuzz-escaped.txt",
            L"Z:\\tmp\\kavfuzz-escaped.txt",
            L"\\\\?\\C:\\kavfuzz-escaped.txt",
            L"\\\\.\\CON",
            L"\\\\localhost\\c$\\kavfuzz-escaped.txt",
            L"CON",
            L"con.jpg",
            L"NUL",
            L"nul.txt",
            L"AUX",
            L"PRN.png",
            L"COM1",
            L"com9.jpg",
            L"LPT1",
            L"LPT9.bmp",
            L"CONIN$",
            L"CONOUT$",
            L"CON .jpg",
            L"picture.jpg:hidden",
            L"picture.jpg::$DATA",
            L"a*b.jpg",
            L"a?b.jpg",
            L"a|b.jpg",
            L"a<b>.jpg",
            L"a\"b.jpg",
            L"tab\tname.jpg",
            L"trailing.",
            L"trailing ",
            L"...",
            L" leading.jpg",
            L"ZEL.TMV",
            L"ZEL.PIN",
            L"zel.tmv",
            L"VICTIM.TXT",
            L"caf\u00e9.jpg",
            L"\u202Egpj.exe",
            L"full\uFF0Ewidth",
            std::wstring(1, wchar_t(0xD800)) + L"lone.jpg",
            LongName(255),
            LongName(240)};
}

// Single-byte picture names for the index, in the ANSI code page.
std::vector<std::string> HostileIndexNames()
{
    return {"..",         "..\\victim.t", "../victim.tx", "\\victim.txt", "C:victim.txt", "C:\\a.jpg",
            "CON",        "con.jpg",      "NUL",          "COM1",         "LPT9.jpg",     "CONIN$",
            "a*b.jpg",    "a:b.jpg",      "trailing.",    "trailing ",    "",             "ZEL.TMV",
            "ZEL.PIN",    "\x81\x40.jpg", "\xE9t\xE9.jpg", "\x01\x02",    "first.jpg",    "second.png",
            "FIRST.JPG",  "missing.jpg",  "abcdefghijkl"};
}

void SetEntryName(Bytes& b, std::size_t entryAt, const std::wstring& name)
{
    for (std::size_t i = 0; i < 256; ++i) Put16LE(b, entryAt + 2 * i, i < name.size() ? name[i] : 0);
}

// ---- containers ----

void AddPictureEntries(Bytes& b, CRandom& random, const SeedInputs& seeds, std::string& log)
{
    const std::vector<ItemPlace> places = ItemPlaces(b);
    if (places.size() < 2) return;
    const std::size_t added = static_cast<std::size_t>(1 + random.Below(random.OneIn(4) ? 400 : 8));
    const std::size_t directoryEnd = kHeaderSize + kEntrySize * places.size();
    const auto shift = static_cast<std::uint32_t>(kEntrySize * added);
    for (const ItemPlace& place : places) Put32LE(b, place.entryAt + kEntryOffsetField, place.offset + shift);
    b.insert(b.begin() + static_cast<std::ptrdiff_t>(directoryEnd), kEntrySize * added, 0);
    Put16LE(b, 10, static_cast<std::uint32_t>(places.size() + added));

    const std::vector<std::wstring> hostile = HostileNames(seeds);
    for (std::size_t i = 0; i < added; ++i) {
        const std::size_t at = directoryEnd + kEntrySize * i;
        std::wstring name = L"p" + std::to_wstring(i) + L".jpg";
        if (random.OneIn(8)) name = random.Pick(hostile);
        if (random.OneIn(8)) name = L"same.jpg";
        SetEntryName(b, at, name);
        // Items overlap one another, the directory or the whole file.
        const ItemPlace& other = places[random.Below(places.size())];
        std::uint32_t offset = other.offset + shift, size = other.size;
        if (random.OneIn(3)) {
            offset = 0;
            size = static_cast<std::uint32_t>(b.size());
        } else if (random.OneIn(4)) {
            offset = Interesting32(random, b.size());
            size = Interesting32(random, b.size());
        }
        Put32LE(b, at + kEntryOffsetField, offset);
        Put32LE(b, at + kEntryOffsetField + 4, size);
    }
    log += "add-pictures(" + std::to_string(added) + ") ";
}

Bytes MutateIndex(Bytes index, CRandom& random, std::string& log);
Bytes MutateVoice(Bytes voice, CRandom& random, std::string& log);

void MutateContainerOnce(Bytes& b, CRandom& random, const SeedInputs& seeds, std::string& log)
{
    const std::vector<ItemPlace> places = ItemPlaces(b);
    switch (random.Below(12)) {
    case 0: BitFlips(b, random, log); break;
    case 1: InterestingBytes(b, random, log); break;
    case 2: TruncateAt(b, random, ContainerBoundaries(b), log); break;
    case 3: {
        const std::size_t field = 4 + 2 * static_cast<std::size_t>(random.Below(5));
        Put16LE(b, field, random.Pick(kInteresting16));
        log += "header-field(" + std::to_string(field) + ") ";
        break;
    }
    case 4:
        if (places.empty()) break;
        {
            const ItemPlace& place = places[random.Below(places.size())];
            const std::size_t field = place.entryAt + kEntryOffsetField + 4 * static_cast<std::size_t>(random.Below(2));
            Put32LE(b, field, Interesting32(random, b.size()));
            log += "entry-bounds ";
        }
        break;
    case 5:
        if (places.empty()) break;
        SetEntryName(b, places[random.Below(places.size())].entryAt, random.Pick(HostileNames(seeds)));
        log += "entry-name ";
        break;
    case 6:
        if (places.empty()) break;
        {
            // A name field with no NUL among its 256 units.
            const std::size_t at = places[random.Below(places.size())].entryAt;
            for (std::size_t i = 0; i < 256; ++i) Put16LE(b, at + 2 * i, 'A' + static_cast<std::uint32_t>(i % 26));
            log += "name-without-nul ";
        }
        break;
    case 7: AddPictureEntries(b, random, seeds, log); break;
    case 8:
        if (places.size() < 3) break;
        {
            // One item's bounds copied onto another.
            const ItemPlace& from = places[random.Below(places.size())];
            const ItemPlace& to = places[random.Below(places.size())];
            Put32LE(b, to.entryAt + kEntryOffsetField, from.offset);
            Put32LE(b, to.entryAt + kEntryOffsetField + 4, from.size);
            log += "overlap ";
        }
        break;
    case 9:
        if (places.size() < 2) break;
        b = ReplaceItem(b, 0, MutateIndex(ItemBytes(b, 0), random, log));
        break;
    case 10:
        if (places.size() < 2) break;
        b = ReplaceItem(b, 1, MutateVoice(ItemBytes(b, 1), random, log));
        break;
    default: ChunkEdit(b, random, log); break;
    }
}

// ---- picture indexes ----

Bytes MutateIndexOnce(Bytes b, CRandom& random, std::string& log)
{
    const std::size_t records = b.size() > kHeaderSize ? (b.size() - kHeaderSize) / kIndexRecordSize : 0;
    const std::size_t record = kHeaderSize + kIndexRecordSize * static_cast<std::size_t>(random.Below(records));
    switch (random.Below(10)) {
    case 0: {
        const std::uint32_t values[] = {0, 1, static_cast<std::uint32_t>(records), static_cast<std::uint32_t>(records + 1),
                                        static_cast<std::uint32_t>(records + 1000), 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
        Put32BE(b, 16, values[random.Below(std::size(values))]);
        log += "index-count ";
        break;
    }
    case 1: {
        const std::uint32_t value = random.Pick(kInteresting16);
        const std::size_t field = 20 + 2 * static_cast<std::size_t>(random.Below(2));
        for (std::size_t i = 0; i < 2 && field + i < b.size(); ++i)
            b[field + i] = static_cast<std::uint8_t>(value >> (8 * (1 - i)));
        log += "index-header ";
        break;
    }
    case 2: {
        const std::vector<std::uint8_t> kinds = {'P', 'R', 'p', 'r', 0, 0xFF, static_cast<std::uint8_t>(random.Next())};
        if (record < b.size()) b[record] = random.Pick(kinds);
        log += "record-kind ";
        break;
    }
    case 3:
        if (record + 1 < b.size()) b[record + 1] ^= 1;
        log += "no-picture-flag ";
        break;
    case 4: {
        const std::uint32_t t = random.OneIn(2) ? random.Pick(kInteresting32) : static_cast<std::uint32_t>(random.Next());
        Put32BE(b, record + 12, t);
        log += "record-time ";
        break;
    }
    case 5: {
        const std::string name = random.Pick(HostileIndexNames());
        for (std::size_t i = 0; i < 13 && record + 16 + i < b.size(); ++i)
            b[record + 16 + i] = i < name.size() ? static_cast<std::uint8_t>(name[i]) : 0;
        if (random.OneIn(4))  // no NUL in the 13-byte field
            for (std::size_t i = name.size(); i < 13 && record + 16 + i < b.size(); ++i) b[record + 16 + i] = 'x';
        log += "record-name ";
        break;
    }
    case 6: TruncateAt(b, random, IndexBoundaries(b), log); break;
    case 7:
        if (records == 0) break;
        {
            // More records, copies of existing ones, with the count raised to match or not.
            const std::size_t more = static_cast<std::size_t>(1 + random.Below(random.OneIn(4) ? 2000 : 10));
            const Bytes copy(b.begin() + static_cast<std::ptrdiff_t>(record),
                             b.begin() + static_cast<std::ptrdiff_t>(std::min(b.size(), record + kIndexRecordSize)));
            for (std::size_t i = 0; i < more; ++i) b.insert(b.end(), copy.begin(), copy.end());
            if (!random.OneIn(3)) Put32BE(b, 16, static_cast<std::uint32_t>(records + more - 1));
            log += "more-records(" + std::to_string(more) + ") ";
        }
        break;
    case 8: BitFlips(b, random, log); break;
    default: ChunkEdit(b, random, log); break;
    }
    return b;
}

Bytes MutateIndex(Bytes index, CRandom& random, std::string& log)
{
    const std::uint64_t rounds = 1 + random.Below(3);
    for (std::uint64_t i = 0; i < rounds && !index.empty(); ++i) index = MutateIndexOnce(std::move(index), random, log);
    return index;
}

// ---- voice tracks ----

void FixChecksum(Bytes& b)
{
    if (b.size() >= kTmvHeader) Put32LE(b, 32, Crc32(b.data(), 32));
}

// A header that is valid, or nearly so, with the body grown or cut to the size it announces,
// so the decoder gets past Open and reads blocks of whatever bytes are there.
void Reshape(Bytes& b, CRandom& random, std::string& log)
{
    if (b.size() < kTmvHeader) return;
    const bool adpcm = random.OneIn(2);
    const std::uint16_t channels = static_cast<std::uint16_t>(1 + random.Below(2));
    const std::vector<std::uint32_t> adpcmFrames = {9, 17, 25, 1017, 2041, 65529};
    const std::vector<std::uint32_t> pcmFrames = {1, 2, 3, 64, 1024, 65536};
    const std::uint32_t frames = adpcm ? random.Pick(adpcmFrames) : random.Pick(pcmFrames);
    const std::uint32_t blockBytes = TmvBlockBytes(adpcm ? TmvCodec::ImaAdpcm : TmvCodec::Pcm16, channels, frames);
    std::uint64_t frameCount = random.Below(4 * frames + 1);
    if (random.OneIn(8)) frameCount = random.OneIn(2) ? 0xFFFFFFFFFFFFFFFFull : 0x7FFFFFFFull * frames;
    Put16LE(b, 6, adpcm ? 2 : 1);
    Put16LE(b, 8, channels);
    Put32LE(b, 12, random.OneIn(2) ? 8000 : static_cast<std::uint32_t>(1000 + random.Below(191001)));
    Put32LE(b, 16, frames);
    Put32LE(b, 20, blockBytes);
    Put64LE(b, 24, frameCount);
    FixChecksum(b);
    const std::uint64_t blocks = frameCount / frames + (frameCount % frames ? 1 : 0);
    const std::uint64_t size = kTmvHeader + blocks * blockBytes;
    if (size <= kMaxCaseBytes) {
        const std::size_t before = b.size();
        b.resize(static_cast<std::size_t>(size));
        for (std::size_t i = before; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(random.Next());
    }
    log += "reshape(" + std::string(adpcm ? "adpcm" : "pcm") + "," + std::to_string(channels) + "," +
           std::to_string(frames) + "," + std::to_string(frameCount) + ") ";
}

void MutateVoiceOnce(Bytes& b, CRandom& random, std::string& log)
{
    switch (random.Below(8)) {
    case 0: {
        struct Field {
            std::size_t at;
            int width;
        };
        const Field fields[] = {{4, 2}, {6, 2}, {8, 2}, {10, 2}, {12, 4}, {16, 4}, {20, 4}, {24, 8}};
        const Field field = fields[random.Below(std::size(fields))];
        const std::uint64_t value = field.width == 2   ? random.Pick(kInteresting16)
                                    : field.width == 4 ? Interesting32(random, b.size())
                                    : random.OneIn(2)  ? random.Pick(kInteresting32)
                                                       : (random.Next() >> random.Below(64));
        if (field.width == 2) Put16LE(b, field.at, static_cast<std::uint32_t>(value));
        if (field.width == 4) Put32LE(b, field.at, static_cast<std::uint32_t>(value));
        if (field.width == 8) Put64LE(b, field.at, value);
        if (!random.OneIn(8)) FixChecksum(b);
        log += "voice-field(" + std::to_string(field.at) + ") ";
        break;
    }
    case 1:
    case 2: Reshape(b, random, log); break;
    case 3: {
        // A block header with an impossible step index or a non-zero pad byte.
        const std::uint32_t blockBytes = Get32LE(b, 20);
        const std::uint32_t channels = Get16LE(b, 8);
        if (blockBytes == 0 || b.size() <= kTmvHeader) break;
        const std::size_t blocks = (b.size() - kTmvHeader) / blockBytes;
        const std::size_t at = kTmvHeader + blockBytes * static_cast<std::size_t>(random.Below(blocks + 1)) +
                               4 * static_cast<std::size_t>(random.Below(channels + 1));
        if (at + 3 < b.size()) b[at + 2 + random.Below(2)] = static_cast<std::uint8_t>(89 + random.Below(167));
        log += "block-header ";
        break;
    }
    case 4: TruncateAt(b, random, VoiceBoundaries(b), log); break;
    case 5: {
        const std::size_t extra = static_cast<std::size_t>(1 + random.Below(100));
        for (std::size_t i = 0; i < extra; ++i) b.push_back(static_cast<std::uint8_t>(random.Next()));
        log += "trailing ";
        break;
    }
    case 6:
        BitFlips(b, random, log);
        if (random.OneIn(2)) FixChecksum(b);
        break;
    default: ChunkEdit(b, random, log); break;
    }
}

Bytes MutateVoice(Bytes voice, CRandom& random, std::string& log)
{
    const std::uint64_t rounds = 1 + random.Below(3);
    for (std::uint64_t i = 0; i < rounds; ++i) MutateVoiceOnce(voice, random, log);
    if (voice.size() > kMaxCaseBytes) voice.resize(kMaxCaseBytes);
    return voice;
}

}  // namespace

std::uint64_t CRandom::Next()
{
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

const char* CaseKindName(CaseKind kind)
{
    switch (kind) {
    case CaseKind::Container: return "container";
    case CaseKind::Index: return "index";
    case CaseKind::Voice: return "voice";
    }
    return "?";
}

std::vector<ItemPlace> ItemPlaces(const Bytes& container)
{
    std::vector<ItemPlace> places;
    const std::uint32_t count = Get16LE(container, 10);
    for (std::size_t i = 0; i < count && i < 0x7FFF; ++i) {
        const std::size_t at = kHeaderSize + kEntrySize * i;
        if (at + kEntrySize > container.size()) break;
        places.push_back({static_cast<std::uint32_t>(at), Get32LE(container, at + kEntryOffsetField),
                          Get32LE(container, at + kEntryOffsetField + 4)});
    }
    return places;
}

Bytes ItemBytes(const Bytes& container, std::size_t entry)
{
    const std::vector<ItemPlace> places = ItemPlaces(container);
    if (entry >= places.size()) return {};
    const ItemPlace& place = places[entry];
    if (place.offset > container.size() || place.size > container.size() - place.offset) return {};
    return Bytes(container.begin() + place.offset, container.begin() + place.offset + place.size);
}

Bytes ReplaceItem(const Bytes& container, std::size_t entry, const Bytes& item)
{
    const std::vector<ItemPlace> places = ItemPlaces(container);
    if (entry >= places.size()) return container;
    Bytes out = container;
    Put32LE(out, places[entry].entryAt + kEntryOffsetField, static_cast<std::uint32_t>(out.size()));
    Put32LE(out, places[entry].entryAt + kEntryOffsetField + 4, static_cast<std::uint32_t>(item.size()));
    out.insert(out.end(), item.begin(), item.end());
    return out;
}

namespace {
std::vector<std::size_t> WithNeighbours(const std::vector<std::size_t>& points, std::size_t size)
{
    std::set<std::size_t> all;
    for (const std::size_t p : points)
        for (const std::size_t q : {p - 1, p, p + 1})
            if (q < size) all.insert(q);  // p - 1 of 0 wraps and is dropped
    return std::vector<std::size_t>(all.begin(), all.end());
}
}  // namespace

std::vector<std::size_t> ContainerBoundaries(const Bytes& container)
{
    std::vector<std::size_t> points = {0, 4, 6, 8, 10, 12, 14, kHeaderSize};
    for (const ItemPlace& place : ItemPlaces(container)) {
        for (const std::size_t field : {std::size_t{0}, kEntryOffsetField, kEntryOffsetField + 4, kEntryOffsetField + 8,
                                        kEntrySize})
            points.push_back(place.entryAt + field);
        points.push_back(place.offset);
        points.push_back(std::size_t{place.offset} + place.size);
    }
    return WithNeighbours(points, container.size());
}

std::vector<std::size_t> IndexBoundaries(const Bytes& index)
{
    std::vector<std::size_t> points = {0, 4, 5, 6, 8, 10, 16, 20, 22, 24, 26, kHeaderSize};
    for (std::size_t at = kHeaderSize; at < index.size(); at += kIndexRecordSize)
        for (const std::size_t field : {0, 1, 2, 12, 16, 29, 32}) points.push_back(at + field);
    return WithNeighbours(points, index.size());
}

std::vector<std::size_t> VoiceBoundaries(const Bytes& voice)
{
    std::vector<std::size_t> points = {0, 1, 2, 3, 4, 6, 8, 10, 12, 16, 20, 24, 32, kTmvHeader};
    const std::uint32_t blockBytes = Get32LE(voice, 20);
    if (blockBytes > 0)
        for (std::size_t at = kTmvHeader; at < voice.size(); at += blockBytes) points.push_back(at);
    return WithNeighbours(points, voice.size());
}

Bytes EncodeTones(bool adpcm, std::uint16_t channels, std::uint32_t framesPerBlock, std::uint32_t frames)
{
    const TmvCodec codec = adpcm ? TmvCodec::ImaAdpcm : TmvCodec::Pcm16;
    return EncodeTrack(MakeTones(frames, channels, 8000), MakeFormat(codec, channels, 8000, framesPerBlock));
}

Bytes MakeDocument(const std::wstring& scratch, const std::vector<IndexRecord>& records, const std::wstring& voiceName,
                    const Bytes& voice, const std::vector<DocumentPicture>& pictures)
{
    ContainerContent content;
    if (FAILED(BuildPictureIndex(records, content.index))) return {};
    content.voiceName = voiceName;
    content.voicePath = scratch + L"seed-voice";
    if (!WriteFileBytes(content.voicePath, voice)) return {};
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const std::wstring path = scratch + L"seed-picture-" + std::to_wstring(i);
        if (!WriteFileBytes(path, pictures[i].bytes)) return {};
        content.pictures.push_back({pictures[i].name, path});
    }
    const std::wstring out = scratch + L"seed.kav";
    if (FAILED(WriteContainer(out, content))) return {};
    return ReadFileBytes(out);
}
SeedInputs MakeSeedInputs(const std::wstring& scratch, const std::wstring& sentinelAbsolute,
                          const std::wstring& sentinelRelative)
{
    SeedInputs seeds;
    seeds.sentinelAbsolute = sentinelAbsolute;
    seeds.sentinelRelative = sentinelRelative;
    seeds.voices = {EncodeTones(true, 1, 0, 2500), EncodeTones(true, 2, 25, 400),
                    EncodeTones(false, 1, 64, 300), EncodeTones(false, 2, 0, 1500)};

    const std::vector<IndexRecord> slides = {{false, true, L"first.jpg", 0},
                                             {true, true, L"first.jpg", 1500},
                                             {false, false, L"", 3000},
                                             {false, true, L"second.png", 5000}};
    seeds.containers.push_back(MakeDocument(scratch, slides, L"Lecture.tmv", seeds.voices[0],
                                             {{L"first.jpg", Pattern(300, 2)}, {L"second.png", Pattern(500, 3)}}));
    seeds.containers.push_back(MakeDocument(scratch, {{true, false, L"", 0}}, L"Bare", seeds.voices[2], {}));
    return seeds;
}

FuzzCase MakeCase(const SeedInputs& seeds, std::uint64_t number)
{
    const CaseKind kinds[] = {CaseKind::Container, CaseKind::Index, CaseKind::Voice};
    FuzzCase fuzzCase;
    fuzzCase.kind = kinds[number % 3];
    fuzzCase.number = number;
    CRandom random(number + 0x6B6176ull);
    switch (fuzzCase.kind) {
    case CaseKind::Container: {
        fuzzCase.bytes = random.Pick(seeds.containers);
        const std::uint64_t rounds = 1 + random.Below(3);
        for (std::uint64_t i = 0; i < rounds; ++i) MutateContainerOnce(fuzzCase.bytes, random, seeds, fuzzCase.mutation);
        break;
    }
    case CaseKind::Index: {
        const Bytes& seed = random.Pick(seeds.containers);
        fuzzCase.bytes = ReplaceItem(seed, 0, MutateIndex(ItemBytes(seed, 0), random, fuzzCase.mutation));
        break;
    }
    case CaseKind::Voice:
        fuzzCase.bytes = MutateVoice(random.Pick(seeds.voices), random, fuzzCase.mutation);
        break;
    }
    if (fuzzCase.bytes.size() > kMaxCaseBytes) fuzzCase.bytes.resize(kMaxCaseBytes);
    return fuzzCase;
}
