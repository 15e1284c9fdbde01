#include "kavtool/VoiceTrack.h"

#include "kavtool/CommandLine.h"
#include "kavtool/Console.h"
#include "kavtool/ToolFiles.h"
#include "voice/TmvReader.h"
#include "voice/VoiceFiles.h"

#include <windows.h>
#include <cstring>
#include <cwchar>

namespace {
constexpr std::size_t kRiffHeaderSize = 12;

// The voice library names the file it was given; the output's is a temporary name, so the
// message is built here with the name the user gave.
[[noreturn]] void FailVoice(const VoiceOutcome& outcome, const std::wstring& input, const std::wstring& shownOutput)
{
    const bool outputFault = outcome.result == VoiceResult::WriteError || outcome.result == VoiceResult::TooLong;
    FailWithFile(outputFault ? shownOutput : input, FromUtf8(DescribeVoiceResult(outcome.result)));
}

double SecondsSince(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}
}  // namespace

TmvCodec CodecOption(const CCommandLine& line)
{
    TmvCodec codec = TmvCodec::ImaAdpcm;
    const std::wstring name = line.Value(L"--codec").value_or(L"adpcm");
    if (!ParseTmvCodec(ToUtf8(name), codec)) line.FailUsage(L"--codec is adpcm or pcm, not \"" + name + L"\"");
    return codec;
}

bool StartsAsWave(const std::wstring& path)
{
    const std::vector<std::uint8_t> start = ReadFileStart(path, kRiffHeaderSize);
    return start.size() == kRiffHeaderSize && std::memcmp(start.data(), "RIFF", 4) == 0 &&
           std::memcmp(start.data() + 8, "WAVE", 4) == 0;
}

double EncodeVoice(const std::wstring& wavPath, const std::wstring& tmvPath, const std::wstring& shownOutput, TmvCodec codec)
{
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    const VoiceOutcome outcome = EncodeWavFile(wavPath, tmvPath, codec);
    const double seconds = SecondsSince(start);
    if (!outcome.Succeeded()) FailVoice(outcome, wavPath, shownOutput);
    return seconds;
}

void DecodeVoice(const std::wstring& tmvPath, const std::wstring& wavPath, const std::wstring& shownOutput, double speed)
{
    const VoiceOutcome outcome = DecodeToWavFile(tmvPath, wavPath, speed);
    if (!outcome.Succeeded()) FailVoice(outcome, tmvPath, shownOutput);
}

TmvHeader ReadVoiceHeader(const std::wstring& path)
{
    CFileSource source{std::filesystem::path(path)};
    if (!source.IsOpen()) FailWithFile(path, L"cannot be opened");
    CTmvReader reader;
    const VoiceResult result = reader.Open(source);
    if (result == VoiceResult::NotTmv) FailWithFile(path, L"not a TMV voice track");
    if (result != VoiceResult::Ok) FailWithFile(path, L"unusable TMV voice track: " + FromUtf8(DescribeVoiceResult(result)));
    return reader.Header();
}

double DurationSeconds(const TmvHeader& header)
{
    return static_cast<double>(header.frameCount) / header.sampleRate;
}

const wchar_t* CodecName(TmvCodec codec)
{
    return codec == TmvCodec::Pcm16 ? L"16-bit PCM" : L"IMA ADPCM";
}

std::wstring DescribeDurationAndFormat(const TmvHeader& header)
{
    wchar_t text[64];
    std::swprintf(text, 64, L"%.3f s, %u Hz %ls", DurationSeconds(header), static_cast<unsigned>(header.sampleRate),
                  header.channels == 1 ? L"mono" : L"stereo");
    return text;
}
