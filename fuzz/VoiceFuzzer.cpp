// Native fuzz target for the voice library, which is plain C++: built on Linux with clang,
// libFuzzer and AddressSanitizer by scripts/fuzz.sh. AddressSanitizer reports the out-of-bounds
// reads and writes that a crash-only check of the Windows build would miss, and the checks below
// stop on a stream that contradicts its own length.
//
// Each input goes through every reader of the library: the random-access decoder and the WAVE
// view the source filter presents (whole, in pieces of sizes the input chooses, and at odd
// places), the whole-track decoder, and the WAVE reader and encoder the command-line tool uses.
// The time stretcher takes the same bytes as samples, in a format, pieces and speeds they choose.
#include "voice/TimeStretch.h"
#include "voice/TmvReader.h"
#include "voice/VoiceFiles.h"
#include "voice/WavFile.h"
#include "voice/WaveStreamView.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
void Require(bool condition, const char* what)
{
    if (condition) return;
    std::fprintf(stderr, "voice_fuzzer: %s\n", what);
    std::abort();
}

// The view's virtual WAVE file, read front to back in pieces, then at a few other places.
void ReadView(const std::uint8_t* data, std::size_t size)
{
    CMemorySource source(data, size);
    CWaveStreamView view;
    if (view.Open(source) != VoiceResult::Ok) return;
    const std::uint64_t length = view.Length();
    const TmvHeader& header = view.Header();
    Require(length == kWavHeaderSize + header.frameCount * header.channels * 2u, "the stream length is not the samples'");

    std::vector<std::uint8_t> buffer(1 << 16);
    std::uint64_t position = 0;
    for (std::size_t i = 0; position < length; ++i) {
        const std::size_t piece = 1 + (size ? data[i % size] * 97u + i : i) % buffer.size();
        std::size_t copied = 0;
        const VoiceResult result = view.Read(position, buffer.data(), piece, copied);
        if (result == VoiceResult::CorruptBlock) return;
        Require(result == VoiceResult::Ok, "a read of the view failed for another reason than a corrupt block");
        Require(copied == std::min<std::uint64_t>(piece, length - position), "a read came back short inside the stream");
        position += copied;
    }
    for (std::size_t i = 0; i < 4 && size; ++i) {
        const std::uint64_t at = (static_cast<std::uint64_t>(data[i % size]) << (8 * (i % 4))) % (length + 64);
        std::size_t copied = 0;
        const VoiceResult result = view.Read(at, buffer.data(), buffer.size(), copied);
        Require(result == VoiceResult::Ok || result == VoiceResult::CorruptBlock, "a read at an odd place failed");
        Require(copied <= buffer.size(), "a read copied more than asked");
    }
}

// The decoder's own ranges, including the ones it must refuse.
void ReadFrames(const std::uint8_t* data, std::size_t size)
{
    CMemorySource source(data, size);
    CTmvReader reader;
    if (reader.Open(source) != VoiceResult::Ok) return;
    const TmvHeader& header = reader.Header();
    std::vector<std::int16_t> frames(4096u * header.channels);
    const std::uint64_t count = std::min<std::uint64_t>(header.frameCount, 4096);
    const VoiceResult first = reader.ReadFrames(0, static_cast<std::size_t>(count), frames.data());
    Require(first == VoiceResult::Ok || first == VoiceResult::CorruptBlock, "the first frames did not decode");
    if (header.frameCount >= count) {
        const VoiceResult last = reader.ReadFrames(header.frameCount - count, static_cast<std::size_t>(count), frames.data());
        Require(last == VoiceResult::Ok || last == VoiceResult::CorruptBlock, "the last frames did not decode");
    }
    Require(reader.ReadFrames(header.frameCount, 1, frames.data()) == VoiceResult::OutOfRange, "a frame past the end");
    Require(reader.ReadFrames(~0ull, 2, frames.data()) == VoiceResult::OutOfRange, "a range that wraps");
}

void ConvertWholeFiles(const std::uint8_t* data, std::size_t size)
{
    {
        CMemorySource tmv(data, size);
        CMemorySink wav;
        DecodeToWav(tmv, wav);
    }
    CMemorySource wav(data, size);
    CMemorySink tmv;
    if (EncodeWav(wav, tmv, TmvCodec::ImaAdpcm) != VoiceResult::Ok) return;
    // What the encoder wrote reads back as a track.
    CMemorySource written(tmv.Bytes());
    CTmvReader reader;
    Require(reader.Open(written) == VoiceResult::Ok, "an encoded track does not open");
}

// The bytes after the first four as samples; the first four pick the rate, the channels and the
// speed. When the input chooses to change the speed along the way, only the bounds of the
// output's length are checked; at one speed its length is exact.
void StretchSamples(const std::uint8_t* data, std::size_t size)
{
    if (size < 4) return;
    const double speeds[] = {0.5, 0.75, 1.0, 1.25, 1.5, 1.75, 2.0};
    CTimeStretcher stretcher;
    const std::uint32_t rate = CTimeStretcher::kMinRate + (data[0] | data[1] << 8) * 7u % 40001u;
    const std::uint16_t channels = 1 + data[2] % 2;
    Require(stretcher.Configure(rate, channels), "a supported format was refused");
    const double speed = speeds[data[3] % 7];
    Require(stretcher.SetSpeed(speed), "a supported speed was refused");
    const bool changes = data[3] & 0x80;

    std::vector<std::int16_t> samples((size - 4) / 2);
    if (!samples.empty()) std::memcpy(samples.data(), data + 4, samples.size() * 2);
    const std::size_t frames = samples.size() / channels;
    std::vector<std::int16_t> out(4096u * channels);
    std::uint64_t produced = 0;
    for (std::size_t first = 0, i = 0; first < frames; ++i) {
        const std::size_t piece = std::min<std::size_t>(frames - first, 1 + data[i % size] * 5u);
        stretcher.Push(samples.data() + first * channels, piece);
        first += piece;
        if (changes) stretcher.SetSpeed(speeds[data[(i + 1) % size] % 7]);
        while (const std::size_t got = stretcher.Pull(out.data(), 1 + data[(i + 2) % size] * 16u)) produced += got;
    }
    stretcher.Flush();
    while (const std::size_t got = stretcher.Pull(out.data(), 4096)) produced += got;
    if (changes)
        Require(produced >= frames / 2 && produced <= frames * 2 + 1, "the output's length is out of bounds");
    else
        Require(produced == static_cast<std::uint64_t>(std::llround(frames / speed)), "the output's length is not exact");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ReadView(data, size);
    ReadFrames(data, size);
    ConvertWholeFiles(data, size);
    StretchSamples(data, size);
    return 0;
}
