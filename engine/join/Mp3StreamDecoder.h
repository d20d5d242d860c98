#pragma once
// An MP3 file opened as a byte stream and decoded frame by frame with libmp3lame's hip decoder.
// Each decoder has its own hip handle, so several may be open at once.
#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include <lame/lame.h>

class Mp3StreamDecoder {
public:
    static constexpr int kMaxSamplesPerFrame = 1152;

    Mp3StreamDecoder() = default;
    ~Mp3StreamDecoder();
    Mp3StreamDecoder(const Mp3StreamDecoder&) = delete;
    Mp3StreamDecoder& operator=(const Mp3StreamDecoder&) = delete;

    // Opens the file and probes its first frame; false when it cannot be opened or holds no frame
    // the decoder accepts.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }

    // Decodes the next frame into left and right (1152 samples each; mono fills only left).
    // Returns false on a decoder error. At the end of the stream sets endOfStream with 0 samples.
    bool ReadPcm(int16_t* left, int16_t* right, int& samples, bool& endOfStream);

    // The 128-byte ID3v1 block at the end of the file, read once and kept; none without a tag.
    std::optional<std::array<uint8_t, 128>> ReadTagBlock();

    const std::string& Path() const { return path_; }
    int SampleRate() const { return facts_.samplerate; }
    int Bitrate() const { return facts_.bitrate; }
    int Mode() const { return facts_.mode; } // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    int Channels() const { return facts_.stereo; }
    int SamplesPerFrame() const { return facts_.framesize; }
    static constexpr uint64_t kUnknownTotal = UINT64_MAX;
    // From the VBR information frame, else estimated from the file size; kUnknownTotal when unknown.
    uint64_t TotalSamples() const { return totalSamples_; }
    int Layer() const { return layer_; } // 1, 2 or 3, of the first frame header accepted
    int TotalFrames() const { return facts_.totalframes; }
    bool IsVbr() const { return isVbr_; }
    // Bytes before the first frame that the probe skipped by structure (ID3v2 and album-ID blocks).
    uint64_t LeadingBytes() const { return leadingBytes_; }

private:
    bool Probe();
    bool ReadExactly(uint8_t* buffer, size_t length);
    // The total samples of a stream with an information frame, checked against the file.
    uint64_t InformationFrameTotal(const uint8_t* firstHeader);
    uint64_t FramesTheFileCanHold(const uint8_t* firstHeader) const;
    // One hip_decode1_headers call; returns its sample count, or -1 on a decoder error.
    int DecodeNext(const uint8_t* bytes, size_t length, int16_t* left, int16_t* right);

    std::FILE* file_ = nullptr;
    hip_t hip_ = nullptr;
    std::string path_;
    mp3data_struct facts_ {};
    bool isVbr_ = false;
    int layer_ = 0;
    uint64_t leadingBytes_ = 0;
    uint64_t totalSamples_ = 0;
    std::optional<std::array<uint8_t, 128>> tagBlock_;
};
