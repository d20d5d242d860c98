#pragma once
// The upper label and bar of a join while one input is processed: "Processing %s...%d%%" redrawn
// only when the whole percentage grows, the bar only when its pixel position grows.
#include "engine/JobProgress.h"

#include <cstdint>
#include <string>

class JoinInputProgress {
public:
    // total is the input's size in the unit Advance() counts (bytes or samples); 0 when unknown.
    // Shows 0% and sets the bar to 0.
    JoinInputProgress(JobProgress& progress, const std::string& inputPath, uint64_t total);
    void Advance(uint64_t done);

private:
    JobProgress& progress_;
    std::string inputPath_;
    uint64_t percentUnit_ = 1;
    uint64_t barUnit_ = 1;
    int barWidth_ = 1;
    int percentShown_ = 0;
    int barPosition_ = 0;
};

// Lower bar 0..input count with step 1 at 0, then (after a pump) upper bar 0..its width.
void PrepareJoinBars(JobProgress& progress, int inputCount);
// The width the upper bar's units are sized by, at least 1.
int UpperBarWidth(JobProgress& progress);
