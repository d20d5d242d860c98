#pragma once
// The bitrate a file list shows for a stream: the first frame's when the stream keeps one bitrate;
// for a variable-bitrate stream its average over the audio, from the information frame's frame
// and byte counts when it has both and they make sense, else from a walk over every frame (which
// measures the length exactly too).
#include "engine/stream/Mp3SourceFile.h"

#include <cstdint>
#include <optional>

struct StreamBitrate {
    int bitrate = 0; // kbit/s, rounded to the nearest
    bool varies = false; // frames of different bitrates were seen
    std::optional<uint64_t> walkedSamples; // per channel, when every frame was walked
};

// The source must be open. Reads a few frames at the start and the middle and the last tens of
// kilobytes of the audio; the whole file only for a variable bitrate without usable counts.
StreamBitrate AverageBitrate(const Mp3SourceFile& source);
// kbit/s of audioBytes over samples at sampleRate, rounded; 0 when either count is 0.
int BitrateOf(uint64_t audioBytes, uint64_t samples, int sampleRate);
