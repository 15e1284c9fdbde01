// encode and decode: conversions between 16-bit PCM WAVE files and TMV voice tracks.
#include "kavtool/CommandLine.h"
#include "kavtool/Commands.h"
#include "kavtool/Console.h"
#include "kavtool/ToolFiles.h"
#include "kavtool/VoiceTrack.h"
#include "voice/TimeStretch.h"

#include <cwchar>

namespace {
const wchar_t kEncodeHelp[] =
    L"Usage: kavtool encode IN.wav OUT.tmv [--codec adpcm|pcm]\n"
    L"\n"
    L"Encodes a 16-bit PCM WAVE file (mono or stereo) as a TMV voice track.\n"
    L"  --codec adpcm   IMA ADPCM, 4 bits a sample (the default)\n"
    L"  --codec pcm     16-bit PCM, as the input\n"
    L"OUT.tmv is written whole or not at all; an earlier file of that name stays until the new one is complete.";

const wchar_t kDecodeHelp[] =
    L"Usage: kavtool decode IN.tmv OUT.wav [--speed 0.5|0.75|1|1.25|1.5|1.75|2]\n"
    L"\n"
    L"Decodes a TMV voice track into a 16-bit PCM WAVE file.\n"
    L"  --speed S   writes the voice as the player plays it at that listening speed: faster or\n"
    L"              slower with its pitch kept, lasting the track's duration divided by S\n"
    L"OUT.wav is written whole or not at all; an earlier file of that name stays until the new one is complete.";

// The listening speed --speed names, 1 when it is not given.
double SpeedOption(const CCommandLine& line)
{
    const std::wstring text = line.Value(L"--speed").value_or(L"1");
    wchar_t* end = nullptr;
    const double speed = std::wcstod(text.c_str(), &end);
    if (text.empty() || *end != L'\0' || !IsListeningSpeed(speed))
        line.FailUsage(L"--speed is one of 0.5, 0.75, 1, 1.25, 1.5, 1.75 and 2, not \"" + text + L"\"");
    return speed;
}

// The input must exist, and the output must not be the input: writing it would destroy what
// is being read.
void CheckInputAndOutput(const CCommandLine& line, const std::wstring& in, const std::wstring& out)
{
    RequireInputFile(in);
    if (IsSameFile(in, out)) line.FailUsage(L"OUT is the input file " + in);
    if (IsExistingFolder(out)) FailWithFile(out, L"is a folder");
}
}  // namespace

int RunEncode(const std::vector<std::wstring>& args)
{
    const CCommandLine line(L"encode", args, {{L"--codec", true, false}});
    if (line.PrintHelpIfAsked(kEncodeHelp)) return kExitOk;
    line.ExpectPositionals({L"IN.wav", L"OUT.tmv"});
    const std::wstring& in = line.Positional(0);
    const std::wstring& out = line.Positional(1);
    const TmvCodec codec = CodecOption(line);
    CheckInputAndOutput(line, in, out);

    CTemporaryFile output = CTemporaryFile::Beside(out);
    const double seconds = EncodeVoice(in, output.Path(), out, codec);
    const TmvHeader header = ReadVoiceHeader(output.Path());
    output.MoveTo(out);

    wchar_t speed[64];
    std::swprintf(speed, 64, L"encoded at %.0fx real time", seconds > 0 ? DurationSeconds(header) / seconds : 0.0);
    PrintOut(out + L": " + DescribeDurationAndFormat(header) + L", " + CodecName(header.codec) + L", " +
             std::to_wstring(FileSize(out)) + L" bytes, " + speed);
    return kExitOk;
}

int RunDecode(const std::vector<std::wstring>& args)
{
    const CCommandLine line(L"decode", args, {{L"--speed", true, false}});
    if (line.PrintHelpIfAsked(kDecodeHelp)) return kExitOk;
    line.ExpectPositionals({L"IN.tmv", L"OUT.wav"});
    const std::wstring& in = line.Positional(0);
    const std::wstring& out = line.Positional(1);
    const double speed = SpeedOption(line);
    CheckInputAndOutput(line, in, out);
    const TmvHeader header = ReadVoiceHeader(in);

    CTemporaryFile output = CTemporaryFile::Beside(out);
    DecodeVoice(in, output.Path(), out, speed);
    output.MoveTo(out);

    std::wstring played;
    if (speed != 1.0) {
        wchar_t text[64];
        std::swprintf(text, 64, L", played at %gx: %.3f s", speed, DurationSeconds(header) / speed);
        played = text;
    }
    PrintOut(out + L": " + DescribeDurationAndFormat(header) + L", " + std::to_wstring(FileSize(out)) +
             L" bytes of 16-bit PCM, decoded from " + CodecName(header.codec) + played);
    return kExitOk;
}
