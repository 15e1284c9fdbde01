#include "voice/VoiceFiles.h"

#include "voice/TimeStretch.h"
#include "voice/TmvReader.h"
#include "voice/TmvWriter.h"
#include "voice/WavFile.h"

#include <algorithm>
#include <system_error>
#include <vector>

namespace {
constexpr std::size_t kChunkFrames = 8192;

VoiceOutcome Failure(VoiceResult result, const std::filesystem::path& path)
{
    return {result, path.u8string() + ": " + DescribeVoiceResult(result)};
}

// Opens both files, runs the conversion, and on failure removes the output so that no partial
// file is left looking like a finished one.
template <class Convert>
VoiceOutcome ConvertFile(const std::filesystem::path& inPath, const std::filesystem::path& outPath, Convert convert)
{
    CFileSource in(inPath);
    if (!in.IsOpen()) return {VoiceResult::ReadError, inPath.u8string() + ": cannot open the file"};
    CFileSink out(outPath);
    if (!out.IsOpen()) return {VoiceResult::WriteError, outPath.u8string() + ": cannot create the file"};

    VoiceResult result = convert(in, out);
    const bool closed = out.Close();
    if (result == VoiceResult::Ok && !closed) result = VoiceResult::WriteError;
    if (result == VoiceResult::Ok) return {};

    std::error_code ignored;
    std::filesystem::remove(outPath, ignored);
    const bool outputFault = result == VoiceResult::WriteError || result == VoiceResult::TooLong;
    return Failure(result, outputFault ? outPath : inPath);
}
}

VoiceResult EncodeWav(IByteSource& wav, IByteSink& tmv, TmvCodec codec)
{
    CWavReader reader;
    VoiceResult result = reader.Open(wav);
    if (result != VoiceResult::Ok) return result;

    TmvFormat format;
    format.codec = codec;
    format.channels = reader.Channels();
    format.sampleRate = reader.SampleRate();
    CTmvWriter writer;
    result = writer.Begin(tmv, format);
    if (result != VoiceResult::Ok) return result;

    std::vector<std::int16_t> frames(kChunkFrames * reader.Channels());
    for (;;) {
        std::size_t read = 0;
        result = reader.Read(frames.data(), kChunkFrames, read);
        if (result != VoiceResult::Ok) return result;
        if (read == 0) break;
        result = writer.Write(frames.data(), read);
        if (result != VoiceResult::Ok) return result;
    }
    return writer.Finish();
}

VoiceResult DecodeToWav(IByteSource& tmv, IByteSink& wav, double speed)
{
    CTmvReader reader;
    VoiceResult result = reader.Open(tmv);
    if (result != VoiceResult::Ok) return result;
    const TmvHeader& header = reader.Header();
    CTimeStretcher stretcher;
    const bool stretched = speed != 1.0;
    if (stretched && !(stretcher.Configure(header.sampleRate, header.channels) && stretcher.SetSpeed(speed)))
        return VoiceResult::BadState;
    CWavWriter writer;
    result = writer.Begin(wav, header.channels, header.sampleRate);
    if (result != VoiceResult::Ok) return result;

    std::vector<std::int16_t> frames(kChunkFrames * header.channels);
    // Writes what the stretcher has ready, in pieces of the decoding buffer's size.
    auto writeStretched = [&] {
        while (const std::size_t ready = stretcher.Pull(frames.data(), kChunkFrames)) {
            const VoiceResult written = writer.Write(frames.data(), ready);
            if (written != VoiceResult::Ok) return written;
        }
        return VoiceResult::Ok;
    };
    for (std::uint64_t first = 0; first < header.frameCount;) {
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(kChunkFrames, header.frameCount - first));
        result = reader.ReadFrames(first, count, frames.data());
        if (result != VoiceResult::Ok) return result;
        if (stretched) {
            stretcher.Push(frames.data(), count);
            result = writeStretched();
        } else {
            result = writer.Write(frames.data(), count);
        }
        if (result != VoiceResult::Ok) return result;
        first += count;
    }
    if (stretched) {
        stretcher.Flush();
        result = writeStretched();
        if (result != VoiceResult::Ok) return result;
    }
    return writer.Finish();
}

VoiceOutcome EncodeWavFile(const std::filesystem::path& wavPath, const std::filesystem::path& tmvPath, TmvCodec codec)
{
    return ConvertFile(wavPath, tmvPath, [codec](IByteSource& in, IByteSink& out) { return EncodeWav(in, out, codec); });
}

VoiceOutcome DecodeToWavFile(const std::filesystem::path& tmvPath, const std::filesystem::path& wavPath, double speed)
{
    return ConvertFile(tmvPath, wavPath, [speed](IByteSource& in, IByteSink& out) { return DecodeToWav(in, out, speed); });
}

bool ParseTmvCodec(const std::string& name, TmvCodec& codec)
{
    if (name == "adpcm") {
        codec = TmvCodec::ImaAdpcm;
        return true;
    }
    if (name == "pcm") {
        codec = TmvCodec::Pcm16;
        return true;
    }
    return false;
}
