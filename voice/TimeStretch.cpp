#include "voice/TimeStretch.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {
// A window is two hops of 12 ms; a window may move 10 ms either way, which holds a whole
// period of any voice down to 50 Hz, so the search always finds the matching phase.
constexpr double kHopSeconds = 0.012;
constexpr double kToleranceSeconds = 0.010;
// The coarse search runs at about 8 kHz whatever the rate; speech's pitch lies far below that.
constexpr std::uint32_t kSearchRate = 8000;
// Consumed input is dropped in pieces of at least this many frames, not on every window.
constexpr std::int64_t kDropFrames = 8192;

std::int64_t Nearest(double frame)
{
    return static_cast<std::int64_t>(std::llround(frame));
}

std::int16_t ToSample(float value)
{
    const float rounded = std::nearbyint(value);
    return static_cast<std::int16_t>(std::clamp(rounded, -32768.0f, 32767.0f));
}
}

bool IsListeningSpeed(double speed)
{
    return std::find(std::begin(kListeningSpeeds), std::end(kListeningSpeeds), speed) != std::end(kListeningSpeeds);
}

bool CTimeStretcher::Configure(std::uint32_t sampleRate, std::uint16_t channels)
{
    if (sampleRate < kMinRate || sampleRate > kMaxRate || channels < 1 || channels > 2) return false;
    m_rate = sampleRate;
    m_channels = channels;
    m_hop = static_cast<std::size_t>(std::lround(sampleRate * kHopSeconds));
    m_tolerance = static_cast<std::size_t>(std::lround(sampleRate * kToleranceSeconds));
    m_decimation = std::max<std::size_t>(1, sampleRate / kSearchRate);
    // A periodic Hann window: the falling half of one window and the rising half of the next
    // add up to exactly one, so aligned windows give the input back unchanged.
    const std::size_t length = 2 * m_hop;
    m_window.resize(length);
    const double pi = 3.14159265358979323846;
    for (std::size_t i = 0; i < length; ++i)
        m_window[i] = static_cast<float>(0.5 - 0.5 * std::cos(2 * pi * static_cast<double>(i) / length));
    Reset();
    return true;
}

bool CTimeStretcher::SetSpeed(double speed)
{
    if (!(speed >= kMinSpeed && speed <= kMaxSpeed)) return false;
    m_speed = speed;
    return true;
}

void CTimeStretcher::Reset()
{
    m_input.clear();
    m_mono.clear();
    m_inputBase = 0;
    m_ended = false;
    m_nominal = 0;
    m_previous = -1;
    m_overlap.assign(m_hop * m_channels, 0.0f);
    m_produced = 0;
    m_target = 0;
    m_output.clear();
    m_pulled = 0;
    m_stretches.clear();
}

void CTimeStretcher::Push(const std::int16_t* frames, std::size_t count)
{
    if (!IsConfigured() || m_ended || !frames) return;
    for (std::size_t i = 0; i < count; ++i) {
        float mix = 0;
        for (std::size_t c = 0; c < m_channels; ++c) {
            const float sample = frames[i * m_channels + c];
            m_input.push_back(sample);
            mix += sample;
        }
        m_mono.push_back(mix / m_channels);
    }
    while (CanStep()) Step();
}

void CTimeStretcher::Flush()
{
    if (!IsConfigured() || m_ended) return;
    m_ended = true;
    // The input not yet stretched, at the present speed, is what is still owed.
    const double inputEnd = static_cast<double>(m_inputBase) + static_cast<double>(m_mono.size());
    const double owed = std::max(0.0, inputEnd - m_nominal) / m_speed;
    m_target = m_produced + static_cast<std::uint64_t>(std::llround(owed));

    // Past the end the input reads as silence, so windows go on until the output is long enough;
    // what the last one adds beyond that is cut.
    while (m_produced < m_target) Step();
    const std::uint64_t extra = m_produced - m_target;
    m_output.resize(m_output.size() - static_cast<std::size_t>(extra) * m_channels);
    m_produced = m_target;
}

std::size_t CTimeStretcher::Pull(std::int16_t* frames, std::size_t maxFrames)
{
    if (!frames) return 0;
    const std::size_t count = std::min(maxFrames, Available());
    const std::size_t samples = count * m_channels;
    std::copy(m_output.begin(), m_output.begin() + samples, frames);
    m_output.erase(m_output.begin(), m_output.begin() + samples);
    m_pulled += count;
    while (m_stretches.size() > 1 && m_stretches[1].first <= m_pulled) m_stretches.pop_front();
    return count;
}

double CTimeStretcher::InputPositionOfNextOutput() const
{
    if (m_stretches.empty()) return m_nominal;
    const Stretch& stretch = m_stretches.front();
    return stretch.input + static_cast<double>(m_pulled - stretch.first) * stretch.speed;
}

bool CTimeStretcher::CanStep() const
{
    const std::int64_t window = static_cast<std::int64_t>(2 * m_hop);
    std::int64_t needed = Nearest(m_nominal) + static_cast<std::int64_t>(m_tolerance) + window;
    if (m_previous >= 0) needed = std::max(needed, m_previous + static_cast<std::int64_t>(m_hop) + window);
    return needed <= m_inputBase + static_cast<std::int64_t>(m_mono.size());
}

