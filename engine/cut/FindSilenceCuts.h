#pragma once
// Where to cut a recording at its silences: passages whose level stays below a threshold for at
// least a minimum time, each cut in its middle. A silence at the very start or end is not a cut:
// it stays with the first or last piece.
#include <cstdint>
#include <vector>

struct SilenceSettings {
    double thresholdDb = -48.0; // dBFS
    double minSeconds = 1.0;
};

struct SilenceSpan {
    int64_t startSample = 0; // per channel
    int64_t endSample = 0;
};

struct SilenceCuts {
    std::vector<SilenceSpan> silences; // every silence long enough, the leading and trailing ones included
    std::vector<int64_t> cutSamples; // rising; one per silence between two passages
};

// levelsDb holds one level per window of windowSamples samples, the last window possibly shorter
// (totalSamples ends it). With a grouping above 1, silences are found in windows of that many
// levels averaged as power, so one stray window does not break a silence, and their edges are then
// moved out over every quiet window next to them, so they are known to one window.
SilenceCuts FindSilenceCuts(const std::vector<float>& levelsDb, int64_t windowSamples, int64_t totalSamples,
    int sampleRate, const SilenceSettings& settings, int grouping = 1);
