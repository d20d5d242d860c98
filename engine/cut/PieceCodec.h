#pragma once
// The decoder and the encoder of one faded piece: a fresh hip decoder and a fresh LAME encoder per
// piece, so every piece is decoded from its own first frame and encoded from a clean state. The
// decoder follows the source through changes of channel count or sample rate; every frame is
// brought to the piece's format before it is encoded.
#include "engine/join/Mp3FrameDecoder.h"
#include "engine/join/PcmToOutputFormat.h"
#include "engine/stream/MpegFrameHeader.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include <lame/lame.h>

class PieceCodec {
public:
    static constexpr size_t kMp3Bytes = 16384; // lame_encode_flush needs at least 7200

    // bitrate in kbit/s, or 0 to leave the encoder's default. channelMode is the MPEG number
    // (0 stereo, 1 joint stereo, 2 dual channel, 3 mono).
    PieceCodec(int sampleRate, int channelMode, int bitrate);
    ~PieceCodec();
    PieceCodec(const PieceCodec&) = delete;
    PieceCodec& operator=(const PieceCodec&) = delete;

    // False when the encoder could not be created or refused its parameters.
    bool Ready() const { return ready_; }
    bool IsMono() const { return channels_ == 1; }

    // Decodes one whole frame into Left() and Right(), at the piece's channel count and rate: the
    // samples per channel that the frames given so far complete (a frame the decoder passes over
    // gives silence), or 0 when there are none.
    int Decode(const MpegFrameHeader& header, std::span<const uint8_t> frame);
    // Encodes samples from Left() and Right() into Mp3(); the bytes produced, negative on error.
    int Encode(int samples);
    // Drains the encoder into Mp3(); the bytes produced, negative on error.
    int Flush();
    // LAME's information frame for what was encoded, to be written over the first frame, which
    // the encoder reserves for it; call after Flush. Empty when the encoder gives none.
    std::vector<uint8_t> LameTagFrame();

    int16_t* Left() { return left_.data(); }
    int16_t* Right() { return right_.data(); }
    const uint8_t* Mp3() const { return mp3_.data(); }

private:
    // Appends samples of the given format, converted to the piece's, to the decoded block.
    void Append(const int16_t* left, const int16_t* right, int count);

    Mp3FrameDecoder decoder_;
    PcmToOutputFormat converter_;
    lame_global_flags* encoder_ = nullptr;
    bool ready_ = false;
    int sampleRate_ = 0;
    int channels_ = 2;
    std::vector<int16_t> left_, right_; // the decoded block
    size_t decoded_ = 0; // its samples per channel
    std::array<int16_t, Mp3FrameDecoder::kMaxSamplesPerFrame> frameLeft_ {}, frameRight_ {};
    std::array<uint8_t, kMp3Bytes> mp3_ {};
    std::array<uint8_t, 2881> frame_ {}; // the frame being decoded, copied
};

// The encoder bitrate for a piece: with a VBR information frame, the smallest standard rate at
// least the source's average (0, the encoder's default, above 320); otherwise the source's own.
int FadeEncoderBitrate(bool hasInfoFrame, int sourceBitrate);
