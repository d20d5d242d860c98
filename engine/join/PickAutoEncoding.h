#pragma once
// The format of a re-encoded join when the joiner chooses it: the highest sample rate, the highest
// bitrate, and joint stereo, stereo or mono from the inputs' channel modes.
#include "engine/join/JoinStreamFacts.h"

#include <span>

struct JoinEncoding {
    int sampleRate = 44100; // Hz
    int bitrate = 128; // kbit/s
    int channelMode = 1; // 0 stereo, 1 joint stereo, 3 mono
};

// Any joint-stereo input gives joint stereo; otherwise any stereo input gives stereo; otherwise
// mono. Dual-channel inputs do not count, so dual-channel and mono inputs give mono.
JoinEncoding PickAutoEncoding(std::span<const JoinStreamFacts> entries);
