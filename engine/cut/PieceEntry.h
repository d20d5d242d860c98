#pragma once
// One row of the cutter page's pieces list: a stretch of the source in tenths of a second, whether it
// is to be written, how its track number is chosen, its tag, and the file its last cut wrote.
#include "engine/stream/ID3TagInfo.h"

#include <cstdint>
#include <string>

struct PieceEntry {
    int32_t start = 0;
    int32_t end = 0;
    bool checked = false;
    int trackNoType = TrackNoSequence; // a TrackNoType
    ID3TagInfo tag;
    std::string outputPath;
    // The bounds in milliseconds where they are known finer than tenths (times typed on the
    // command line); below 0: start and end in tenths stand.
    int64_t startMs = -1;
    int64_t endMs = -1;
    // The bounds as samples of the source's gapless decode where they are known to the sample (CUE
    // sheet times, silences). Each counts only while it lies within half a tenth of start or end,
    // so an edit that moves the row's bound drops it; below 0: the times above stand.
    int64_t startSample = -1;
    int64_t endSample = -1;
};
