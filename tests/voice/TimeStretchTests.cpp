// The time stretcher behind the listening speeds: pitch and length at every speed, seamless
// joins, speed changes while it runs, and the odd inputs a stream can bring.
#include "tests/support/TestSignals.h"
#include "voice/TimeStretch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// Pushes the samples in pieces of `piece` frames and pulls whatever is ready in pieces of 333.
std::vector<std::int16_t> Stretch(CTimeStretcher& stretcher, const std::vector<std::int16_t>& samples,
                                  std::size_t piece, bool flush = true)
{
    const std::size_t channels = stretcher.Channels();
    const std::size_t frames = samples.size() / channels;
    std::vector<std::int16_t> out, buffer(333 * channels);
    auto drain = [&] {
        while (const std::size_t got = stretcher.Pull(buffer.data(), 333))
            out.insert(out.end(), buffer.begin(), buffer.begin() + got * channels);
    };
    for (std::size_t first = 0; first < frames; first += piece) {
        stretcher.Push(samples.data() + first * channels, std::min(piece, frames - first));
        drain();
    }
    if (flush) stretcher.Flush();
    drain();
    return out;
}

std::vector<std::int16_t> Stretch(const std::vector<std::int16_t>& samples, std::uint16_t channels,
                                  std::uint32_t rate, double speed, std::size_t piece = 4096)
{
    CTimeStretcher stretcher;
    EXPECT_TRUE(stretcher.Configure(rate, channels));
    EXPECT_TRUE(stretcher.SetSpeed(speed));
    return Stretch(stretcher, samples, piece);
}

// The largest step between neighbouring samples of one channel: a click is a step far larger
// than the tone itself ever takes.
int LargestStep(const std::vector<std::int16_t>& samples, std::uint16_t channels, std::size_t first = 0)
{
    int largest = 0;
    for (std::size_t i = (first + 1) * channels; i < samples.size(); ++i)
        largest = std::max(largest, std::abs(samples[i] - samples[i - channels]));
    return largest;
}
}

TEST(TimeStretch, KeepsThePitchAndGivesExactlyTheLengthAtEverySpeedRateAndLayout)
{
    for (const std::uint32_t rate : {8000u, 11025u, 16000u, 22050u, 44100u, 48000u})
        for (const std::uint16_t channels : {1, 2})
            for (const double hertz : {440.0, 1000.0}) {
                const std::size_t frames = rate * 2;
                const auto tone = MakeSine(frames, channels, rate, hertz);
                const int toneStep = LargestStep(tone, channels);
                for (const double speed : kListeningSpeeds) {
                    SCOPED_TRACE(testing::Message() << rate << " Hz, " << channels << " ch, " << hertz << " Hz tone, x" << speed);
                    const auto out = Stretch(tone, channels, rate, speed, 1000 + rate % 997);
                    const std::size_t outFrames = out.size() / channels;
                    EXPECT_EQ(outFrames, static_cast<std::size_t>(std::llround(frames / speed)));
                    for (std::uint16_t ch = 0; ch < channels; ++ch)
                        EXPECT_NEAR(ToneFrequency(out, channels, ch, rate, outFrames / 20, outFrames * 19 / 20), hertz,
                                    hertz * 0.01);
                    EXPECT_LE(LargestStep(out, channels), toneStep * 11 / 10) << "a click at a window join";
                    if (channels == 2) {
                        const std::size_t middle = outFrames / 2 * channels;
                        EXPECT_NEAR(out[middle], 2 * out[middle + 1], 2) << "channels mixed up";
                    }
                }
            }
}

TEST(TimeStretch, OutputDoesNotDependOnHowTheInputIsCutAndSpeedOneGivesTheInputBack)
{
    const auto voice = MakeTones(16000 * 3, 2, 16000);
    for (const double speed : {0.75, 1.0, 1.75}) {
        const auto whole = Stretch(voice, 2, 16000, speed, voice.size());
        for (const std::size_t piece : {1u, 7u, 191u, 4097u})
            EXPECT_EQ(Stretch(voice, 2, 16000, speed, piece), whole) << "x" << speed << " in pieces of " << piece;
        if (speed == 1.0) {
            EXPECT_EQ(whole, voice);
        }
    }
}

