#include "voice/VoiceResult.h"

const char* DescribeVoiceResult(VoiceResult result)
{
    switch (result) {
    case VoiceResult::Ok: return "success";
    case VoiceResult::NotTmv: return "not a TMV voice track";
    case VoiceResult::UnsupportedVersion: return "TMV version not supported";
    case VoiceResult::UnsupportedCodec: return "TMV codec not supported";
    case VoiceResult::BadHeader: return "TMV header holds invalid values";
    case VoiceResult::BadChecksum: return "TMV header checksum does not match";
    case VoiceResult::Truncated: return "file is shorter than its header announces";
    case VoiceResult::TrailingData: return "file is longer than its header announces";
    case VoiceResult::CorruptBlock: return "a block of the track is corrupt";
    case VoiceResult::OutOfRange: return "sample range outside the track";
    case VoiceResult::TooLong: return "track too long for a WAVE file (4 GB)";
    case VoiceResult::ReadError: return "read error";
    case VoiceResult::WriteError: return "write error";
    case VoiceResult::NotWav: return "not a RIFF WAVE file";
    case VoiceResult::UnsupportedWav: return "WAVE file is not 16-bit PCM, mono or stereo";
    case VoiceResult::BadState: return "operation out of order";
    }
    return "unknown failure";
}
