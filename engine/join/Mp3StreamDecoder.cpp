#include "engine/join/Mp3StreamDecoder.h"

#include "engine/stream/CountStreamSamples.h"
#include "engine/stream/MpegFrameHeader.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstring>

namespace {

// Frames the hip decoder takes in one stream once it has synchronised on the first of them.
bool SameDecoderFormat(const MpegFrameHeader& a, const MpegFrameHeader& b)
{
    return a.version == b.version && a.layerIndex == b.layerIndex && a.sampleRate == b.sampleRate
        && (a.channelMode == 3) == (b.channelMode == 3);
}

// The decoder's own reports of damaged frames would go to stderr; a damaged frame already shows
// as a decoding error, so they are dropped.
void IgnoreReport(const char*, va_list) { }

hip_t StartDecoder()
{
    hip_t hip = hip_decode_init();
    if (hip) {
        hip_set_errorf(hip, IgnoreReport);
        hip_set_debugf(hip, IgnoreReport);
        hip_set_msgf(hip, IgnoreReport);
    }
    return hip;
}

} // namespace

Mp3StreamDecoder::~Mp3StreamDecoder() { Close(); }

bool Mp3StreamDecoder::Open(const std::string& path)
{
    Close();
    if (!source_.Open(path)) {
        openError_ = source_.LastOpenError();
        return false;
    }
    const auto first = source_.SyncedFrame(source_.AudioStart());
    hip_ = first ? StartDecoder() : nullptr;
    if (!hip_) {
        Close();
        openError_ = Mp3SourceFile::OpenError::NoAudio;
        return false;
    }
    const MpegFrameHeader& header = first->header;
    sampleRate_ = header.sampleRate;
    bitrate_ = header.bitrate;
    mode_ = header.channelMode;
    samplesPerFrame_ = header.samplesPerFrame;
    layer_ = header.layerIndex + 1;
    cursor_ = first->position;
    leadingBytes_ = source_.HasInfoFrame() ? source_.InfoFramePosition() : first->position;

    if (const auto frames = source_.InfoFrameCount(); frames && *frames > 0) {
        isVbr_ = true;
        totalSamples_ = InformationFrameTotal(*frames);
        return true;
    }
    // Whole seconds of the audio bytes, in 64 bits: a long file's samples do not wrap.
    const uint64_t audioBytes = source_.AudioEnd() > first->position ? source_.AudioEnd() - first->position : 0;
    const uint64_t seconds = audioBytes * 8 / (static_cast<uint64_t>(bitrate_) * 1000);
    totalSamples_ = seconds * static_cast<uint64_t>(sampleRate_);
    totalFrames_ = static_cast<int>(std::min<uint64_t>(totalSamples_ / static_cast<uint64_t>(samplesPerFrame_), INT_MAX));
    return true;
}

void Mp3StreamDecoder::Close()
{
    source_.Close();
    if (hip_)
        hip_decode_exit(hip_);
    hip_ = nullptr;
    openError_ = Mp3SourceFile::OpenError::None;
    tagBlock_.reset();
    cursor_ = 0;
    sampleRate_ = bitrate_ = mode_ = samplesPerFrame_ = layer_ = totalFrames_ = 0;
    frameChannels_ = frameSampleRate_ = 0;
    lastFed_.reset();
    undecodableRun_ = 0;
    fedSamples_ = givenSamples_ = 0;
    isVbr_ = false;
    leadingBytes_ = 0;
    totalSamples_ = 0;
}

uint64_t Mp3StreamDecoder::InformationFrameTotal(uint32_t frames)
{
    // A crafted count may claim more frames than the file holds: the frames themselves are
    // counted instead.
    const uint64_t total = uint64_t { frames } * static_cast<uint64_t>(samplesPerFrame_);
    if (frames <= FramesTheFileCanHold()) {
        totalFrames_ = static_cast<int>(std::min<uint64_t>(frames, INT_MAX));
        return total;
    }
    StreamSampleCount count;
    if (!CountStreamSamples(source_, count))
        return kUnknownTotal;
    totalFrames_ = static_cast<int>(std::min<int64_t>(count.frameCount, INT_MAX));
    return static_cast<uint64_t>(count.totalSamples);
}

uint64_t Mp3StreamDecoder::FramesTheFileCanHold() const
{
    // The shortest frame of the stream's version, layer and rate: bitrate index 1, no padding.
    const auto header = source_.Read(cursor_, 4);
    if (header.size() != 4)
        return 0;
    const uint8_t shortest[4] = { header[0], header[1], static_cast<uint8_t>((header[2] & 0x0C) | 0x10), header[3] };
    const auto decoded = DecodeFrameHeader(shortest);
    if (!decoded || decoded->frameLength <= 0)
        return 0;
    const uint64_t bytes = source_.AudioEnd() > cursor_ ? source_.AudioEnd() - cursor_ : 0;
    return bytes / static_cast<uint64_t>(decoded->frameLength);
}

int Mp3StreamDecoder::DecodeNext(const uint8_t* bytes, size_t length, int16_t* left, int16_t* right)
{
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

bool Mp3StreamDecoder::RestartDecoder()
{
    if (hip_)
        hip_decode_exit(hip_);
    hip_ = StartDecoder();
    return hip_ != nullptr;
}

int Mp3StreamDecoder::Feed(const FoundFrame& frame, std::span<const uint8_t> bytes, int16_t* left, int16_t* right)
{
    const MpegFrameHeader& header = frame.header;
    lastFed_ = header;
    fedSamples_ += static_cast<uint64_t>(header.samplesPerFrame);
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

bool Mp3StreamDecoder::ReadPcm(int16_t* left, int16_t* right, int& samples, bool& endOfStream)
{
    samples = 0;
    endOfStream = false;
    if (!hip_) {
        endOfStream = true;
        return false;
    }
    int n = DecodeNext(nullptr, 0, left, right);
    while (n == 0) {
        const auto frame = source_.NextCompleteFrame(cursor_);
        if (!frame) {
            // The decoder may still hold the last frame's samples.
            n = DecodeNext(nullptr, 0, left, right);
            break;
        }
        const auto bytes = source_.FrameBytes(*frame);
        if (bytes.size() != static_cast<size_t>(frame->header.frameLength))
            return false;
        if (lastFed_ && !SameDecoderFormat(*lastFed_, frame->header)) {
            // Samples the decoder still holds are handed out first; this frame is fed on the
            // next call, to a decoder started afresh.
            n = DecodeNext(nullptr, 0, left, right);
            if (n != 0)
                break;
            if (!RestartDecoder())
                return false;
        }
        cursor_ = frame->position + bytes.size();
        n = Feed(*frame, bytes, left, right);
    }
    if (n < 0 || source_.ReadFailed())
        return false;
    if (n > 0) {
        samples = n;
        givenSamples_ += static_cast<uint64_t>(n);
        return true;
    }
    endOfStream = true;
    // Fewer samples than the frames hold: the decoder stopped taking frames before the audio ended.
    return givenSamples_ >= fedSamples_;
}

std::optional<std::array<uint8_t, 128>> Mp3StreamDecoder::ReadTagBlock()
{
    if (tagBlock_ || !source_.IsOpen() || source_.Size() < 128)
        return tagBlock_;
    const auto bytes = source_.Read(source_.Size() - 128, 128);
    if (bytes.size() == 128 && std::memcmp(bytes.data(), "TAG", 3) == 0) {
        tagBlock_.emplace();
        std::copy(bytes.begin(), bytes.end(), tagBlock_->begin());
    }
    return tagBlock_;
}
