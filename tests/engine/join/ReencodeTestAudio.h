#pragma once
// Measurements on decoded PCM for the re-encoding tests.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

// Frequency of a tone from its rising zero crossings in [begin, end).
inline double ZeroCrossingFrequency(const std::vector<int16_t>& samples, size_t begin, size_t end, int sampleRate)
{
    size_t first = 0, last = 0;
    int crossings = 0;
    for (size_t i = begin + 1; i < end && i < samples.size(); ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            if (crossings == 0)
                first = i;
            last = i;
            ++crossings;
        }
    }
    if (crossings < 2)
        return 0.0;
    return (crossings - 1) * static_cast<double>(sampleRate) / static_cast<double>(last - first);
}

constexpr int kSilence = 700; // about -33 dB: far below a tone at half scale

// The longest run of near-silent samples in [begin, end).
inline size_t LongestSilence(const std::vector<int16_t>& samples, size_t begin, size_t end)
{
    size_t longest = 0, run = 0;
    for (size_t i = begin; i < end && i < samples.size(); ++i) {
        run = std::abs(samples[i]) < kSilence ? run + 1 : 0;
        if (run > longest)
            longest = run;
    }
    return longest;
}

inline size_t LeadingSilence(const std::vector<int16_t>& samples)
{
    size_t i = 0;
    while (i < samples.size() && std::abs(samples[i]) < kSilence)
        ++i;
    return i;
}

inline size_t TrailingSilence(const std::vector<int16_t>& samples)
{
    size_t i = 0;
    while (i < samples.size() && std::abs(samples[samples.size() - 1 - i]) < kSilence)
        ++i;
    return i;
}
