#pragma once
// Brings decoded samples of whatever channel count and rate each frame has to one output format:
// a stream may change both from frame to frame, and the converter is set up afresh at each change.
// The samples the resampler still holds at a change (its filter reaches past the block's end) are
// flushed then, so no audio is lost at the change.
#include "engine/join/PcmConverter.h"

#include <cstdint>
#include <vector>

class PcmToOutputFormat {
public:
    void SetOutputFormat(int channels, int sampleRate);
    // Converts count samples per channel of the given format (a mono block in left); the result is
    // at Left() and Right() (Right() as Left() for a mono output), or the input itself when its
    // format is the output's. Returns the output's samples per channel.
    int Convert(const int16_t* left, const int16_t* right, int count, int channels, int sampleRate);
    // At the end of the input: the samples the resampler still holds, at Left() and Right().
    // The next Convert starts afresh.
    int Finish();
    const int16_t* Left() const { return outLeft_; }
    const int16_t* Right() const { return outRight_; }

private:
    void Configure(int channels, int sampleRate);
    // Runs the resampler on over silence and keeps its output up to the input's length at the
    // output rate: the held samples go to the front of left_ and right_; returns their count.
    int FlushHeld();

    PcmConverter converter_;
    int outChannels_ = 2;
    int outRate_ = 0;
    int inChannels_ = 0;
    int inRate_ = 0;
    bool needed_ = false;
    int64_t resampledIn_ = 0; // input samples given to the resampler since it was set up
    int64_t resampledOut_ = 0; // and the samples it gave
    std::vector<int16_t> left_, right_;
    const int16_t* outLeft_ = nullptr;
    const int16_t* outRight_ = nullptr;
};
