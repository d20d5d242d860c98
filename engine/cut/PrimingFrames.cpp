#include "engine/cut/PrimingFrames.h"

#include "engine/stream/InfoFrame.h"

#include <algorithm>

namespace {

constexpr int kMinimumPriming = 3;

// Frames, walking back from history entry `from` places before the newest, whose main data covers
// the bytes `borrowed`; more than the history holds when it runs out first.
size_t FramesCovering(const FrameHistory& history, size_t from, int32_t borrowed)
{
    size_t walked = 0;
    int64_t covered = 0;
    for (size_t k = from; covered < borrowed; ++k, ++walked) {
        if (k >= history.Count())
            return history.Count() + 1;
        covered += history.FromNewest(k).mainData.size;
    }
    return walked;
}

} // namespace

int MaxPrimingFrames(int samplesPerFrame)
{
    return samplesPerFrame > 0 ? (4095 + LameTag::kDecoderDelay) / samplesPerFrame : 0;
}

PrimingFrames ChoosePrimingFrames(const FrameHistory& history, size_t playedEntries, MainDataFacts firstPlayed,
    int layerIndex, int samplesPerFrame, int maxFrames)
{
    PrimingFrames priming;
    const size_t available = history.Count() > playedEntries ? history.Count() - playedEntries : 0;
    if (available == 0)
        return priming;
    size_t wanted = 0;
    if (layerIndex == 2) {
        // The first played samples are the first played frame's, overlapped with the frame before
        // it; the synthesis filter also still holds the end of that frame's output, which for a
        // frame of one granule (576 samples) overlaps the frame before that in turn.
        const size_t overlapped = samplesPerFrame <= 576 ? 2 : 1;
        const size_t before = playedEntries; // the newest entry before the first played frame
        wanted = FramesCovering(history, before, firstPlayed.begin);
        for (size_t back = 1; back <= overlapped && before + back - 1 < history.Count(); ++back) {
            const int32_t borrowed = history.FromNewest(before + back - 1).mainData.begin;
            wanted = std::max(wanted, back + FramesCovering(history, before + back, borrowed));
        }
    }
    int tagLimit = std::max(0, MaxPrimingFrames(samplesPerFrame));
    if (maxFrames >= 0)
        tagLimit = std::min(tagLimit, maxFrames);
    const size_t limit = std::min(available, static_cast<size_t>(tagLimit));
    priming.count = static_cast<int>(std::min(std::max<size_t>(wanted, kMinimumPriming), limit));
    priming.enough = wanted <= static_cast<size_t>(priming.count);
    return priming;
}
