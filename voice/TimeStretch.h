#pragma once
// Changes the speed of 16-bit PCM speech and keeps its pitch (WSOLA: waveform-similarity
// overlap-add). The output is built from windows of the input laid end to end at a fixed hop;
// the input advances by the hop times the speed, and each window is moved by up to a pitch
// period to where it best continues the one before, so the waveform joins without a seam.
//
// Streaming: push input frames, pull output frames, flush once the input has ended, reset on a
// seek. The output depends only on the input and on the speed at each step, never on how the
// input was cut into pushes. Plain C++, no Windows calls.

#include "voice/TmvFormat.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

// The speeds a listener chooses from.
constexpr double kListeningSpeeds[] = {0.5, 0.75, 1.0, 1.25, 1.5, 1.75, 2.0};
bool IsListeningSpeed(double speed);

class CTimeStretcher {
public:
    static constexpr double kMinSpeed = 0.5;
    static constexpr double kMaxSpeed = 2.0;
    static constexpr std::uint32_t kMinRate = kTmvMinSampleRate;
    static constexpr std::uint32_t kMaxRate = kTmvMaxSampleRate;

    // Sets the format (any rate a voice track may have, one or two channels) and forgets all
    // input and output; false for any other format, which leaves the stretcher as it was.
    bool Configure(std::uint32_t sampleRate, std::uint16_t channels);
    bool IsConfigured() const { return m_channels != 0; }
    std::uint32_t SampleRate() const { return m_rate; }
    std::uint16_t Channels() const { return m_channels; }

    // 0.5 to 2 (recording seconds per second of output); false outside it. A new speed applies
    // from the next window on, so it may change at any time.
    bool SetSpeed(double speed);
    double Speed() const { return m_speed; }

    // Takes `count` interleaved frames. Ignored after Flush until Reset.
    void Push(const std::int16_t* frames, std::size_t count);
    // The input has ended: what is left comes out, so that the whole output is the input's
    // length divided by the speed (piece by piece where the speed changed), to the frame.
    void Flush();
    // Forgets all input and output (a seek); format and speed stay.
    void Reset();

    // Frames ready to pull, and up to `maxFrames` of them copied out.
    std::size_t Available() const { return m_channels ? m_output.size() / m_channels : 0; }
    std::size_t Pull(std::int16_t* frames, std::size_t maxFrames);

    // Where in the input (in frames since the last reset) the next pulled frame comes from.
    double InputPositionOfNextOutput() const;

private:
    // Output frames [first, first + count) stand for the input from `input` on at `speed`.
    struct Stretch {
        std::uint64_t first;
        double input;
        double speed;
    };

    bool CanStep() const;
    void Step();
    std::int64_t BestStart(std::int64_t nominal) const;
    double Similarity(std::int64_t candidate, std::int64_t reference, std::size_t stride) const;
    float Mono(std::int64_t frame) const;
    float Sample(std::int64_t frame, std::size_t channel) const;
    void Emit(const float* samples, std::size_t frames);
    void DropOldInput();

    std::uint32_t m_rate = 0;
    std::uint16_t m_channels = 0;
    double m_speed = 1.0;
    std::size_t m_hop = 0;        // output frames per window step; a window is two hops
    std::size_t m_tolerance = 0;  // how far a window may move from its nominal place
    std::size_t m_decimation = 1; // the coarse search looks at every n-th frame
    std::vector<float> m_window;

    // Input kept from frame m_inputBase on: interleaved samples and their channel mix.
    std::vector<float> m_input;
    std::vector<float> m_mono;
    std::int64_t m_inputBase = 0;
    bool m_ended = false;

    double m_nominal = 0;          // nominal input frame of the next window
    std::int64_t m_previous = -1;  // where the last window was taken from; -1 before the first
    std::vector<float> m_overlap;  // the second half of the last window, waiting for the next
    std::uint64_t m_produced = 0;  // frames moved to the output since the reset
    std::uint64_t m_target = 0;    // after Flush: the frame count the output ends at

    std::vector<std::int16_t> m_output;  // produced, not yet pulled
    std::uint64_t m_pulled = 0;
    std::deque<Stretch> m_stretches;
};
