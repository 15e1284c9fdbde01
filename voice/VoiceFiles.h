#pragma once
// Whole-file conversions between WAVE and TMV, for the command-line tool and the tests. They
// stream through a fixed-size buffer, so any length of recording converts in the same memory.

#include "voice/ByteIo.h"
#include "voice/TmvFormat.h"

#include <filesystem>
#include <string>

struct VoiceOutcome {
    VoiceResult result = VoiceResult::Ok;
    std::string message;  // empty on success; otherwise says what failed and where
    bool Succeeded() const { return result == VoiceResult::Ok; }
};

// Encodes the samples of a 16-bit PCM WAVE stream as a TMV track with the given codec (the
// block size is the codec's default).
VoiceResult EncodeWav(IByteSource& wav, IByteSink& tmv, TmvCodec codec);
// Decodes a whole TMV track into a 16-bit PCM WAVE stream, played at `speed` (0.5 to 2) with
// its pitch kept.
VoiceResult DecodeToWav(IByteSource& tmv, IByteSink& wav, double speed = 1.0);

// The same for files. A failed conversion removes the partly written output file.
VoiceOutcome EncodeWavFile(const std::filesystem::path& wavPath, const std::filesystem::path& tmvPath, TmvCodec codec);
VoiceOutcome DecodeToWavFile(const std::filesystem::path& tmvPath, const std::filesystem::path& wavPath,
                             double speed = 1.0);

// "adpcm" or "pcm"; false for any other name.
bool ParseTmvCodec(const std::string& name, TmvCodec& codec);
