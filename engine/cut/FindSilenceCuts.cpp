#include "engine/cut/FindSilenceCuts.h"

#include <algorithm>
#include <cmath>

namespace {

bool IsQuiet(float level, float threshold) { return !(level >= threshold); } // NaN is no sound

// Groups of levels averaged as power.
std::vector<float> Grouped(const std::vector<float>& levelsDb, size_t grouping)
{
    std::vector<float> grouped;
    for (size_t start = 0; start < levelsDb.size(); start += grouping) {
        const size_t end = std::min(levelsDb.size(), start + grouping);
        // 10^(dB / 10) as exp: several times quicker than pow on an hour of granules.
        constexpr double kPowerPerDb = 0.23025850929940458; // ln(10) / 10
        double power = 0;
        for (size_t k = start; k < end; ++k)
            power += std::isnan(levelsDb[k]) ? 0.0 : std::exp(levelsDb[k] * kPowerPerDb);
        power /= static_cast<double>(end - start);
        grouped.push_back(power > 0 ? static_cast<float>(10.0 * std::log10(power)) : -1000.0f);
    }
    return grouped;
}

} // namespace

SilenceCuts FindSilenceCuts(const std::vector<float>& levelsDb, int64_t windowSamples, int64_t totalSamples,
    int sampleRate, const SilenceSettings& settings, int grouping)
{
    SilenceCuts cuts;
    if (windowSamples <= 0 || sampleRate <= 0 || totalSamples <= 0)
        return cuts;
    if (grouping > 1) {
        const auto threshold = static_cast<float>(settings.thresholdDb);
        SilenceCuts coarse = FindSilenceCuts(Grouped(levelsDb, static_cast<size_t>(grouping)),
            windowSamples * grouping, totalSamples, sampleRate, settings);
        const auto windows = static_cast<int64_t>(levelsDb.size());
        for (SilenceSpan span : coarse.silences) {
            int64_t first = span.startSample / windowSamples;
            int64_t last = (span.endSample + windowSamples - 1) / windowSamples; // one past
            while (first > 0 && IsQuiet(levelsDb[static_cast<size_t>(first - 1)], threshold))
                --first;
            while (last < windows && IsQuiet(levelsDb[static_cast<size_t>(last)], threshold))
                ++last;
            span.startSample = first == 0 ? 0 : std::min(first * windowSamples, totalSamples);
            span.endSample = std::min(last * windowSamples, totalSamples);
            cuts.silences.push_back(span);
            if (span.startSample > 0 && span.endSample < totalSamples)
                cuts.cutSamples.push_back(span.startSample + (span.endSample - span.startSample) / 2);
        }
        return cuts;
    }
    // A run of windows counts once it spans the minimum; the last window may be short, so the run's
    // length is measured in samples, not windows.
    const auto minSamples = static_cast<int64_t>(std::llround(std::max(0.0, settings.minSeconds) * sampleRate));
    const auto threshold = static_cast<float>(settings.thresholdDb);
    const auto windows = static_cast<int64_t>(levelsDb.size());
    int64_t runStart = -1;
    for (int64_t w = 0; w <= windows; ++w) {
        const bool quiet = w < windows && IsQuiet(levelsDb[static_cast<size_t>(w)], threshold);
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
