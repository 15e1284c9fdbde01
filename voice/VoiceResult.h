#pragma once
// Outcome of every voice-track operation. The library never throws and never reads outside a
// buffer: malformed input ends the operation with one of these codes.

enum class VoiceResult {
    Ok,
    NotTmv,              // the file does not start with the voice-track magic
    UnsupportedVersion,  // a voice track of a later format version
    UnsupportedCodec,    // a codec number this decoder does not know
    BadHeader,           // header fields out of range or inconsistent with each other
    BadChecksum,         // header bytes do not match their checksum
    Truncated,           // the file ends before the data its header announces
    TrailingData,        // the file is longer than its header announces
    CorruptBlock,        // a block header holds impossible values
    OutOfRange,          // a sample range outside the track
    TooLong,             // the track is too long for the requested presentation
    ReadError,           // the underlying file could not be read
    WriteError,          // the output could not be written
    NotWav,              // the input is not a RIFF WAVE file
    UnsupportedWav,      // a WAVE file that is not 16-bit PCM with one or two channels
    BadState,            // an operation called out of order (e.g. Write before Begin)
};

// A short English description of the code, for messages of the command-line tool and tests.
const char* DescribeVoiceResult(VoiceResult result);
