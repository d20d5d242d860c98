#pragma once
// The stream facts of one join input that decide how it can be joined, as the decoder's probe
// found them when the file was added to the joiner list.
#include <string>

class Mp3StreamDecoder;

struct JoinStreamFacts {
    int sampleRate = 0; // Hz
    int bitrate = 0; // kbit/s: the first frame's, or a variable-bitrate stream's average
    int channelMode = 0; // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    bool isVbr = false; // a VBR information frame with a frame count was found
    int layer = 3; // 1, 2 or 3
};

// The facts of a decoder that has just opened its input.
JoinStreamFacts StreamFactsOf(const Mp3StreamDecoder& decoder);
// Opens the file with a decoder of its own and takes its facts, with the average bitrate the
// joiner list shows; false when the probe fails.
bool ProbeJoinInput(const std::string& path, JoinStreamFacts& facts);
