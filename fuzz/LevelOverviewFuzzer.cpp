// The level overview of arbitrary bytes: side information, scale factors and the bit reservoir
// read from damaged frames, with one level per window and every level a number.
#include "engine/level/LevelOverview.h"
#include "fuzz/FuzzSupport.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = WriteScratchFile("levels.mp3", data, size);
    // Windows longer than a granule, and shorter (a granule spread over several).
    for (const double windowMs : { 100.0, 3.0 }) {
        std::string error;
        const auto overview = ReadLevelOverview(path, windowMs, error);
        if (!overview) {
            Require(!error.empty(), "no overview and no reason");
            continue;
        }
        Require(overview->windowSamples >= 1 && overview->totalSamples >= 0, "a window or length below zero");
        const auto windows
            = static_cast<size_t>((overview->totalSamples + overview->windowSamples - 1) / overview->windowSamples);
        Require(overview->levelsDb.size() == windows, "not one level per window");
        for (const float level : overview->levelsDb)
            Require(std::isfinite(level) && level >= kSilenceDb && level < 300, "a level that is no level");
    }
    return 0;
}
