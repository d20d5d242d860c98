#pragma once
// Brings decoded samples of whatever channel count and rate each frame has to one output format:
// a stream may change both from frame to frame, and the converter is set up afresh at each change.
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
    const int16_t* Left() const { return outLeft_; }
    const int16_t* Right() const { return outRight_; }

private:
    void Configure(int channels, int sampleRate);

    PcmConverter converter_;
    int outChannels_ = 2;
    int outRate_ = 0;
    int inChannels_ = 0;
    int inRate_ = 0;
    bool needed_ = false;
    std::vector<int16_t> left_, right_;
    const int16_t* outLeft_ = nullptr;
    const int16_t* outRight_ = nullptr;
};
