#pragma once
// Time in ticks that every MPEG audio sample rate divides: a stream whose frames change their rate
// is timed exactly, each frame at its own rate. 14,112,000 is the least common multiple of the
// nine rates (8000 Hz to 48000 Hz); one 1152-sample frame at 44.1 kHz is 368,640 ticks.
#include "engine/stream/MpegFrameHeader.h"

#include <cstdint>

inline constexpr int64_t kTicksPerSecond = 14112000;

// Ticks of one sample at a rate; 0 for a rate that is not positive.
inline int64_t TicksPerSample(int sampleRate) { return sampleRate > 0 ? kTicksPerSecond / sampleRate : 0; }
inline int64_t FrameTicks(const MpegFrameHeader& header)
{
    return header.samplesPerFrame * TicksPerSample(header.sampleRate);
}
// Whole milliseconds of ticks, truncated; split so that no product overflows.
inline int64_t TicksToMs(int64_t ticks)
{
    return ticks / kTicksPerSecond * 1000 + ticks % kTicksPerSecond * 1000 / kTicksPerSecond;
}
// Whether frames of b may follow frames of a in one stream: same version, layer and sample rate.
inline bool SameStreamFormat(const MpegFrameHeader& a, const MpegFrameHeader& b)
{
    return a.version == b.version && a.layerIndex == b.layerIndex && a.sampleRate == b.sampleRate;
}
