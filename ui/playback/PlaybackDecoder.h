#pragma once
// Decodes a stretch of an MP3 file to interleaved 16-bit PCM for listening, exact to the sample.
// The frames are found once by the exact length count; a stretch may start at any sample: decoding
// begins some frames earlier, so the bit reservoir and the filter banks are filled and the first
// audible frame is clean, and the samples before the start are dropped. Every frame gives exactly
// its own number of samples (silence for a frame the decoder refuses), so positions stay true.
// The file is read with pread, never mapped: a file cut short while it plays ends in silence.
#include "engine/join/Mp3FrameDecoder.h"
#include "engine/stream/CountStreamSamples.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class PlaybackDecoder {
public:
    PlaybackDecoder() = default;
    ~PlaybackDecoder();
    PlaybackDecoder(const PlaybackDecoder&) = delete;
    PlaybackDecoder& operator=(const PlaybackDecoder&) = delete;

    // Counts the frames and checks that the decoder accepts the stream; false for a file that is not
    // a regular file, holds no complete audio frame, or whose first frames do not decode.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    const StreamSampleCount& Count() const { return count_; }
    int Channels() const { return count_.channels; }
    int SampleRate() const { return count_.sampleRate; }

    // Prepares the stretch [fromSample, toSample), both limited to the stream.
    void Start(int64_t fromSample, int64_t toSample);
    // Up to maxFrames sample frames (Channels() samples each); 0 once the stretch has ended.
    size_t Read(int16_t* out, size_t maxFrames);
    // The sample the next Read begins with.
    int64_t NextSample() const { return nextSample_; }
    int64_t EndSample() const { return endSample_; }

private:
    // Decodes frame index into pending_, exactly its samples long (keep = false only feeds the
    // decoder); returns the samples the decoder gave.
    size_t DecodeFrame(size_t index, bool keep);
    // The bytes of frame index, read through the block buffer; empty when the file no longer holds them.
    std::vector<uint8_t> FrameBytes(size_t index);
    void RestartDecoder();
    size_t FrameContaining(int64_t sample) const;

    int fd_ = -1;
    // Started afresh at each change of channel count or rate, which the decoder would pass over.
    Mp3FrameDecoder decoder_;
    StreamSampleCount count_;
    std::vector<StreamFrame> frames_;

    std::vector<int16_t> pending_; // interleaved samples of the frame decoded last
    size_t pendingOffset_ = 0; // sample frames of pending_ already read
    size_t nextFrame_ = 0;
    int64_t nextSample_ = 0;
    int64_t endSample_ = 0;

    std::vector<uint8_t> block_; // a window of the file, to read many frames with one call
    uint64_t blockStart_ = 0;
};
