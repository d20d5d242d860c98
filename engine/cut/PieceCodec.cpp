#include "engine/cut/PieceCodec.h"

#include <algorithm>
#include <cstdarg>

namespace {

constexpr std::array<int, 18> kEncoderBitrates
    = { 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 192, 224, 256, 320 };

// The decoder reports a missing bit reservoir at the first frames of every piece; that is expected
// here, and the engine never prints.
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
    decoder_ = hip_decode_init();
    encoder_ = lame_init();
    if (!decoder_ || !encoder_)
        return;
    hip_set_errorf(decoder_, Quiet);
    hip_set_debugf(decoder_, Quiet);
    hip_set_msgf(decoder_, Quiet);
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
    if (decoder_)
        hip_decode_exit(decoder_);
    if (encoder_)
        lame_close(encoder_);
}

int PieceCodec::Decode(const uint8_t* frame, size_t length)
{
    mp3data_struct facts {};
    // The frame may be a mapped file that another program writes to meanwhile: the decoder gets
    // a copy that cannot change while it looks at it. The largest MPEG audio frame is 2,881 bytes.
    length = std::min(length, frame_.size());
    std::copy_n(frame, length, frame_.begin());
    // The decoder gives one frame a call. Until it has seen a frame's successor it does not trust
    // the first header, and it hands over a frame only on the call after the one that completed
    // it: asking again without new bytes takes every complete frame, so the samples that come
    // out belong to the frames given so far and none is held back to the next call.
    int samples = 0;
    const uint8_t* input = frame_.data();
    size_t inputLength = length;
    while (static_cast<size_t>(samples) + 1152 <= kPcmSamples) {
        const int got = hip_decode1_headers(decoder_, const_cast<uint8_t*>(input), inputLength, left_.data() + samples,
            right_.data() + samples, &facts);
        input = nullptr;
        inputLength = 0;
        if (got <= 0)
            break;
        // A frame of another rate or channel count cannot go to this encoder.
        if (facts.header_parsed && (facts.samplerate != sampleRate_ || facts.stereo != channels_))
            continue;
        samples += got;
    }
    return samples;
}

int PieceCodec::Encode(int samples)
{
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
