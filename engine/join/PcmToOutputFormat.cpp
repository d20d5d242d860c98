#include "engine/join/PcmToOutputFormat.h"

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
    needed_ = channels != outChannels_ || sampleRate != outRate_;
    if (!needed_)
        return;
    converter_.Reset();
    converter_.SetOutputFormat(outChannels_, outRate_, 16);
    converter_.SetInputFormat(channels, sampleRate, 16);
    converter_.Prepare();
}

int PcmToOutputFormat::Convert(const int16_t* left, const int16_t* right, int count, int channels, int sampleRate)
{
    if (channels != inChannels_ || sampleRate != inRate_)
        Configure(channels, sampleRate);
    outLeft_ = left;
    outRight_ = channels == 2 ? right : left;
    if (!needed_ || count <= 0)
        return needed_ ? 0 : count;
    const size_t capacity = static_cast<size_t>(converter_.MaxOutputCount(count));
    if (left_.size() < capacity) {
        left_.resize(capacity);
        right_.resize(capacity);
    }
    int produced = 0;
    converter_.Convert(left, right, count, left_.data(), right_.data(), produced);
    outLeft_ = left_.data();
    outRight_ = outChannels_ == 2 ? right_.data() : left_.data();
    return produced;
}
