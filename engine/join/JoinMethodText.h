#pragma once
// The words that name how a join is made, shared by the joiner page and the command line:
// "frame copy", or "re-encode 44100 Hz 128 kbps joint" with the format the encoder is given.
#include "engine/join/ChooseJoinMethod.h"

#include <string>

// encodedBitrate, when known (after the join), is the bitrate the encoder settled on.
std::string EncodingText(const JoinEncoding& encoding, int encodedBitrate = 0);
std::string JoinMethodText(const JoinMethod& method, int encodedBitrate = 0);
