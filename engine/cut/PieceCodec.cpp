#include "engine/cut/PieceCodec.h"

#include <algorithm>
#include <cstdarg>

namespace {

constexpr std::array<int, 18> kEncoderBitrates
    = { 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 192, 224, 256, 320 };

// The encoder's reports would go to stderr; the engine never prints.
void Quiet(const char*, va_list) { }

} // namespace

int FadeEncoderBitrate(bool hasInfoFrame, int sourceBitrate)
{
    if (!hasInfoFrame)
        return sourceBitrate;
    for (const int rate : kEncoderBitrates)
        if (rate >= sourceBitrate)
            return rate;
    return 0;
}

PieceCodec::PieceCodec(int sampleRate, int channelMode, int bitrate)
    : sampleRate_(sampleRate)
    , channels_(channelMode == 3 ? 1 : 2)
{
    encoder_ = lame_init();
    if (!decoder_.Restart() || !encoder_)
        return;
    converter_.SetOutputFormat(channels_, sampleRate);
    lame_set_errorf(encoder_, Quiet);
    lame_set_debugf(encoder_, Quiet);
    lame_set_msgf(encoder_, Quiet);
    lame_set_in_samplerate(encoder_, sampleRate);
    lame_set_num_channels(encoder_, channels_);
    if (bitrate > 0)
        lame_set_brate(encoder_, bitrate);
    lame_set_out_samplerate(encoder_, sampleRate);
    lame_set_mode(encoder_, static_cast<MPEG_mode>(channelMode));
    lame_set_bWriteVbrTag(encoder_, 1);
    lame_set_VBR(encoder_, vbr_off);
    ready_ = lame_init_params(encoder_) != -1;
}

PieceCodec::~PieceCodec()
{
    if (encoder_)
        lame_close(encoder_);
}

void PieceCodec::Append(const int16_t* left, const int16_t* right, int count)
{
    const int converted = converter_.Convert(left, right, count, decoder_.FrameChannels(), decoder_.FrameSampleRate());
    if (converted <= 0)
        return;
    const size_t end = decoded_ + static_cast<size_t>(converted);
    if (left_.size() < end) {
        left_.resize(end);
        right_.resize(end);
    }
    std::copy_n(converter_.Left(), converted, left_.begin() + static_cast<std::ptrdiff_t>(decoded_));
    std::copy_n(converter_.Right(), converted, right_.begin() + static_cast<std::ptrdiff_t>(decoded_));
    decoded_ = end;
}

int PieceCodec::Decode(const MpegFrameHeader& header, std::span<const uint8_t> frame)
{
    decoded_ = 0;
    // The frame may be a mapped file that another program writes to meanwhile: the decoder gets
    // a copy that cannot change while it looks at it. The largest MPEG audio frame is 2,881 bytes.
    const size_t length = std::min(frame.size(), frame_.size());
    std::copy_n(frame.begin(), length, frame_.begin());
    int16_t* left = frameLeft_.data();
    int16_t* right = frameRight_.data();
    // Every frame the decoder still holds comes out now, so the samples given belong to the frames
    // given so far.
    auto drain = [&] {
        for (int got = decoder_.Drain(left, right); got > 0; got = decoder_.Drain(left, right))
            Append(left, right, got);
    };
    if (decoder_.ChangesFormat(header)) {
        drain();
        if (!decoder_.Restart())
            return 0;
    }
    const int got = decoder_.Feed(header, std::span<const uint8_t>(frame_.data(), length), left, right);
    if (got < 0) {
        // A damaged frame or a decoder that has stopped: start clean, the next frames rebuild the
        // reservoir.
        decoder_.Restart();
        return static_cast<int>(decoded_);
    }
    Append(left, right, got);
    drain();
    return static_cast<int>(decoded_);
}

int PieceCodec::Encode(int samples)
{
    samples = std::min(samples, static_cast<int>(decoded_));
    return lame_encode_buffer(
        encoder_, left_.data(), right_.data(), samples, mp3_.data(), static_cast<int>(mp3_.size()));
}

int PieceCodec::Flush() { return lame_encode_flush(encoder_, mp3_.data(), static_cast<int>(mp3_.size())); }

std::vector<uint8_t> PieceCodec::LameTagFrame()
{
    std::vector<uint8_t> frame(kMp3Bytes);
    const size_t length = ready_ ? lame_get_lametag_frame(encoder_, frame.data(), frame.size()) : 0;
    frame.resize(length <= kMp3Bytes ? length : 0);
    return frame;
}
