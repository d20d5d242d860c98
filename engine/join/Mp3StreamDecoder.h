#pragma once
// An MP3 file decoded frame by frame with libmp3lame's hip decoder. The frames are found by the
// source file's walk (Mp3SourceFile): the decoder is fed whole confirmed audio frames only, never
// tags, junk or the information frame. Each decoder has its own hip handle, so several may be open
// at once.
#include "engine/join/Mp3FrameDecoder.h"
#include "engine/stream/Mp3SourceFile.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

class Mp3StreamDecoder {
public:
    static constexpr int kMaxSamplesPerFrame = 1152;

    Mp3StreamDecoder() = default;
    ~Mp3StreamDecoder();
    Mp3StreamDecoder(const Mp3StreamDecoder&) = delete;
    Mp3StreamDecoder& operator=(const Mp3StreamDecoder&) = delete;

    // Opens the file and takes the stream facts from its first audio frame; false when it cannot
    // be opened or holds no confirmed MPEG audio frame (LastOpenError says why).
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return source_.IsOpen(); }
    Mp3SourceFile::OpenError LastOpenError() const { return openError_; }

    // Decodes the next frame into left and right (1152 samples each). A mono frame fills both with
    // the same samples. Every audio frame gives its samples: a frame the decoder passes over (its
    // main data lies in frames the decoder never saw, as in a piece's first frames, or it is
    // damaged) gives silence of its length. Returns false on a decoder error, when the file could
    // not be read to its end (SourceReadFailed), or when the decode ends before the audio does: the
    // decoder passed over dozens of frames in a row, or gave fewer samples than the frames hold.
    // At the end of the stream sets endOfStream with 0 samples.
    bool ReadPcm(int16_t* left, int16_t* right, int& samples, bool& endOfStream);
    bool SourceReadFailed() const { return source_.ReadFailed(); }
    // The channel count (1 or 2) and sample rate of the samples the last ReadPcm gave: a stream
    // may change both from frame to frame.
    int FrameChannels() const { return frames_.FrameChannels(); }
    int FrameSampleRate() const { return frames_.FrameSampleRate(); }

    // The 128-byte ID3v1 block at the end of the file, read once and kept; none without a tag.
    std::optional<std::array<uint8_t, 128>> ReadTagBlock();

    const std::string& Path() const { return source_.Path(); }
    // The opened file, for looks at its frames that do not move the decoding.
    const Mp3SourceFile& Source() const { return source_; }
    int SampleRate() const { return sampleRate_; }
    int Bitrate() const { return bitrate_; }
    int Mode() const { return mode_; } // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    int Channels() const { return mode_ == 3 ? 1 : 2; }
    int SamplesPerFrame() const { return samplesPerFrame_; }
    static constexpr uint64_t kUnknownTotal = UINT64_MAX;
    // From the VBR information frame, else estimated from the audio bytes; kUnknownTotal when unknown.
    uint64_t TotalSamples() const { return totalSamples_; }
    int Layer() const { return layer_; } // 1, 2 or 3, of the first audio frame
    int TotalFrames() const { return totalFrames_; }
    bool IsVbr() const { return isVbr_; }
    // Bytes before the first frame (the information frame, when there is one): tags and junk.
    uint64_t LeadingBytes() const { return leadingBytes_; }

private:
    // The total samples of a stream with an information frame, checked against the file.
    uint64_t InformationFrameTotal(uint32_t frames);
    uint64_t FramesTheFileCanHold() const;

    Mp3SourceFile source_;
    Mp3FrameDecoder frames_;
    Mp3SourceFile::OpenError openError_ = Mp3SourceFile::OpenError::None;
    size_t cursor_ = 0; // the next frame to feed
    int sampleRate_ = 0;
    int bitrate_ = 0;
    int mode_ = 0;
    int samplesPerFrame_ = 0;
    int layer_ = 0;
    int totalFrames_ = 0;
    uint64_t fedSamples_ = 0; // samples of the frames fed
    uint64_t givenSamples_ = 0; // samples handed out
    bool isVbr_ = false;
    uint64_t leadingBytes_ = 0;
    uint64_t totalSamples_ = 0;
    std::optional<std::array<uint8_t, 128>> tagBlock_;
};
