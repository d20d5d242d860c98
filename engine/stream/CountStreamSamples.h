#pragma once
// The exact length of an MP3 stream: every complete audio frame is walked and its samples added up,
// so a VBR file without an information frame is measured as exactly as a CBR file. The information
// frame itself holds no audio and is not counted; neither is a trailing ID3v1 block.
#include "engine/stream/Mp3SourceFile.h"

#include <cstdint>
#include <string>
#include <vector>

struct StreamSampleCount {
    int sampleRate = 0; // Hz, of the first audio frame
    int channels = 0; // 1 or 2, of the first audio frame
    int64_t frameCount = 0; // audio frames
    int64_t totalSamples = 0; // per channel

    // totalSamples at sampleRate, truncated; 0 without a rate.
    int64_t DurationMs() const;
};

// Where an audio frame lies in the file and where its samples start in the stream.
struct StreamFrame {
    uint64_t position = 0; // byte offset of the header
    int64_t firstSample = 0; // per channel, counted from the first audio frame
};

// Walks the frames of an opened source from its first audio frame, whatever its cursor says. When frames is given it
// receives every audio frame in stream order. False when the source holds no complete audio frame.
bool CountStreamSamples(
    const Mp3SourceFile& source, StreamSampleCount& count, std::vector<StreamFrame>* frames = nullptr);
// Opens the file and walks it; false when it cannot be opened as an MP3 source.
bool CountStreamSamples(const std::string& path, StreamSampleCount& count, std::vector<StreamFrame>* frames = nullptr);
