#include "engine/join/PcmConverter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

namespace {

constexpr int kMaxPhaseCount = 320;

// Blackman-windowed sinc at x (in samples from the filter's start), for a filter of the given
// order and cut-off (as a fraction of the input Nyquist rate).
double WindowedSinc(double x, int order, double cutOff)
{
    x /= order;
    x = std::clamp(x, 0.0, 1.0);
    const double centred = x - 0.5;
    if (std::fabs(centred) < 1e-9)
        return cutOff;
    return (0.42 - 0.5 * std::cos(2 * M_PI * x) + 0.08 * std::cos(4 * M_PI * x))
        * std::sin(order * M_PI * cutOff * centred) / (M_PI * order * centred);
}

constexpr int kLanes = 8; // vector lanes of the dot product
constexpr int kFrontMargin = 64; // zero samples before the history, for reads that reach past it

int16_t Saturate(double value)
{
    const double truncated = std::trunc(value);
    if (truncated > 32767.0)
        return 32767;
    if (truncated < -32768.0)
        return -32768;
    return static_cast<int16_t>(truncated);
}

} // namespace

void PcmConverter::Reset()
{
    outChannels_ = outRate_ = outBits_ = -1;
    inChannels_ = inRate_ = inBits_ = -1;
    ratio_ = 0;
    cutOff_ = 0;
    integerRatio_ = false;
    phaseCount_ = 0;
    filterOrder_ = 0;
    bank_.clear();
    filterCount_ = 0;
    paddedTaps_ = 0;
    history_[0].clear();
    history_[1].clear();
    inputTime_[0] = inputTime_[1] = 0;
}

void PcmConverter::SetOutputFormat(int channels, int sampleRate, int bits)
{
    outChannels_ = channels;
    outRate_ = sampleRate;
    outBits_ = bits;
}

void PcmConverter::SetInputFormat(int channels, int sampleRate, int bits)
{
    inChannels_ = channels;
    inRate_ = sampleRate;
    inBits_ = bits;
}

void PcmConverter::Prepare()
{
    bank_.clear();
    filterCount_ = 0;
    history_[0].clear();
    history_[1].clear();
    inputTime_[0] = inputTime_[1] = 0;
    if (inRate_ == outRate_ || inRate_ <= 0 || outRate_ <= 0)
        return;

    ratio_ = static_cast<double>(inRate_) / outRate_;
    phaseCount_ = std::min(outRate_ / std::gcd(outRate_, inRate_), kMaxPhaseCount);
    integerRatio_ = std::fabs(ratio_ - std::floor(ratio_ + 0.5)) < 0.0001;
    cutOff_ = std::min(1.0 / ratio_, 1.0);
    filterOrder_ = 31 + (integerRatio_ ? 1 : 0);
    const size_t historyLength = static_cast<size_t>(filterOrder_) + 1;
    history_[0].assign(historyLength, 0);
    history_[1].assign(historyLength, 0);

    // Each filter's taps are padded with zeros to a whole number of vector lanes.
    const int taps = filterOrder_ + 1;
    paddedTaps_ = (taps + kLanes - 1) / kLanes * kLanes;
    filterCount_ = 2 * phaseCount_ + 1;
    bank_.assign(static_cast<size_t>(filterCount_ * paddedTaps_), 0.0f);
    std::vector<double> filter(static_cast<size_t>(taps));
    for (int j = 0; j < filterCount_; ++j) {
        const double offset = static_cast<double>(j - phaseCount_) / (2.0 * phaseCount_);
        double sum = 0;
        for (int i = 0; i < taps; ++i) {
            filter[static_cast<size_t>(i)] = static_cast<float>(WindowedSinc(i - offset, filterOrder_, cutOff_));
            sum += filter[static_cast<size_t>(i)];
        }
        for (int i = 0; i < taps; ++i)
            bank_[static_cast<size_t>(j * paddedTaps_ + i)] = static_cast<float>(filter[static_cast<size_t>(i)] / sum);
    }
}

int PcmConverter::MaxOutputCount(int inputCount) const
{
    if (filterCount_ == 0)
        return inputCount;
    return inputCount * (outRate_ / inRate_ + 1);
}

