#include "engine/join/Mp3FrameDecoder.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>

namespace {

// The decoder's own reports of damaged frames would go to stderr; a damaged frame already shows
// as a decoding error, so they are dropped.
void IgnoreReport(const char*, va_list) { }

} // namespace

Mp3FrameDecoder::~Mp3FrameDecoder() { Close(); }

void Mp3FrameDecoder::Close()
{
    if (hip_)
        hip_decode_exit(hip_);
    hip_ = nullptr;
    lastFed_.reset();
    frameChannels_ = frameSampleRate_ = 0;
    undecodableRun_ = 0;
}

bool Mp3FrameDecoder::Restart()
{
    if (hip_)
        hip_decode_exit(hip_);
    hip_ = hip_decode_init();
    lastFed_.reset();
    if (!hip_)
        return false;
    hip_set_errorf(hip_, IgnoreReport);
    hip_set_debugf(hip_, IgnoreReport);
    hip_set_msgf(hip_, IgnoreReport);
    return true;
}

bool Mp3FrameDecoder::ChangesFormat(const MpegFrameHeader& header) const
{
    if (!lastFed_)
        return false;
    const MpegFrameHeader& last = *lastFed_;
    return last.version != header.version || last.layerIndex != header.layerIndex
        || last.sampleRate != header.sampleRate || (last.channelMode == 3) != (header.channelMode == 3);
}

int Mp3FrameDecoder::DecodeNext(const uint8_t* bytes, size_t length, int16_t* left, int16_t* right)
{
    if (!hip_)
        return -1;
    uint8_t none = 0; // the decoder is given a valid pointer even when fed no bytes
    mp3data_struct frameFacts {};
    const int n
        = hip_decode1_headers(hip_, length > 0 ? const_cast<uint8_t*>(bytes) : &none, length, left, right, &frameFacts);
    if (n <= 0)
        return n;
    if (frameFacts.header_parsed) {
        frameChannels_ = frameFacts.stereo;
        frameSampleRate_ = frameFacts.samplerate;
    }
    if (frameChannels_ == 1)
        std::memcpy(right, left, static_cast<size_t>(n) * sizeof(int16_t));
    return n;
}

int Mp3FrameDecoder::Drain(int16_t* left, int16_t* right) { return hip_ ? DecodeNext(nullptr, 0, left, right) : 0; }

int Mp3FrameDecoder::Feed(const MpegFrameHeader& header, std::span<const uint8_t> bytes, int16_t* left, int16_t* right)
{
    lastFed_ = header;
    int n = DecodeNext(bytes.data(), bytes.size(), left, right);
    // The decoder may hand out a frame it holds only when asked once more.
    if (n == 0)
        n = DecodeNext(nullptr, 0, left, right);
    const int samples = std::min(header.samplesPerFrame, kMaxSamplesPerFrame);
    if (n < 0 || n >= samples) {
        undecodableRun_ = 0;
        return n;
    }
    // Passed over, wholly or in part: its main data lies in frames this decoder never saw (a
    // piece's first frames, the first frames after a change of format) or it is damaged. Other
    // decoders play what is missing as silence, and so the frame keeps its place in time here. A
    // decoder that takes no frame whole any more has stopped: the rest would be silence.
    if (++undecodableRun_ > kMaxUndecodableRun)
        return -1;
    std::fill(left + n, left + samples, int16_t { 0 });
    std::fill(right + n, right + samples, int16_t { 0 });
    if (n == 0) {
        frameChannels_ = header.channelMode == 3 ? 1 : 2;
        frameSampleRate_ = header.sampleRate;
    }
    return samples;
}
