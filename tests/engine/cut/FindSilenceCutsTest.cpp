#include "engine/cut/FindSilenceCuts.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr int kRate = 44100;
constexpr int64_t kWindow = 4410; // 100 ms

// Levels of 100 ms windows: '#' loud (-12 dB), '-' quiet (-60 dB), '.' just below -48 dB, '+' just
// above it (-46 dB).
std::vector<float> Levels(const std::string& pattern)
{
    std::vector<float> levels;
    for (const char c : pattern)
        levels.push_back(c == '#' ? -12.0f : c == '.' ? -48.5f : c == '+' ? -46.0f : -60.0f);
    return levels;
}

SilenceCuts Find(const std::string& pattern, SilenceSettings settings = {})
{
    return FindSilenceCuts(Levels(pattern), kWindow, static_cast<int64_t>(pattern.size()) * kWindow, kRate, settings);
}

} // namespace

TEST(FindSilenceCuts, CutsInTheMiddleOfEachSilenceBetweenPassages)
{
    // 1 s of lead-in silence, a passage, 2 s of silence, a passage, 1.2 s, a passage, 1.5 s of tail.
    const SilenceCuts cuts = Find("----------" "##########" "--------------------" "#####" "------------" "###"
                                  "---------------");
    ASSERT_EQ(cuts.silences.size(), 4u);
    EXPECT_EQ(cuts.silences[0].startSample, 0);
    EXPECT_EQ(cuts.silences.back().endSample, 75 * kWindow);
    // The lead-in and the tail stay with the first and last pieces.
    ASSERT_EQ(cuts.cutSamples.size(), 2u);
    EXPECT_EQ(cuts.cutSamples[0], 30 * kWindow);
    EXPECT_EQ(cuts.cutSamples[1], 45 * kWindow + 6 * kWindow);
}

TEST(FindSilenceCuts, KeepsToTheThresholdAndTheMinimum)
{
    const std::string pattern = "#####" "..........." "#####" "---------" "#####";
    // 1.1 s just below -48 dB is a silence; 0.9 s far below is too short.
    SilenceCuts cuts = Find(pattern);
    ASSERT_EQ(cuts.cutSamples.size(), 1u);
    EXPECT_EQ(cuts.cutSamples[0], 5 * kWindow + 11 * kWindow / 2);
    // At -50 dB the first passage no longer counts; with 0.5 s the second does.
    SilenceSettings strict;
    strict.thresholdDb = -50;
    EXPECT_TRUE(Find(pattern, strict).cutSamples.empty());
    SilenceSettings shortGaps;
    shortGaps.minSeconds = 0.5;
    EXPECT_EQ(Find(pattern, shortGaps).cutSamples.size(), 2u);
    // Exactly the minimum counts.
    shortGaps.minSeconds = 0.9;
    EXPECT_EQ(Find(pattern, shortGaps).cutSamples.size(), 2u);
}

TEST(FindSilenceCuts, NoCutInAFileWithoutSilenceOrWithNothingButSilence)
{
    EXPECT_TRUE(Find("##########" "-----" "##########").cutSamples.empty());
    const SilenceCuts silent = Find("------------------------------");
    EXPECT_TRUE(silent.cutSamples.empty());
    ASSERT_EQ(silent.silences.size(), 1u);
    EXPECT_TRUE(Find("").silences.empty());
    EXPECT_TRUE(FindSilenceCuts(Levels("#--#"), 0, 100, kRate, {}).silences.empty());
}

TEST(FindSilenceCuts, AShortLastWindowEndsTheFileAndNaNCountsAsSilence)
{
    // The last window holds only 100 samples: a silence there is the tail, not a cut.
    std::vector<float> levels = Levels("#####-----------");
    levels[6] = std::numeric_limits<float>::quiet_NaN();
    const int64_t total = 15 * kWindow + 100;
    const SilenceCuts cuts = FindSilenceCuts(levels, kWindow, total, kRate, {});
    ASSERT_EQ(cuts.silences.size(), 1u);
    EXPECT_EQ(cuts.silences[0].endSample, total);
    EXPECT_TRUE(cuts.cutSamples.empty());
}

TEST(FindSilenceCuts, GroupedWindowsBridgeAStrayWindowAndPlaceTheEdgesToOne)
{
    // Fine windows of 10 ms: a 1.2 s silence with one window just above the threshold in it.
    std::string pattern = std::string(50, '#') + std::string(120, '-') + std::string(50, '#');
    pattern[100] = '+';
    const auto levels = Levels(pattern);
    const int64_t window = 441;
    const int64_t total = static_cast<int64_t>(pattern.size()) * window;
    // Window by window the stray one splits it into two silences of 0.5 and 0.69 s: none counts.
    EXPECT_TRUE(FindSilenceCuts(levels, window, total, kRate, {}).cutSamples.empty());
    // In groups of five it is one silence, whose edges are the fine windows' own: 50 and 170.
    const SilenceCuts cuts = FindSilenceCuts(levels, window, total, kRate, {}, 5);
    ASSERT_EQ(cuts.silences.size(), 1u);
    EXPECT_EQ(cuts.silences[0].startSample, 50 * window);
    EXPECT_EQ(cuts.silences[0].endSample, 170 * window);
    ASSERT_EQ(cuts.cutSamples.size(), 1u);
    EXPECT_EQ(cuts.cutSamples[0], 110 * window);
}
