#pragma once
// The rules a selection piece is written by, shared by the selection cut and a single excerpt.
#include "engine/cut/PieceEntry.h"
#include "engine/stream/ID3TagInfo.h"

#include <cstddef>
#include <cstdint>

class FrameCopyCutter;

// Gives the entry at 0-based position in the list its track number by the entry's rule.
void ApplyTrackRule(PieceEntry& entry, size_t position, const ID3TagInfo& sourceTag);

// A bound as a sample: the row's own sample (a CUE time, a silence) while it still lies within half
// a tenth of the row's time, else the time (milliseconds where known, else tenths).
int64_t BoundSample(int64_t sample, int32_t tenths, int64_t ms, const FrameCopyCutter& exact);
