#pragma once
// How many frames a piece starts with before its first played frame. A decoder needs them: a Layer
// III frame borrows main data from earlier frames (the bit reservoir), and its first samples overlap
// the frame before it (and, for frames of one granule, 576 samples, the one before that), so those
// frames must all find the main data they borrow. The piece's LAME tag then tells a gapless decoder
// to drop these frames.
#include "engine/cut/FrameHistory.h"
#include "engine/stream/MainData.h"

#include <cstddef>

struct PrimingFrames {
    int count = 0; // frames to write before the first played frame
    bool enough = true; // false when the reservoir needed more than the history or the tag allowed
};

// The most priming frames whose delay (count × samples per frame − 529) fits the tag's 12 bits.
int MaxPrimingFrames(int samplesPerFrame);

// firstPlayed: the main data of the first played frame. It is the history's entry playedEntries − 1
// places before the newest when playedEntries > 0 (a lead-in), else the frame after the newest.
// The frames before it are the older entries. At least three frames, as far as the history goes;
// layers without a reservoir take three. maxFrames limits the count further (a piece that starts
// inside its first frame drops those samples too, within the same 12 bits); below 0: no limit.
PrimingFrames ChoosePrimingFrames(const FrameHistory& history, size_t playedEntries, MainDataFacts firstPlayed,
    int layerIndex, int samplesPerFrame, int maxFrames = -1);
