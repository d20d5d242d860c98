#pragma once
// One hip decoder fed whole MPEG audio frames, one at a time, that follows a stream through changes
// of sample rate, layer or channel count. The decoder library keeps to the format of the first
// frame it synchronised on and silently passes over frames of any other, so it is started afresh
// at each change. Every frame fed gives its full samples: a frame the decoder passes over (its main
// data lies in frames it never saw, or it is damaged) gives silence of its length.
#include "engine/stream/MpegFrameHeader.h"

#include <cstdint>
#include <optional>
#include <span>

#include <lame/lame.h>

class Mp3FrameDecoder {
public:
    static constexpr int kMaxSamplesPerFrame = 1152;

    Mp3FrameDecoder() = default;
    ~Mp3FrameDecoder();
    Mp3FrameDecoder(const Mp3FrameDecoder&) = delete;
    Mp3FrameDecoder& operator=(const Mp3FrameDecoder&) = delete;

    // Starts a fresh decoder (also after an earlier one); false when none could be created.
    bool Restart();
    void Close();
    bool IsStarted() const { return hip_ != nullptr; }

    // True when the frame is of another format than the frames fed since the last restart: feed it
    // only after taking what Drain still gives and a Restart.
    bool ChangesFormat(const MpegFrameHeader& header) const;
    // Feeds one frame; its samples (kMaxSamplesPerFrame at most per channel) go to left and right,
    // a mono frame's in both. Returns the sample count, or -1 on a decoder error or when the
    // decoder has passed over dozens of frames in a row (it has stopped).
    int Feed(const MpegFrameHeader& header, std::span<const uint8_t> bytes, int16_t* left, int16_t* right);
    // Samples the decoder still holds of frames fed, one frame's at a call; 0 when it holds none.
    int Drain(int16_t* left, int16_t* right);

    // The channel count (1 or 2) and sample rate of the samples given last.
    int FrameChannels() const { return frameChannels_; }
    int FrameSampleRate() const { return frameSampleRate_; }

private:
    // One hip_decode1_headers call; returns its sample count, or -1 on a decoder error.
    int DecodeNext(const uint8_t* bytes, size_t length, int16_t* left, int16_t* right);

    hip_t hip_ = nullptr;
    std::optional<MpegFrameHeader> lastFed_;
    int frameChannels_ = 0;
    int frameSampleRate_ = 0;
    // Frames in a row that the decoder passed over; more than kMaxUndecodableRun (about a second)
    // is a decoder that has stopped.
    static constexpr int kMaxUndecodableRun = 40;
    int undecodableRun_ = 0;
};
