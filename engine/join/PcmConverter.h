#pragma once
// Resamples 16-bit PCM with a bank of Blackman-windowed sinc filters and converts between mono
// and stereo. One converter is configured per input of a re-encoding join.
#include <cstdint>
#include <vector>

class PcmConverter {
public:
    void Reset();
    void SetOutputFormat(int channels, int sampleRate, int bits = 16);
    void SetInputFormat(int channels, int sampleRate, int bits = 16);
    // Builds the filters when the rates differ; call after both formats are set.
    void Prepare();
    // Converts one block of inputCount samples per channel. The output buffers must hold at least
    // MaxOutputCount(inputCount) samples. Output samples saturate at the 16-bit range.
    void Convert(const int16_t* inLeft, const int16_t* inRight, int inputCount, int16_t* outLeft, int16_t* outRight,
        int& outputCount);
    int MaxOutputCount(int inputCount) const;

    int PhaseCount() const { return phaseCount_; }
    int FilterOrder() const { return filterOrder_; }
    int FilterCount() const { return filterCount_; }
    int TapsPerFilter() const { return filterOrder_ + 1; }
    double Ratio() const { return ratio_; }
    double CutOff() const { return cutOff_; }
    bool IntegerRatio() const { return integerRatio_; }

private:
    int ResampleChannel(int channel, const int16_t* input, int inputCount, int16_t* output);

    int outChannels_ = -1, outRate_ = -1, outBits_ = -1;
    int inChannels_ = -1, inRate_ = -1, inBits_ = -1;
    double ratio_ = 0;
    double cutOff_ = 0;
    bool integerRatio_ = false;
    int phaseCount_ = 0;
    int filterOrder_ = 0;
    int filterCount_ = 0;
    int paddedTaps_ = 0;
    std::vector<float> bank_; // filterCount_ filters of paddedTaps_ coefficients each
    std::vector<float> window_; // scratch: the samples one block's filters read
    std::vector<int16_t> history_[2];
    double inputTime_[2] = { 0, 0 };
    std::vector<int16_t> scratchLeft_, scratchRight_;
};
