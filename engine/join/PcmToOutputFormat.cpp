#include "engine/join/PcmToOutputFormat.h"

#include <algorithm>
#include <cstddef>

void PcmToOutputFormat::SetOutputFormat(int channels, int sampleRate)
{
    outChannels_ = channels;
    outRate_ = sampleRate;
    inChannels_ = inRate_ = 0;
    needed_ = false;
}

void PcmToOutputFormat::Configure(int channels, int sampleRate)
{
    inChannels_ = channels;
    inRate_ = sampleRate;
    resampledIn_ = resampledOut_ = 0;
    needed_ = channels != outChannels_ || sampleRate != outRate_;
    if (!needed_)
        return;
    converter_.Reset();
    converter_.SetOutputFormat(outChannels_, outRate_, 16);
    converter_.SetInputFormat(channels, sampleRate, 16);
    converter_.Prepare();
}

int PcmToOutputFormat::FlushHeld()
{
    if (!needed_ || inRate_ == outRate_ || resampledIn_ == 0)
        return 0;
    const int silence = converter_.TapsPerFilter() + 1;
    const std::vector<int16_t> zeros(static_cast<size_t>(silence), 0);
    const size_t capacity = static_cast<size_t>(converter_.MaxOutputCount(silence));
    left_.resize(std::max(left_.size(), capacity));
    right_.resize(std::max(right_.size(), capacity));
    int produced = 0;
    converter_.Convert(zeros.data(), zeros.data(), silence, left_.data(), right_.data(), produced);
    const int64_t length = (resampledIn_ * outRate_ + inRate_ / 2) / inRate_;
    return static_cast<int>(std::clamp<int64_t>(length - resampledOut_, 0, produced));
}

int PcmToOutputFormat::Finish()
{
    const int held = FlushHeld();
    inChannels_ = inRate_ = 0;
    needed_ = false;
    outLeft_ = left_.data();
    outRight_ = outChannels_ == 2 ? right_.data() : left_.data();
    return held;
}

int PcmToOutputFormat::Convert(const int16_t* left, const int16_t* right, int count, int channels, int sampleRate)
{
    int held = 0;
    if (channels != inChannels_ || sampleRate != inRate_) {
        held = FlushHeld();
        Configure(channels, sampleRate);
    }
    outLeft_ = left;
    outRight_ = channels == 2 ? right : left;
    if (!needed_ && held == 0)
        return count;
    if (count < 0)
        count = 0;
    // The held samples stay at the front; this block's follow them.
    const size_t capacity
        = static_cast<size_t>(held) + static_cast<size_t>(needed_ ? converter_.MaxOutputCount(count) : count);
    left_.resize(std::max(left_.size(), capacity));
    right_.resize(std::max(right_.size(), capacity));
    int produced = 0;
    if (needed_) {
        converter_.Convert(left, right, count, left_.data() + held, right_.data() + held, produced);
        if (inRate_ != outRate_) {
            resampledIn_ += count;
            resampledOut_ += produced;
        }
    } else {
        std::copy_n(left, count, left_.begin() + held);
        std::copy_n(channels == 2 ? right : left, count, right_.begin() + held);
        produced = count;
    }
    outLeft_ = left_.data();
    outRight_ = outChannels_ == 2 ? right_.data() : left_.data();
    return held + produced;
}
