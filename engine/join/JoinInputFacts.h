#pragma once
// What a frame-copy join needs to know about an input before it writes anything: whether it
// carries an information frame and a LAME tag (its delay and padding), and the format and bitrate
// of its first audio frame. The join decides from these whether the result gets an information
// frame of its own.
#include "engine/stream/InfoFrame.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

struct JoinInputFacts {
    bool hasInfoFrame = false;
    bool isXing = false; // the information frame announces a variable bitrate
    std::optional<LameTag> lameTag;
    std::array<uint8_t, 4> firstHeader {}; // of the first audio frame
    int firstBitrate = 0;
    int samplesPerFrame = 0;
    // The frame format the join copies: frames of one layer, sample rate and channel count (mono
    // or not) only.
    int layerIndex = 0;
    int sampleRate = 0;
    bool mono = false;
};

class Mp3SourceFile;

// Opens the input as the join will; false when it cannot be opened or holds no complete frame.
bool ScanJoinInput(const std::string& path, JoinInputFacts& facts);
// The same for an input already opened; its cursor does not move.
bool ScanJoinInput(Mp3SourceFile& source, JoinInputFacts& facts);
// Whether frames of the two inputs can follow each other in one stream.
bool SameFrameFormat(const JoinInputFacts& a, const JoinInputFacts& b);
