#include "engine/cut/FindSilenceCuts.h"

#include <algorithm>
#include <cmath>

SilenceCuts FindSilenceCuts(const std::vector<float>& levelsDb, int64_t windowSamples, int64_t totalSamples,
    int sampleRate, const SilenceSettings& settings)
{
    SilenceCuts cuts;
    if (windowSamples <= 0 || sampleRate <= 0 || totalSamples <= 0)
        return cuts;
    // A run of windows counts once it spans the minimum; the last window may be short, so the run's
    // length is measured in samples, not windows.
    const auto minSamples = static_cast<int64_t>(std::llround(std::max(0.0, settings.minSeconds) * sampleRate));
    const auto threshold = static_cast<float>(settings.thresholdDb);
    const auto windows = static_cast<int64_t>(levelsDb.size());
    int64_t runStart = -1;
    for (int64_t w = 0; w <= windows; ++w) {
        const bool quiet = w < windows && !(levelsDb[static_cast<size_t>(w)] >= threshold); // NaN is no sound
        if (quiet && runStart < 0)
            runStart = w;
        if (quiet || runStart < 0)
            continue;
        SilenceSpan span;
        span.startSample = std::min(runStart * windowSamples, totalSamples);
        span.endSample = std::min(w * windowSamples, totalSamples);
        runStart = -1;
        if (span.endSample - span.startSample < std::max<int64_t>(minSamples, 1))
            continue;
        cuts.silences.push_back(span);
        const bool leading = span.startSample == 0;
        const bool trailing = span.endSample == totalSamples;
        if (!leading && !trailing)
            cuts.cutSamples.push_back(span.startSample + (span.endSample - span.startSample) / 2);
    }
    return cuts;
}
