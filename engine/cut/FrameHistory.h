#pragma once
// The frames a piece writer has passed over, oldest first: where each lies in the source and how
// many samples it holds. A later piece reaches back through it for its lead-in, and the cursor
// steps back through it after a piece.
#include "engine/stream/MainData.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

class FrameHistory {
public:
    struct Entry {
        size_t position = 0;
        int32_t samplesPerFrame = 0;
        MainDataFacts mainData; // what the frame borrows and holds, for priming the next piece
    };

    // Appends unless the newest entry already lies at or after position, so positions rise
    // strictly and a frame met again after a step back is recorded once.
    // Called for every frame of a walk, so kept short.
    void Append(size_t position, int32_t samplesPerFrame, MainDataFacts mainData = {})
    {
        if (count_ > 0 && Newest().position >= position)
            return;
        if (count_ == ring_.size())
            Grow();
        ring_[(first_ + count_) & mask_] = { position, samplesPerFrame, mainData };
        ++count_;
        totalSamples_ += samplesPerFrame;
        Trim();
    }
    bool Empty() const { return count_ == 0; }
    size_t Count() const { return count_; }
    const Entry& Newest() const { return FromNewest(0); }
    // The entry k places before the newest (0 is the newest); k must be below Count().
    const Entry& FromNewest(size_t k) const { return ring_[(first_ + count_ - 1 - k) & mask_]; }
    // Removes the newest entry and returns it; the history must not be empty.
    Entry PopNewest();

    struct Reach {
        size_t position = 0; // the frame where the walk stopped
        int entries = 0; // entries walked, that one included
    };
    // Walks from the newest entry back, taking each entry's samples off a budget of samples, and
    // stops at the first entry that brings the budget to 0 or below. None when the history runs
    // out first, or when samples is not positive.
    std::optional<Reach> ReachBack(int64_t samples) const;

    // Only the newest entries are ever read: lead-ins, lead-outs and step backs reach back a
    // bounded number of samples. Entries older than keepSamples (plus a margin of a few frames)
    // are dropped, so the history does not grow with the length of the source.
    void SetRetention(int64_t keepSamples);

private:
    void Trim()
    {
        // Drop the oldest entry only while the ones after it still cover everything a walk can ask for.
        const int64_t keep = retention_ + kMarginSamples;
        while (count_ > 1 && totalSamples_ - ring_[first_].samplesPerFrame >= keep) {
            totalSamples_ -= ring_[first_].samplesPerFrame;
            first_ = (first_ + 1) & mask_;
            --count_;
        }
    }
    // Doubles the ring, keeping the entries in order.
    void Grow();

    // Room for the priming frames before a piece (up to eight), the step back after a faded piece
    // and a frame of rounding on each walk, at the largest frame (1152 samples).
    static constexpr int64_t kMarginSamples = 12 * 1152;

    // The entries, oldest first from first_ on, wrapping around; its size is a power of two.
    std::vector<Entry> ring_;
    size_t mask_ = 0; // its size less one, kept: the walk indexes it for every frame
    size_t first_ = 0;
    size_t count_ = 0;
    int64_t totalSamples_ = 0;
    int64_t retention_ = 0;
};
