#pragma once
// The frames a piece writer has passed over, oldest first: where each lies in the source and how
// many samples it holds. A later piece reaches back through it for its lead-in, and the cursor
// steps back through it after a piece.
#include "engine/stream/MainData.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

class FrameHistory {
public:
    struct Entry {
        size_t position = 0;
        int32_t samplesPerFrame = 0;
        MainDataFacts mainData; // what the frame borrows and holds, for priming the next piece
    };

    // Appends unless the newest entry already lies at or after position, so positions rise
    // strictly and a frame met again after a step back is recorded once.
    void Append(size_t position, int32_t samplesPerFrame, MainDataFacts mainData = {});
    bool Empty() const { return entries_.empty(); }
    size_t Count() const { return entries_.size(); }
    const Entry& Newest() const { return entries_.back(); }
    // The entry k places before the newest (0 is the newest); k must be below Count().
    const Entry& FromNewest(size_t k) const { return entries_[entries_.size() - 1 - k]; }
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
    void Trim();

    std::deque<Entry> entries_;
    int64_t totalSamples_ = 0;
    int64_t retention_ = 0;
};
