#pragma once
// Test signals, and the voice tracks and WAVE files made of them, for every test that needs
// sound: the voice format, the source filter, the engine, kavtool and the fuzzer's seeds.

#include "voice/ByteIo.h"
#include "voice/TmvFormat.h"
#include "voice/TmvWriter.h"
#include "voice/WavFile.h"

#include <cmath>
#include <cstdint>
#include <vector>

// Two tones under a slow swell, like a voice rising and falling; channel 1 (if any) is the
// same at another pitch, so a channel mix-up shows.
inline std::vector<std::int16_t> MakeTones(std::uint32_t frames, std::uint16_t channels, std::uint32_t rate)
{
    std::vector<std::int16_t> samples(static_cast<std::size_t>(frames) * channels);
    const double pi = 3.14159265358979323846;
    for (std::uint32_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double swell = 0.55 + 0.45 * std::sin(2 * pi * 0.7 * t);
        for (std::uint16_t ch = 0; ch < channels; ++ch) {
            const double f = 220.0 * (ch + 1);
            const double v = swell * (9000 * std::sin(2 * pi * f * t) + 4000 * std::sin(2 * pi * 3.1 * f * t));
            samples[static_cast<std::size_t>(i) * channels + ch] = static_cast<std::int16_t>(std::lround(v));
        }
    }
    return samples;
}

// A signal that tells the time: the samples of each 10 ms step hold 8 times the step number
// (counting from -4000 steps so the values stay well inside 16 bits for 80 s), so any sample
// read back says where in the track it came from, even after ADPCM.
constexpr std::uint32_t kClockStepMs = 10;
inline std::int16_t ClockValue(std::uint64_t frame, std::uint32_t rate)
{
    const std::uint64_t step = frame * 1000 / rate / kClockStepMs;
    return static_cast<std::int16_t>((static_cast<std::int64_t>(step % 8000) - 4000) * 8);
}
// The 10 ms step a decoded sample belongs to, or -1 when the value is not near any step.
inline std::int64_t ClockStepOf(std::int16_t value)
{
    const std::int64_t scaled = value + 32000;
    const std::int64_t step = (scaled + 4) / 8;
    return std::llabs(scaled - step * 8) <= 3 ? step : -1;
}
inline std::vector<std::int16_t> MakeClock(std::uint32_t frames, std::uint32_t rate)
{
    std::vector<std::int16_t> samples(frames);
    for (std::uint32_t i = 0; i < frames; ++i) samples[i] = ClockValue(i, rate);
    return samples;
}

// Encodes interleaved samples as a TMV track in memory.
inline std::vector<std::uint8_t> EncodeTrack(const std::vector<std::int16_t>& samples, const TmvFormat& format)
{
    CMemorySink sink;
    CTmvWriter writer;
    if (writer.Begin(sink, format) != VoiceResult::Ok) return {};
    // Feed in uneven pieces, as a streaming caller would.
    const std::size_t frames = samples.size() / format.channels;
    for (std::size_t first = 0, piece = 1; first < frames; piece = piece * 3 + 7) {
        const std::size_t count = std::min(piece, frames - first);
        if (writer.Write(samples.data() + first * format.channels, count) != VoiceResult::Ok) return {};
        first += count;
    }
    if (writer.Finish() != VoiceResult::Ok) return {};
    return sink.Bytes();
}

// A 16-bit PCM WAVE file of interleaved samples; empty when the writer fails.
inline std::vector<std::uint8_t> MakeWav(const std::vector<std::int16_t>& samples, std::uint16_t channels,
                                         std::uint32_t rate)
{
    CMemorySink sink;
    CWavWriter writer;
    if (writer.Begin(sink, channels, rate) != VoiceResult::Ok ||
        writer.Write(samples.data(), samples.size() / channels) != VoiceResult::Ok || writer.Finish() != VoiceResult::Ok)
        return {};
    return sink.Bytes();
}

inline TmvFormat MakeFormat(TmvCodec codec, std::uint16_t channels, std::uint32_t rate, std::uint32_t framesPerBlock = 0)
{
    TmvFormat format;
    format.codec = codec;
    format.channels = channels;
    format.sampleRate = rate;
    format.framesPerBlock = framesPerBlock;
    return format;
}

// Signal-to-noise ratio of `decoded` against `source`, in dB.
inline double SnrDb(const std::vector<std::int16_t>& source, const std::vector<std::int16_t>& decoded)
{
    double signal = 0, noise = 0;
    for (std::size_t i = 0; i < source.size() && i < decoded.size(); ++i) {
        signal += static_cast<double>(source[i]) * source[i];
        const double e = static_cast<double>(source[i]) - decoded[i];
        noise += e * e;
    }
    return noise == 0 ? 200.0 : 10 * std::log10(signal / noise);
}

// A steady tone, the same on every channel but at half the level on the second, so a channel
// mix-up shows.
inline std::vector<std::int16_t> MakeSine(std::size_t frames, std::uint16_t channels, std::uint32_t rate, double hertz)
{
    std::vector<std::int16_t> samples(frames * channels);
    const double pi = 3.14159265358979323846;
    for (std::size_t i = 0; i < frames; ++i) {
        const double v = 12000 * std::sin(2 * pi * hertz * static_cast<double>(i) / rate);
        for (std::uint16_t ch = 0; ch < channels; ++ch)
            samples[i * channels + ch] = static_cast<std::int16_t>(std::lround(ch == 0 ? v : v / 2));
    }
    return samples;
}

// The frequency of a tone in one channel of frames [first, last), from the rising zero
// crossings (interpolated between samples) that lie in it; 0 when fewer than two.
inline double ToneFrequency(const std::vector<std::int16_t>& samples, std::uint16_t channels, std::uint16_t channel,
                            std::uint32_t rate, std::size_t first, std::size_t last)
{
    double firstCrossing = -1, lastCrossing = -1;
    int crossings = 0;
    for (std::size_t i = first + 1; i < last && i * channels < samples.size(); ++i) {
        const double a = samples[(i - 1) * channels + channel], b = samples[i * channels + channel];
        if (a >= 0 || b < 0) continue;
        const double at = static_cast<double>(i - 1) + a / (a - b);
        if (crossings++ == 0) firstCrossing = at;
        lastCrossing = at;
    }
    return crossings < 2 ? 0.0 : (crossings - 1) * rate / (lastCrossing - firstCrossing);
}
