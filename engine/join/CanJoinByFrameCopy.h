#pragma once
// Whether a list of join inputs can be joined by copying their frames: at least two inputs, none
// with a VBR information frame, and all of one sample rate, bitrate and channel mode.
#include "engine/join/JoinStreamFacts.h"

#include <span>

bool CanJoinByFrameCopy(std::span<const JoinStreamFacts> entries);
