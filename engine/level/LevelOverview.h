#pragma once
// The level of a whole MP3 file over time, read from each frame's side information or scale
// factors (FrameLevel) without decoding: one hour of audio takes milliseconds.
//
// Times are those of the file's gapless decode: a LAME tag's delay (plus the decoder's 529 samples)
// is taken off the start and its padding off the end, so window k covers decoded samples
// [k x windowSamples, (k + 1) x windowSamples) wherever a cut point or a player counts them.
// Each window's level is the mean power of the granules whose output lies in it, in dBFS, with
// silence as kSilenceDb.
#include "engine/level/FrameLevel.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct LevelOverview {
    int sampleRate = 0;
    double windowMs = 100;
    int64_t windowSamples = 0; // samples per window (the last one may be shorter)
    int64_t totalSamples = 0; // the samples a gapless decoder plays
    std::vector<float> levelsDb; // one per window, kSilenceDb for silence
};

constexpr double kDefaultLevelWindowMs = 100.0;

// The overview of the file at path in windows of windowMs milliseconds (at least one sample).
// None when the file cannot be read, holds no MPEG audio frame, or cancel was set; errorText then
// says why (empty when cancelled).
std::optional<LevelOverview> ReadLevelOverview(const std::string& path, double windowMs, std::string& errorText,
    const std::atomic<bool>* cancel = nullptr);
