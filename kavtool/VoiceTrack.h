#pragma once
// Voice-track steps shared by the commands: telling a WAVE file by its header, encoding one,
// checking a TMV track and describing it in one line.

#include "voice/TmvFormat.h"

class CCommandLine;

#include <string>

// The codec that --codec names, IMA ADPCM when it is not given.
TmvCodec CodecOption(const CCommandLine& line);

// Whether the file starts with a RIFF header of form type WAVE.
bool StartsAsWave(const std::wstring& path);

// Encodes the WAVE file into `tmvPath` and returns the seconds it took. A failure ends the
// command naming the file at fault: the input, or `shownOutput` for a write failure (the
// output is written under a temporary name and shown under its real one).
double EncodeVoice(const std::wstring& wavPath, const std::wstring& tmvPath, const std::wstring& shownOutput, TmvCodec codec);
// Decodes the TMV track into `wavPath` at a listening speed, with failures reported as for
// EncodeVoice.
void DecodeVoice(const std::wstring& tmvPath, const std::wstring& wavPath, const std::wstring& shownOutput, double speed);

// The header of the valid, complete TMV track at `path`; ends the command otherwise.
TmvHeader ReadVoiceHeader(const std::wstring& path);

double DurationSeconds(const TmvHeader& header);
const wchar_t* CodecName(TmvCodec codec);
// "12.345 s, 16000 Hz mono"
std::wstring DescribeDurationAndFormat(const TmvHeader& header);
