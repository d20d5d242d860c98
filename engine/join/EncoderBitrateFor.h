#pragma once
// The bitrate a re-encoding join will write at an encoding: LAME moves a bitrate its output sample
// rate does not allow (86 kbit/s, or 320 at 22,050 Hz) to the nearest one it can write. Asked of
// LAME itself, set up as the join sets it up, without encoding anything.
#include "engine/join/PickAutoEncoding.h"

// 0 when LAME refuses the settings (the join would fail without a message).
int EncoderBitrateFor(const JoinEncoding& encoding);
