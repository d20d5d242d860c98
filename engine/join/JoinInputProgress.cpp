#include "engine/join/JoinInputProgress.h"

#include "engine/join/JoinJob.h"

#include <algorithm>

int UpperBarWidth(JobProgress& progress)
{
    const ProgressBar* bar = progress.Bar(JobProgress::Upper);
    return bar ? std::max(bar->WidthInPixels(), 1) : 1;
}

void PrepareJoinBars(JobProgress& progress, int inputCount)
{
    if (ProgressBar* lower = progress.Bar(JobProgress::Lower)) {
        lower->SetRange(0, inputCount);
        lower->SetStep(1);
        lower->SetPosition(0);
    }
    progress.Pump();
    if (ProgressBar* upper = progress.Bar(JobProgress::Upper))
        upper->SetRange(0, UpperBarWidth(progress));
}

JoinInputProgress::JoinInputProgress(JobProgress& progress, const std::string& inputPath, uint64_t total)
    : progress_(progress)
    , inputPath_(inputPath)
    , barWidth_(UpperBarWidth(progress))
{
    percentUnit_ = std::max<uint64_t>(total / 100, 1);
    barUnit_ = std::max<uint64_t>(total / static_cast<uint64_t>(barWidth_), 1);
    progress_.SetLabel(JobProgress::Upper, ProcessingLabel(inputPath_, 0));
    if (ProgressBar* upper = progress_.Bar(JobProgress::Upper))
        upper->SetPosition(0);
}

void JoinInputProgress::Advance(uint64_t done)
{
    const int percent = static_cast<int>(std::min<uint64_t>(done / percentUnit_, 100));
    if (percent > percentShown_) {
        percentShown_ = percent;
        progress_.SetLabel(JobProgress::Upper, ProcessingLabel(inputPath_, percent));
    }
    const int position = static_cast<int>(std::min<uint64_t>(done / barUnit_, static_cast<uint64_t>(barWidth_)));
    if (position > barPosition_) {
        barPosition_ = position;
        if (ProgressBar* upper = progress_.Bar(JobProgress::Upper))
            upper->SetPosition(position);
    }
}