int PcmConverter::ResampleChannel(int channel, const int16_t* input, int count, int16_t* output)
{
    std::vector<int16_t>& history = history_[channel];
    double& inputTime = inputTime_[channel];
    const int order = filterOrder_;
    const int historyLength = order + 1;
    const int maxOut = count * (outRate_ / inRate_ + 1);
    const int lastFilter = 2 * phaseCount_;

    // One contiguous float copy of [zero margin][history][block][zero tail], so that every output
    // sample is a plain dot product that the compiler can vectorise. Sample n of the block
    // (negative n reaches back into the history) is window[base + n].
    const int base = kFrontMargin + historyLength;
    window_.assign(static_cast<size_t>(base + count + paddedTaps_), 0.0f);
    for (int i = 0; i < historyLength; ++i)
        window_[static_cast<size_t>(kFrontMargin + i)] = history[static_cast<size_t>(i)];
    for (int i = 0; i < count; ++i)
        window_[static_cast<size_t>(base + i)] = input[i];

    int produced = 0;
    int j = 0;
    for (int k = 0; k < maxOut; ++k) {
        const double time0 = k * ratio_;
        j = static_cast<int>(std::floor(time0 - inputTime));
        if (j + order - order / 2 >= count)
            break;
        const double offset = time0 - inputTime - (j + 0.5 * (order % 2));
        const int q
            = std::clamp(static_cast<int>(std::floor(offset * 2 * phaseCount_ + phaseCount_ + 0.5)), 0, lastFilter);
        const int first = std::max(j - order / 2, -base); // earlier samples lie before any input: zero
        const float* x = &window_[static_cast<size_t>(base + first)];
        const float* c = &bank_[static_cast<size_t>(q * paddedTaps_)];
        float lanes[kLanes] = {};
        for (int i = 0; i < paddedTaps_; i += kLanes)
            for (int lane = 0; lane < kLanes; ++lane)
                lanes[lane] += x[i + lane] * c[i + lane];
        const float sum
            = ((lanes[0] + lanes[1]) + (lanes[2] + lanes[3])) + ((lanes[4] + lanes[5]) + (lanes[6] + lanes[7]));
        output[k] = Saturate(sum);
        produced = k + 1;
    }

    const int used = std::clamp(order + j - order / 2, 0, count);
    inputTime += used - produced * ratio_;
    if (used >= historyLength) {
        std::memcpy(history.data(), input + used - historyLength, static_cast<size_t>(historyLength) * sizeof(int16_t));
    } else if (used > 0) {
        std::memmove(
            history.data(), history.data() + used, static_cast<size_t>(historyLength - used) * sizeof(int16_t));
        std::memcpy(history.data() + historyLength - used, input, static_cast<size_t>(used) * sizeof(int16_t));
    }
    return produced;
}

void PcmConverter::Convert(const int16_t* inLeft, const int16_t* inRight, int inputCount, int16_t* outLeft,
    int16_t* outRight, int& outputCount)
{
    outputCount = 0;
    if (inputCount <= 0)
        return;
    const bool stereoIn = inChannels_ == 2;
    const bool stereoOut = outChannels_ == 2;

    const int16_t* left = inLeft;
    const int16_t* right = stereoIn ? inRight : inLeft;
    int count = inputCount;
    if (filterCount_ > 0) {
        const size_t capacity = static_cast<size_t>(MaxOutputCount(inputCount));
        scratchLeft_.resize(capacity);
        count = ResampleChannel(0, inLeft, inputCount, scratchLeft_.data());
        left = scratchLeft_.data();
        right = left;
        if (stereoIn) {
            scratchRight_.resize(capacity);
            ResampleChannel(1, inRight, inputCount, scratchRight_.data());
            right = scratchRight_.data();
        }
    }

    if (stereoIn && !stereoOut) {
        for (int i = 0; i < count; ++i)
            outLeft[i] = static_cast<int16_t>((left[i] + right[i]) / 2);
    } else {
        if (outLeft != left)
            std::memmove(outLeft, left, static_cast<size_t>(count) * sizeof(int16_t));
        if (stereoOut && outRight != right)
            std::memmove(outRight, right, static_cast<size_t>(count) * sizeof(int16_t));
    }
    outputCount = count;
}
