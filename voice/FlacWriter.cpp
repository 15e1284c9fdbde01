#include "voice/FlacWriter.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {
constexpr unsigned kBitsPerSample = 16;
constexpr unsigned kMaxFixedOrder = 4;
constexpr unsigned kMaxPartitionOrder = 8;
constexpr unsigned kMaxRiceParameter = 14;  // 15 is the escape to raw residuals
constexpr unsigned kRiceEscape = 15;
// A residual whose unary part would be longer than this goes into a raw-coded partition, so no
// decoder ever meets an unusually long run of zero bits.
constexpr std::uint32_t kMaxQuotient = 1024;
constexpr std::size_t kMetadataOffset = 4;  // after "fLaC"
constexpr std::size_t kStreamInfoSize = 34;
constexpr std::uint32_t kMaxFrameSizeField = 0xFFFFFF;

// Writes bit fields most significant bit first, as every FLAC field is stored.
class CBitWriter {
public:
    explicit CBitWriter(std::vector<std::uint8_t>& bytes) : m_bytes(bytes) {}

    void Put(std::uint32_t value, unsigned bits)
    {
        if (bits == 0) return;
        const std::uint64_t mask = (std::uint64_t(1) << bits) - 1;
        m_accumulator = (m_accumulator << bits) | (value & mask);
        m_count += bits;
        while (m_count >= 8) {
            m_count -= 8;
            m_bytes.push_back(static_cast<std::uint8_t>(m_accumulator >> m_count));
        }
    }
    void PutSigned(std::int32_t value, unsigned bits) { Put(static_cast<std::uint32_t>(value), bits); }
    // `zeros` zero bits and a one.
    void PutUnary(std::uint32_t zeros)
    {
        for (; zeros >= 32; zeros -= 32) Put(0, 32);
        Put(1, zeros + 1);
    }
    void AlignToByte() { Put(0, (8 - m_count % 8) % 8); }

private:
    std::vector<std::uint8_t>& m_bytes;
    std::uint64_t m_accumulator = 0;
    unsigned m_count = 0;
};

std::uint8_t Crc8(const std::uint8_t* bytes, std::size_t size)
{
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80) ? ((crc << 1) ^ 0x07) : (crc << 1);
    }
    return static_cast<std::uint8_t>(crc);
}

std::uint16_t Crc16(const std::uint8_t* bytes, std::size_t size)
{
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= static_cast<std::uint32_t>(bytes[i]) << 8;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x8000) ? ((crc << 1) ^ 0x8005) : (crc << 1);
    }
    return static_cast<std::uint16_t>(crc);
}

// The frame header's sample-rate code and the bits that follow the header for it; code 0 leaves
// the rate to STREAMINFO.
struct RateCode {
    std::uint32_t code = 0;
    std::uint32_t extra = 0;
    unsigned extraBits = 0;
};

RateCode CodeSampleRate(std::uint32_t rate)
{
    static const std::array<std::uint32_t, 12> kListed = {0, 88200, 176400, 192000, 8000, 16000,
                                                          22050, 24000, 32000, 44100, 48000, 96000};
    for (std::uint32_t code = 1; code < kListed.size(); ++code)
        if (kListed[code] == rate) return {code, 0, 0};
    if (rate % 1000 == 0 && rate / 1000 <= 0xFF) return {12, rate / 1000, 8};
    if (rate <= 0xFFFF) return {13, rate, 16};
    if (rate % 10 == 0 && rate / 10 <= 0xFFFF) return {14, rate / 10, 16};
    return {};
}

// The block number in the variable-length form FLAC borrows from UTF-8.
void PutCodedNumber(CBitWriter& bits, std::uint32_t value)
{
    if (value < 0x80) {
        bits.Put(value, 8);
        return;
    }
    unsigned bytes = 2;
    while (bytes < 6 && value >= (std::uint32_t(1) << (5 * bytes + 1))) ++bytes;
    const unsigned lead = (0xFF00u >> bytes) & 0xFF;
    bits.Put(lead | (value >> (6 * (bytes - 1))), 8);
    for (unsigned i = bytes - 1; i-- > 0;) bits.Put(0x80 | ((value >> (6 * i)) & 0x3F), 8);
}

std::uint32_t ZigZag(std::int32_t residual)
{
    return (static_cast<std::uint32_t>(residual) << 1) ^ static_cast<std::uint32_t>(residual >> 31);
}

// The residual of the fixed predictor of `order` for samples order .. n - 1.
void FixedResidual(const std::vector<std::int32_t>& x, unsigned order, std::vector<std::int32_t>& residual)
{
    residual.clear();
    for (std::size_t i = order; i < x.size(); ++i) {
        switch (order) {
        case 0: residual.push_back(x[i]); break;
        case 1: residual.push_back(x[i] - x[i - 1]); break;
        case 2: residual.push_back(x[i] - 2 * x[i - 1] + x[i - 2]); break;
        case 3: residual.push_back(x[i] - 3 * x[i - 1] + 3 * x[i - 2] - x[i - 3]); break;
        default: residual.push_back(x[i] - 4 * x[i - 1] + 6 * x[i - 2] - 4 * x[i - 3] + x[i - 4]); break;
        }
    }
}