TEST(TimeStretch, SpeedChangesWhileRunningKeepPitchContinuityAndPosition)
{
    const std::uint32_t rate = 16000;
    const auto tone = MakeSine(rate * 4, 1, rate, 440);
    CTimeStretcher stretcher;
    ASSERT_TRUE(stretcher.Configure(rate, 1));
    ASSERT_TRUE(stretcher.SetSpeed(2.0));
    const std::vector<std::int16_t> firstHalf(tone.begin(), tone.begin() + rate * 2);
    auto out = Stretch(stretcher, firstHalf, 500, false);

    // Where the output stands in the input: two input frames for each output frame so far.
    EXPECT_NEAR(stretcher.InputPositionOfNextOutput(), 2.0 * out.size(), 1.0);
    const std::size_t change = out.size();
    ASSERT_TRUE(stretcher.SetSpeed(0.5));
    const auto secondHalf = Stretch(stretcher, std::vector<std::int16_t>(tone.begin() + rate * 2, tone.end()), 500);
    out.insert(out.end(), secondHalf.begin(), secondHalf.end());

    // One second at 2x and four at 0.5x; what had not been stretched at the change (at most a
    // window and its search range, 34 ms) comes out at the new speed.
    EXPECT_NEAR(static_cast<double>(out.size()), rate * 5.0, 0.034 * rate * (1 / 0.5 - 1 / 2.0));
    EXPECT_NEAR(ToneFrequency(out, 1, 0, rate, 0, change), 440, 4.4);
    EXPECT_NEAR(ToneFrequency(out, 1, 0, rate, change, out.size() - 400), 440, 4.4);
    EXPECT_LE(LargestStep(out, 1), LargestStep(tone, 1) * 11 / 10);

    // Speeds outside the range are refused and leave the speed as it was.
    for (const double refused : {0.0, 0.49, 2.01, -1.0, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_FALSE(stretcher.SetSpeed(refused)) << refused;
    EXPECT_EQ(stretcher.Speed(), 0.5);
}

TEST(TimeStretch, OddInputsSilenceTinyTracksAndResets)
{
    CTimeStretcher stretcher;
    // Nothing happens before a format is set, and unsupported formats are refused.
    std::int16_t frames[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    stretcher.Push(frames, 4);
    stretcher.Flush();
    EXPECT_EQ(stretcher.Pull(frames, 8), 0u);
    for (const auto& format : {std::pair<std::uint32_t, std::uint16_t>{999, 1}, {192001, 1}, {16000, 0}, {16000, 3}})
        EXPECT_FALSE(stretcher.Configure(format.first, format.second)) << format.first << "/" << format.second;
    ASSERT_TRUE(stretcher.Configure(8000, 1));

    // Silence stays silence, exactly as long as it should be; a track of a few samples too.
    for (const double speed : kListeningSpeeds)
        for (const std::size_t length : {0u, 1u, 3u, 95u, 97u, 8000u}) {
            ASSERT_TRUE(stretcher.SetSpeed(speed));
            stretcher.Reset();
            const auto out = Stretch(stretcher, std::vector<std::int16_t>(length, 0), 64);
            EXPECT_EQ(out.size(), static_cast<std::size_t>(std::llround(length / speed))) << length << " x" << speed;
            EXPECT_EQ(LargestStep(out, 1), 0);
        }

    // Full-scale input does not wrap around; after a flush more input is ignored until a reset.
    std::vector<std::int16_t> square(4000);
    for (std::size_t i = 0; i < square.size(); ++i) square[i] = (i / 20) % 2 ? -32768 : 32767;
    ASSERT_TRUE(stretcher.SetSpeed(0.75));
    stretcher.Reset();
    const auto loud = Stretch(stretcher, square, 999);
    EXPECT_EQ(loud.size(), static_cast<std::size_t>(std::llround(4000 / 0.75)));
    EXPECT_GT(*std::max_element(loud.begin(), loud.begin() + 4000), 30000);
    EXPECT_LT(*std::min_element(loud.begin(), loud.begin() + 4000), -30000);
    stretcher.Push(square.data(), 4000);
    EXPECT_EQ(stretcher.Available(), 0u);
    stretcher.Reset();
    EXPECT_EQ(stretcher.InputPositionOfNextOutput(), 0.0);
    EXPECT_EQ(Stretch(stretcher, square, 4000).size(), loud.size()) << "a reset left something behind";
}
