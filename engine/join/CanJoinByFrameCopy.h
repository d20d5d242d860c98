#pragma once
// Whether a list of join inputs can be joined by copying their frames: at least two inputs of one
// layer, one sample rate (and so one MPEG version) and one channel count (mono or not). Bitrates
// may differ and inputs may carry information frames: the frame-copy join writes one new
// information frame for the result.
#include "engine/join/JoinStreamFacts.h"

#include <span>

bool CanJoinByFrameCopy(std::span<const JoinStreamFacts> entries);
