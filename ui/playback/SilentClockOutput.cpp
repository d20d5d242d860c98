#include "ui/playback/SilentClockOutput.h"

#include <algorithm>

namespace {

constexpr int kTickMs = 10;

} // namespace

SilentClockOutput::SilentClockOutput(double speed)
    : speed_(speed)
{
    timer_.setInterval(kTickMs);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &SilentClockOutput::Tick);
}

bool SilentClockOutput::Start(int sampleRate, int channels, PcmSource* source)
{
    Stop();
    if (sampleRate <= 0 || channels <= 0 || !source)
        return false;
    source_ = source;
    sampleRate_ = sampleRate;
    channels_ = channels;
    running_.start();
    timer_.start();
    return true;
}

void SilentClockOutput::Suspend()
{
    if (!source_ || suspended_)
        return;
    framesBeforeResume_ = ClockFrames();
    suspended_ = true;
    timer_.stop();
}

void SilentClockOutput::Resume()
{
    if (!source_ || !suspended_)
        return;
    suspended_ = false;
    running_.start();
    timer_.start();
}

void SilentClockOutput::Stop()
{
    timer_.stop();
    source_ = nullptr;
    framesBeforeResume_ = 0;
    suspended_ = false;
    pulledFrames_ = 0;
    sourceEnded_ = false;
}

int64_t SilentClockOutput::ClockFrames() const
{
    if (suspended_ || !running_.isValid())
        return framesBeforeResume_;
    const double seconds = static_cast<double>(running_.nsecsElapsed()) * 1e-9 * speed_;
    return framesBeforeResume_ + static_cast<int64_t>(seconds * sampleRate_);
}

int64_t SilentClockOutput::PlayedFrames() const
{
    if (!source_)
        return 0;
    const int64_t frames = ClockFrames();
    return sourceEnded_ ? std::min(frames, pulledFrames_) : frames;
}

void SilentClockOutput::Tick()
{
    if (!source_ || suspended_)
        return;
    // Take what the clock has played, and a little ahead, so the end is known when the clock gets there.
    const int64_t wanted = ClockFrames() + sampleRate_ / 50;
    while (!sourceEnded_ && pulledFrames_ < wanted) {
        const auto chunk = static_cast<size_t>(std::min<int64_t>(wanted - pulledFrames_, 4096));
        scratch_.resize(chunk * static_cast<size_t>(channels_));
        const size_t got = source_->ReadPcm(scratch_.data(), chunk);
        if (got == 0)
            sourceEnded_ = true;
        pulledFrames_ += static_cast<int64_t>(got);
    }
    if (sourceEnded_ && ClockFrames() >= pulledFrames_) {
        timer_.stop();
        Q_EMIT Drained();
    }
}