// How one partition of the residual is coded: a Rice parameter, or raw residuals of `rawBits`.
struct PartitionCode {
    unsigned parameter = 0;
    unsigned rawBits = 0;
    std::uint64_t bits = 0;
};

unsigned SignedBitsFor(std::uint32_t maxZigZag)
{
    unsigned bits = 1;
    while (bits < 32 && (maxZigZag >> bits) != 0) ++bits;
    return bits;  // the zig-zag value needs `bits` unsigned bits, the signed value as many
}

PartitionCode ChoosePartitionCode(const std::int32_t* residual, std::size_t count)
{
    std::uint64_t sum = 0;
    std::uint32_t largest = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t u = ZigZag(residual[i]);
        sum += u;
        largest = std::max(largest, u);
    }
    PartitionCode best;
    best.parameter = kRiceEscape;
    best.rawBits = SignedBitsFor(largest);
    best.bits = 4 + 5 + std::uint64_t(count) * best.rawBits;
    for (unsigned k = 0; k <= kMaxRiceParameter; ++k) {
        if ((largest >> k) > kMaxQuotient) continue;
        // sum >> k bounds the unary parts from above by less than `count`: close enough to choose.
        const std::uint64_t bits = 4 + std::uint64_t(count) * (k + 1) + (sum >> k);
        if (bits < best.bits) best = {k, 0, bits};
    }
    return best;
}

struct ResidualCode {
    unsigned partitionOrder = 0;
    std::vector<PartitionCode> partitions;
    std::uint64_t bits = 0;
};

ResidualCode ChooseResidualCode(const std::vector<std::int32_t>& residual, std::size_t blockSize, unsigned order)
{
    ResidualCode best;
    for (unsigned p = 0; p <= kMaxPartitionOrder; ++p) {
        const std::size_t length = blockSize >> p;
        if (blockSize % (std::size_t(1) << p) != 0 || length <= order) break;
        ResidualCode candidate;
        candidate.partitionOrder = p;
        candidate.bits = 2 + 4;
        std::size_t start = 0;
        for (std::size_t i = 0; i < (std::size_t(1) << p); ++i) {
            const std::size_t count = i == 0 ? length - order : length;
            candidate.partitions.push_back(ChoosePartitionCode(residual.data() + start, count));
            candidate.bits += candidate.partitions.back().bits;
            start += count;
        }
        if (best.partitions.empty() || candidate.bits < best.bits) best = std::move(candidate);
    }
    return best;
}

void PutResidual(CBitWriter& bits, const std::vector<std::int32_t>& residual, const ResidualCode& code,
                 std::size_t blockSize, unsigned order)
{
    bits.Put(0, 2);  // partitions with 4-bit Rice parameters
    bits.Put(code.partitionOrder, 4);
    const std::size_t length = blockSize >> code.partitionOrder;
    std::size_t start = 0;
    for (std::size_t i = 0; i < code.partitions.size(); ++i) {
        const PartitionCode& partition = code.partitions[i];
        const std::size_t end = start + (i == 0 ? length - order : length);
        bits.Put(partition.parameter, 4);
        if (partition.parameter == kRiceEscape) {
            bits.Put(partition.rawBits, 5);
            for (std::size_t j = start; j < end; ++j) bits.PutSigned(residual[j], partition.rawBits);
        } else {
            const unsigned k = partition.parameter;
            for (std::size_t j = start; j < end; ++j) {
                const std::uint32_t u = ZigZag(residual[j]);
                bits.PutUnary(u >> k);
                bits.Put(u, k);
            }
        }
        start = end;
    }
}

// One channel of one block: constant, fixed predictor, or verbatim, whichever is smallest.
void PutSubframe(CBitWriter& bits, const std::vector<std::int32_t>& x)
{
    if (std::all_of(x.begin(), x.end(), [&](std::int32_t s) { return s == x.front(); })) {
        bits.Put(0, 8);  // padding bit, type CONSTANT, no wasted bits
        bits.PutSigned(x.front(), kBitsPerSample);
        return;
    }
    // The order whose residual is smallest in magnitude usually codes smallest.
    std::vector<std::int32_t> residual;
    unsigned order = 0;
    std::uint64_t smallest = UINT64_MAX;
    for (unsigned candidate = 0; candidate <= kMaxFixedOrder && candidate < x.size(); ++candidate) {
        FixedResidual(x, candidate, residual);
        std::uint64_t magnitude = 0;
        for (const std::int32_t r : residual) magnitude += static_cast<std::uint64_t>(std::abs(r));
        if (magnitude < smallest) {
            smallest = magnitude;
            order = candidate;
        }
    }
    FixedResidual(x, order, residual);
    const ResidualCode code = ChooseResidualCode(residual, x.size(), order);
    const std::uint64_t verbatimBits = std::uint64_t(x.size()) * kBitsPerSample;
    if (code.partitions.empty() || order * kBitsPerSample + code.bits >= verbatimBits) {
        bits.Put(0x02, 8);  // type VERBATIM
        for (const std::int32_t s : x) bits.PutSigned(s, kBitsPerSample);
        return;
    }
    bits.Put((0x08 | order) << 1, 8);  // type FIXED of `order`
    for (unsigned i = 0; i < order; ++i) bits.PutSigned(x[i], kBitsPerSample);
    PutResidual(bits, residual, code, x.size(), order);
}
}  // namespace