void CTimeStretcher::Step()
{
    const std::int64_t nominal = Nearest(m_nominal);
    // The very first window starts the output at full level: its rising half is not faded in.
    const bool first = m_previous < 0;
    const std::int64_t start = first ? nominal : BestStart(nominal);
    m_stretches.push_back({m_produced, m_nominal, m_speed});

    std::vector<float> done(m_hop * m_channels);
    for (std::size_t j = 0; j < m_hop; ++j) {
        const float rising = first ? 1.0f : m_window[j];
        const float falling = m_window[j + m_hop];
        for (std::size_t c = 0; c < m_channels; ++c) {
            const std::size_t at = j * m_channels + c;
            done[at] = m_overlap[at] + rising * Sample(start + static_cast<std::int64_t>(j), c);
            m_overlap[at] = falling * Sample(start + static_cast<std::int64_t>(j + m_hop), c);
        }
    }
    Emit(done.data(), m_hop);
    m_previous = start;
    m_nominal += static_cast<double>(m_hop) * m_speed;
    DropOldInput();
}

// The start near `nominal` whose window best continues the last window's waveform: the one
// most like the input that follows the last window (normalised cross-correlation of the mix),
// first every few frames, then frame by frame around the best of those.
std::int64_t CTimeStretcher::BestStart(std::int64_t nominal) const
{
    const std::int64_t reference = m_previous + static_cast<std::int64_t>(m_hop);
    // At speed 1 the natural continuation is the nominal place itself: nothing can beat it.
    if (reference == nominal) return nominal;
    const std::int64_t tolerance = static_cast<std::int64_t>(m_tolerance);
    const std::int64_t low = std::max(nominal - tolerance, m_inputBase);
    const std::int64_t high = nominal + tolerance;
    const std::int64_t step = static_cast<std::int64_t>(m_decimation);

    // Ties (silence) keep the nominal place, so silence stretches exactly.
    std::int64_t best = nominal;
    double bestScore = Similarity(best, reference, m_decimation);
    for (std::int64_t candidate = low; candidate <= high; candidate += step) {
        const double score = Similarity(candidate, reference, m_decimation);
        if (score > bestScore) {
            bestScore = score;
            best = candidate;
        }
    }
    if (step == 1) return best;
    const std::int64_t coarse = best;
    bestScore = Similarity(coarse, reference, 1);
    for (std::int64_t candidate = std::max(low, coarse - step + 1); candidate <= std::min(high, coarse + step - 1); ++candidate) {
        const double score = Similarity(candidate, reference, 1);
        if (score > bestScore) {
            bestScore = score;
            best = candidate;
        }
    }
    return best;
}

double CTimeStretcher::Similarity(std::int64_t candidate, std::int64_t reference, std::size_t stride) const
{
    const std::int64_t window = static_cast<std::int64_t>(2 * m_hop);
    const std::int64_t end = m_inputBase + static_cast<std::int64_t>(m_mono.size());
    double product = 0;
    double energy = 0;
    if (candidate + window <= end && reference + window <= end) {
        const float* a = m_mono.data() + (candidate - m_inputBase);
        const float* b = m_mono.data() + (reference - m_inputBase);
        for (std::int64_t j = 0; j < window; j += static_cast<std::int64_t>(stride)) {
            product += static_cast<double>(a[j]) * b[j];
            energy += static_cast<double>(a[j]) * a[j];
        }
    } else {
        // Only near the end of a flushed input, where the rest reads as silence.
        for (std::int64_t j = 0; j < window; j += static_cast<std::int64_t>(stride)) {
            const double x = Mono(candidate + j);
            product += x * Mono(reference + j);
            energy += x * x;
        }
    }
    return energy > 0 ? product / std::sqrt(energy) : 0.0;
}

float CTimeStretcher::Mono(std::int64_t frame) const
{
    const std::int64_t at = frame - m_inputBase;
    return at >= 0 && at < static_cast<std::int64_t>(m_mono.size()) ? m_mono[static_cast<std::size_t>(at)] : 0.0f;
}

float CTimeStretcher::Sample(std::int64_t frame, std::size_t channel) const
{
    const std::int64_t at = frame - m_inputBase;
    if (at < 0 || at >= static_cast<std::int64_t>(m_mono.size())) return 0.0f;
    return m_input[static_cast<std::size_t>(at) * m_channels + channel];
}

void CTimeStretcher::Emit(const float* samples, std::size_t frames)
{
    for (std::size_t i = 0; i < frames * m_channels; ++i) m_output.push_back(ToSample(samples[i]));
    m_produced += frames;
}

void CTimeStretcher::DropOldInput()
{
    // Still needed: the next window's search range and the continuation of the last window.
    const std::int64_t keep = std::min(Nearest(m_nominal) - static_cast<std::int64_t>(m_tolerance),
                                       m_previous + static_cast<std::int64_t>(m_hop));
    const std::int64_t drop = keep - m_inputBase;
    if (drop < kDropFrames) return;
    m_input.erase(m_input.begin(), m_input.begin() + drop * m_channels);
    m_mono.erase(m_mono.begin(), m_mono.begin() + drop);
    m_inputBase = keep;
}
