#include "engine/join/Mp3StreamDecoder.h"

#include "engine/stream/CountStreamSamples.h"
#include "engine/stream/MpegFrameHeader.h"

#include <algorithm>
#include <climits>
#include <cstring>

Mp3StreamDecoder::~Mp3StreamDecoder() { Close(); }

bool Mp3StreamDecoder::Open(const std::string& path)
{
    Close();
    if (!source_.Open(path)) {
        openError_ = source_.LastOpenError();
        return false;
    }
    const auto first = source_.SyncedFrame(source_.AudioStart());
    if (!first || !frames_.Restart()) {
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
    frames_.Close();
    openError_ = Mp3SourceFile::OpenError::None;
    tagBlock_.reset();
    cursor_ = 0;
    sampleRate_ = bitrate_ = mode_ = samplesPerFrame_ = layer_ = totalFrames_ = 0;
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

bool Mp3StreamDecoder::ReadPcm(int16_t* left, int16_t* right, int& samples, bool& endOfStream)
{
    samples = 0;
    endOfStream = false;
    if (!frames_.IsStarted()) {
        endOfStream = true;
        return false;
    }
    int n = frames_.Drain(left, right);
    while (n == 0) {
        const auto frame = source_.NextCompleteFrame(cursor_);
        if (!frame) {
            // The decoder may still hold the last frame's samples.
            n = frames_.Drain(left, right);
            break;
        }
        const auto bytes = source_.FrameBytes(*frame);
        if (bytes.size() != static_cast<size_t>(frame->header.frameLength))
            return false;
        if (frames_.ChangesFormat(frame->header)) {
            // Samples the decoder still holds are handed out first; this frame is fed on the
            // next call, to a decoder started afresh.
            n = frames_.Drain(left, right);
            if (n != 0)
                break;
            if (!frames_.Restart())
                return false;
        }
        cursor_ = frame->position + bytes.size();
        fedSamples_ += static_cast<uint64_t>(frame->header.samplesPerFrame);
        n = frames_.Feed(frame->header, bytes, left, right);
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
