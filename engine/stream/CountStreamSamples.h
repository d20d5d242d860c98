#pragma once
// The exact length of an MP3 stream: every complete audio frame is walked and its samples added up,
// so a VBR file without an information frame is measured as exactly as a CBR file. The information
// frame itself holds no audio and is not counted; neither is a trailing ID3v1 block.
#include "engine/stream/Mp3SourceFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct StreamSampleCount {
    int sampleRate = 0; // Hz, of the first audio frame
    int channels = 0; // 1 or 2, of the first audio frame
    int64_t frameCount = 0; // audio frames
    int64_t totalSamples = 0; // per channel, of every frame whatever its rate
    int64_t durationTicks = 0; // every frame at its own rate (StreamTime.h)
    // The index of the first audio frame whose version, layer or sample rate differs from the
    // first frame's; none when the stream keeps one format.
    std::optional<int64_t> formatChangeAtFrame;
    MpegFrameHeader formatChangeHeader {}; // that frame's header, when there is one

    // The length, each frame at its own rate, truncated; 0 without frames.
    int64_t DurationMs() const;
    // The length in samples at the first frame's rate, truncated: totalSamples when the stream
    // keeps one rate.
    int64_t SamplesAtFirstRate() const;
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
