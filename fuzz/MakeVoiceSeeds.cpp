// Writes the native voice fuzzer's first inputs into a folder: valid tracks of both codecs in
// mono and stereo with short and long blocks, and WAVE files, all made by the library itself.
//
//   make_voice_seeds FOLDER
#include "voice/TmvWriter.h"
#include "voice/WavFile.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {
std::vector<std::int16_t> Tones(std::uint32_t frames, std::uint16_t channels)
{
    std::vector<std::int16_t> samples(static_cast<std::size_t>(frames) * channels);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(9000 * std::sin(i * 0.07) + 2000 * std::sin(i * 0.31));
    return samples;
}

bool Save(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return out.good();
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_voice_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    struct Track {
        TmvCodec codec;
        std::uint16_t channels;
        std::uint32_t framesPerBlock;
        std::uint32_t frames;
    };
    const Track tracks[] = {{TmvCodec::ImaAdpcm, 1, 0, 2500}, {TmvCodec::ImaAdpcm, 2, 25, 400},
                            {TmvCodec::Pcm16, 1, 64, 300},    {TmvCodec::Pcm16, 2, 0, 1500},
                            {TmvCodec::ImaAdpcm, 1, 9, 1},    {TmvCodec::Pcm16, 1, 1, 0}};
    int index = 0;
    for (const Track& track : tracks) {
        TmvFormat format;
        format.codec = track.codec;
        format.channels = track.channels;
        format.sampleRate = 8000;
        format.framesPerBlock = track.framesPerBlock;
        CMemorySink sink;
        CTmvWriter writer;
        const std::vector<std::int16_t> samples = Tones(track.frames, track.channels);
        if (writer.Begin(sink, format) != VoiceResult::Ok || writer.Write(samples.data(), track.frames) != VoiceResult::Ok ||
            writer.Finish() != VoiceResult::Ok || !Save(folder + "/track-" + std::to_string(index++) + ".tmv", sink.Bytes()))
            return 1;
    }
    for (const std::uint16_t channels : {1, 2}) {
        CMemorySink sink;
        CWavWriter writer;
        const std::vector<std::int16_t> samples = Tones(700, channels);
        if (writer.Begin(sink, channels, 8000) != VoiceResult::Ok || writer.Write(samples.data(), 700) != VoiceResult::Ok ||
            writer.Finish() != VoiceResult::Ok || !Save(folder + "/wave-" + std::to_string(channels) + ".wav", sink.Bytes()))
            return 1;
    }
    return 0;
}
