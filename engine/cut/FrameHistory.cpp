#include "engine/cut/FrameHistory.h"

void FrameHistory::Grow()
{
    std::vector<Entry> grown(ring_.empty() ? 64 : 2 * ring_.size());
    for (size_t i = 0; i < count_; ++i)
        grown[i] = ring_[(first_ + i) & (ring_.size() - 1)];
    ring_ = std::move(grown);
    mask_ = ring_.size() - 1;
    first_ = 0;
}

FrameHistory::Entry FrameHistory::PopNewest()
{
    const Entry entry = Newest();
    --count_;
    totalSamples_ -= entry.samplesPerFrame;
    return entry;
}

std::optional<FrameHistory::Reach> FrameHistory::ReachBack(int64_t samples) const
{
    if (samples <= 0)
        return std::nullopt;
    int64_t budget = samples;
    for (size_t k = 0; k < count_; ++k) {
        const Entry& entry = FromNewest(k);
        budget -= entry.samplesPerFrame;
        if (budget <= 0)
            return Reach { entry.position, static_cast<int>(k + 1) };
    }
    return std::nullopt;
}

void FrameHistory::SetRetention(int64_t keepSamples)
{
    retention_ = keepSamples > 0 ? keepSamples : 0;
    Trim();
}
