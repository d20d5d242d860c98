#include "engine/join/Mp3FileEncoder.h"

#include <algorithm>

namespace {

// LAME's output bound of 1.25 × samples + 7200 bytes stays inside the buffer for blocks of this
// size, so longer blocks (upsampled frames) are fed in parts.
constexpr int kMaxSamplesPerCall = 1152;

} // namespace

Mp3FileEncoder::~Mp3FileEncoder() { Finish(); }

int Mp3FileEncoder::ClampBitrate(int bitrate) { return std::clamp(bitrate, 8, 320); }

int Mp3FileEncoder::NormalizeMode(int mode) { return (mode == 0 || mode == 1 || mode == 3) ? mode : 0; }

bool Mp3FileEncoder::Create(const std::string& path)
{
    if (IsOpen())
        Finish();
    failed_ = false;
    if (!file_.Create(path))
        return false;
    encoder_ = lame_init();
    return encoder_ != nullptr;
}

void Mp3FileEncoder::SetChannels(int channels)
{
    channels_ = std::clamp(channels, 1, 2);
    if (encoder_)
        lame_set_num_channels(encoder_, channels_);
}

void Mp3FileEncoder::SetInputRate(int sampleRate)
{
    inputRate_ = sampleRate;
    if (encoder_)
        lame_set_in_samplerate(encoder_, sampleRate);
}

void Mp3FileEncoder::SetBitrate(int bitrate)
{
    if (!encoder_)
        return;
    lame_set_brate(encoder_, ClampBitrate(bitrate));
    lame_set_VBR_min_bitrate_kbps(encoder_, lame_get_brate(encoder_));
}

void Mp3FileEncoder::SetOutputRate(int sampleRate)
{
    outputRate_ = sampleRate;
    if (encoder_)
        lame_set_out_samplerate(encoder_, sampleRate);
}

void Mp3FileEncoder::SetMode(int mode)
{
    if (encoder_)
        lame_set_mode(encoder_, static_cast<MPEG_mode>(NormalizeMode(mode)));
}

bool Mp3FileEncoder::Start()
{
    // LAME reads a rate of 0 or below as "choose one", but the PCM fed to it is already at
    // this rate, so such a rate is refused here.
    if (!encoder_ || inputRate_ <= 0 || outputRate_ <= 0)
        return false;
    lame_set_VBR(encoder_, vbr_off);
    // The encoder reserves its first frame for the information frame, written over it at Finish.
    lame_set_bWriteVbrTag(encoder_, 1);
    lame_set_write_id3tag_automatic(encoder_, 0);
    started_ = lame_init_params(encoder_) != -1;
    if (started_ && !file_.Write(leadingBlock_.data(), leadingBlock_.size()))
        failed_ = true;
    return started_;
}

bool Mp3FileEncoder::WriteEncoded(int length)
{
    if (length < 0) {
        failed_ = true;
        return false;
    }
    if (length > 0 && !file_.Write(buffer_.data(), static_cast<size_t>(length)))
        failed_ = true;
    return !failed_;
}

bool Mp3FileEncoder::Encode(const int16_t* left, const int16_t* right, int count)
{
    if (!started_ || !IsOpen() || failed_)
        return false;
    if (channels_ == 1)
        right = left; // not read for one channel, but never handed over as a stray pointer
    for (int done = 0; done < count;) {
        const int part = std::min(count - done, kMaxSamplesPerCall);
        const int length
            = lame_encode_buffer(encoder_, left + done, right + done, part, buffer_.data(), kOutputBufferSize);
        if (!WriteEncoded(length))
            return false;
        done += part;
    }
    return true;
}

bool Mp3FileEncoder::Finish()
{
    if (!IsOpen()) {
        CloseEncoder();
        tagBlock_.reset();
        leadingBlock_.clear();
        return false;
    }
    if (started_ && !failed_)
        WriteEncoded(lame_encode_flush(encoder_, buffer_.data(), kOutputBufferSize));
    if (tagBlock_ && !failed_ && !file_.Write(tagBlock_->data(), tagBlock_->size()))
        failed_ = true;
    tagBlock_.reset();
    if (started_ && !failed_) {
        // The reserved first frame stands right after the leading block.
        const size_t length = lame_get_lametag_frame(encoder_, buffer_.data(), buffer_.size());
        if (length > 0 && length <= buffer_.size() && !file_.WriteAt(leadingBlock_.size(), buffer_.data(), length))
            failed_ = true;
    }
    leadingBlock_.clear();
    CloseEncoder();
    if (failed_) {
        file_.Discard();
        return false;
    }
    if (!file_.Close()) {
        failed_ = true;
        file_.Discard();
        return false;
    }
    return true;
}

void Mp3FileEncoder::Discard()
{
    CloseEncoder();
    tagBlock_.reset();
    leadingBlock_.clear();
    file_.Discard();
}

void Mp3FileEncoder::CloseEncoder()
{
    if (encoder_) {
        lame_close(encoder_);
        encoder_ = nullptr;
    }
    started_ = false;
}
