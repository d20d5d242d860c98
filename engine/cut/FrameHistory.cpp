#include "engine/cut/FrameHistory.h"

namespace {
// Room for the priming frames before a piece (up to eight), the step back after a faded piece and
// a frame of rounding on each walk, at the largest frame (1152 samples).
constexpr int64_t kMarginSamples = 12 * 1152;
} // namespace

void FrameHistory::Append(size_t position, int32_t samplesPerFrame, MainDataFacts mainData)
{
    if (!entries_.empty() && entries_.back().position >= position)
        return;
    entries_.push_back({ position, samplesPerFrame, mainData });
    totalSamples_ += samplesPerFrame;
    Trim();
}

FrameHistory::Entry FrameHistory::PopNewest()
{
    const Entry entry = entries_.back();
    entries_.pop_back();
    totalSamples_ -= entry.samplesPerFrame;
    return entry;
}

std::optional<FrameHistory::Reach> FrameHistory::ReachBack(int64_t samples) const
{
    if (samples <= 0)
        return std::nullopt;
    int64_t budget = samples;
    int walked = 0;
    for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
        ++walked;
        budget -= entry->samplesPerFrame;
        if (budget <= 0)
            return Reach { entry->position, walked };
    }
    return std::nullopt;
}

void FrameHistory::SetRetention(int64_t keepSamples)
{
    retention_ = keepSamples > 0 ? keepSamples : 0;
    Trim();
}

void FrameHistory::Trim()
{
    // Drop the oldest entry only while the ones after it still cover everything a walk can ask for.
    const int64_t keep = retention_ + kMarginSamples;
    while (entries_.size() > 1 && totalSamples_ - entries_.front().samplesPerFrame >= keep) {
        totalSamples_ -= entries_.front().samplesPerFrame;
        entries_.pop_front();
    }
}