VoiceResult CFlacWriter::Begin(IByteSink& sink, std::uint16_t channels, std::uint32_t sampleRate)
{
    if (m_sink || channels < 1 || channels > 8 || sampleRate == 0 || sampleRate >= (1u << 20)) return VoiceResult::BadState;
    m_sink = &sink;
    m_channels = channels;
    m_sampleRate = sampleRate;
    m_pending.reserve(std::size_t(kFlacBlockFrames) * channels);
    if (!m_sink->Write("fLaC", 4)) return VoiceResult::WriteError;
    return WriteStreamInfo(false);
}

VoiceResult CFlacWriter::Write(const std::int16_t* frames, std::size_t count)
{
    if (!m_sink) return VoiceResult::BadState;
    const std::size_t blockSamples = std::size_t(kFlacBlockFrames) * m_channels;
    for (std::size_t i = 0; i < count * m_channels; ++i) {
        m_pending.push_back(frames[i]);
        if (m_pending.size() == blockSamples) {
            const VoiceResult result = FlushBlock();
            if (result != VoiceResult::Ok) return result;
        }
    }
    return VoiceResult::Ok;
}

VoiceResult CFlacWriter::Finish()
{
    if (!m_sink) return VoiceResult::BadState;
    if (!m_pending.empty()) {
        const VoiceResult result = FlushBlock();
        if (result != VoiceResult::Ok) return result;
    }
    const VoiceResult result = WriteStreamInfo(true);
    m_sink = nullptr;
    return result;
}

VoiceResult CFlacWriter::FlushBlock()
{
    const std::size_t blockSize = m_pending.size() / m_channels;
    m_frameBytes.clear();
    CBitWriter bits(m_frameBytes);
    const RateCode rate = CodeSampleRate(m_sampleRate);
    bits.Put(0xFFF8, 16);  // sync code, fixed block size
    bits.Put(7, 4);        // the block size follows the header as 16 bits
    bits.Put(rate.code, 4);
    bits.Put(m_channels - 1u, 4);  // channels coded independently
    bits.Put(4, 3);                // 16 bits a sample
    bits.Put(0, 1);
    PutCodedNumber(bits, m_blockNumber);
    bits.Put(static_cast<std::uint32_t>(blockSize - 1), 16);
    bits.Put(rate.extra, rate.extraBits);
    bits.Put(Crc8(m_frameBytes.data(), m_frameBytes.size()), 8);

    std::vector<std::int32_t> channel(blockSize);
    for (std::uint16_t c = 0; c < m_channels; ++c) {
        for (std::size_t i = 0; i < blockSize; ++i) channel[i] = m_pending[i * m_channels + c];
        PutSubframe(bits, channel);
    }
    bits.AlignToByte();
    bits.Put(Crc16(m_frameBytes.data(), m_frameBytes.size()), 16);

    if (!m_sink->Write(m_frameBytes.data(), m_frameBytes.size())) return VoiceResult::WriteError;
    const auto size = static_cast<std::uint32_t>(m_frameBytes.size());
    m_minFrameBytes = m_blockNumber == 0 ? size : std::min(m_minFrameBytes, size);
    m_maxFrameBytes = std::max(m_maxFrameBytes, size);
    m_frameCount += blockSize;
    ++m_blockNumber;
    m_pending.clear();
    return VoiceResult::Ok;
}

VoiceResult CFlacWriter::WriteStreamInfo(bool rewrite)
{
    std::vector<std::uint8_t> block;
    CBitWriter bits(block);
    bits.Put(1, 1);  // the last metadata block
    bits.Put(0, 7);  // STREAMINFO
    bits.Put(kStreamInfoSize, 24);
    bits.Put(kFlacBlockFrames, 16);  // smallest block, the last one aside
    bits.Put(kFlacBlockFrames, 16);
    bits.Put(std::min(m_minFrameBytes, kMaxFrameSizeField), 24);
    bits.Put(std::min(m_maxFrameBytes, kMaxFrameSizeField), 24);
    bits.Put(m_sampleRate, 20);
    bits.Put(m_channels - 1u, 3);
    bits.Put(kBitsPerSample - 1, 5);
    bits.Put(static_cast<std::uint32_t>(m_frameCount >> 32), 4);
    bits.Put(static_cast<std::uint32_t>(m_frameCount), 32);
    for (int i = 0; i < 4; ++i) bits.Put(0, 32);  // no MD5 signature: "unknown" is allowed
    const bool written = rewrite ? m_sink->WriteAt(kMetadataOffset, block.data(), block.size())
                                 : m_sink->Write(block.data(), block.size());
    return written ? VoiceResult::Ok : VoiceResult::WriteError;
}
