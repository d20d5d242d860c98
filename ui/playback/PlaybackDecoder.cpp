#include "ui/playback/PlaybackDecoder.h"

#include "engine/stream/MpegFrameHeader.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kBlockSize = 64 * 1024;
constexpr size_t kMaxFrameSamples = 1152;
// A frame's main data may begin up to 511 bytes before it; twice that, and never fewer than three
// frames, also lets the filter banks settle, so the first frame kept decodes as in a full decode.
constexpr uint64_t kPrerollBytes = 2 * 512;
constexpr size_t kMinPrerollFrames = 3;
constexpr size_t kMaxPrerollFrames = 48;
// Frames decoded at open to tell an MP3 stream from bytes that only look like one.
constexpr size_t kProbeFrames = 8;

} // namespace

PlaybackDecoder::~PlaybackDecoder() { Close(); }

bool PlaybackDecoder::Open(const std::string& path)
{
    Close();
    if (!CountStreamSamples(path, count_, &frames_))
        return false;
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat info { };
    if (fd_ < 0 || ::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        Close();
        return false;
    }
    RestartDecoder();
    if (!decoder_.IsStarted()) {
        Close();
        return false;
    }
    // The stream must decode: at least one of its first frames has to give samples.
    bool decoded = false;
    for (size_t index = 0; index < std::min(frames_.size(), kProbeFrames) && !decoded; ++index)
        decoded = DecodeFrame(index, false) > 0;
    if (!decoded) {
        Close();
        return false;
    }
    Start(0, count_.totalSamples);
    return true;
}

void PlaybackDecoder::Close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    decoder_.Close();
    count_ = StreamSampleCount {};
    frames_.clear();
    frames_.shrink_to_fit();
    pending_.clear();
    pendingOffset_ = 0;
    nextFrame_ = 0;
    nextSample_ = 0;
    endSample_ = 0;
    block_.clear();
    blockStart_ = 0;
}

void PlaybackDecoder::RestartDecoder() { decoder_.Restart(); }

size_t PlaybackDecoder::FrameContaining(int64_t sample) const
{
    const auto after = std::upper_bound(frames_.begin(), frames_.end(), sample,
        [](int64_t value, const StreamFrame& frame) { return value < frame.firstSample; });
    return after == frames_.begin() ? 0 : static_cast<size_t>(after - frames_.begin()) - 1;
}

std::vector<uint8_t> PlaybackDecoder::FrameBytes(size_t index)
{
    const uint64_t position = frames_[index].position;
    auto inBlock
        = [&](uint64_t at, size_t length) { return at >= blockStart_ && at + length <= blockStart_ + block_.size(); };
    if (!inBlock(position, 4)) {
        block_.resize(kBlockSize);
        const ssize_t got = ::pread(fd_, block_.data(), block_.size(), static_cast<off_t>(position));
        block_.resize(got > 0 ? static_cast<size_t>(got) : 0);
        blockStart_ = position;
        if (!inBlock(position, 4))
            return {};
    }
    // The count found a valid header here; a file rewritten since may not hold one any more.
    const auto header = DecodeFrameHeader(block_.data() + (position - blockStart_));
    if (!header)
        return {};
    const auto length = static_cast<size_t>(header->frameLength);
    if (!inBlock(position, length)) {
        block_.resize(std::max(kBlockSize, length));
        const ssize_t got = ::pread(fd_, block_.data(), block_.size(), static_cast<off_t>(position));
        block_.resize(got > 0 ? static_cast<size_t>(got) : 0);
        blockStart_ = position;
        if (!inBlock(position, length))
            return {};
    }
    const auto* begin = block_.data() + (position - blockStart_);
    return { begin, begin + length };
}

size_t PlaybackDecoder::DecodeFrame(size_t index, bool keep)
{
    const size_t channels = static_cast<size_t>(std::max(count_.channels, 1));
    const int64_t frameEnd = index + 1 < frames_.size() ? frames_[index + 1].firstSample : count_.totalSamples;
    const auto expected = static_cast<size_t>(frameEnd - frames_[index].firstSample);
    int16_t left[kMaxFrameSamples * 2];
    int16_t right[kMaxFrameSamples * 2];
    size_t got = 0;
    std::vector<uint8_t> bytes = FrameBytes(index);
    if (keep)
        pending_.assign(expected * channels, 0);
    const auto header = bytes.size() >= 4 ? DecodeFrameHeader(bytes.data()) : std::nullopt;
    if (header && decoder_.IsStarted()) {
        if (decoder_.ChangesFormat(*header))
            RestartDecoder();
        const int n = decoder_.Feed(*header, bytes, left, right);
        if (n < 0)
            RestartDecoder(); // a damaged frame: start clean, the next frames rebuild the reservoir
        // Frames of another sample rate than the first stay silent: they are not resampled here.
        else if (decoder_.FrameSampleRate() == count_.sampleRate)
            got = std::min(static_cast<size_t>(n), expected);
        if (keep) {
            const bool stereoFrame = decoder_.FrameChannels() == 2;
            for (size_t i = 0; i < got; ++i) {
                // A mono frame in a stereo stream is heard on both sides, a stereo frame in a mono
                // stream as the mean of its channels.
                if (channels == 2) {
                    pending_[i * 2] = left[i];
                    pending_[i * 2 + 1] = right[i];
                } else {
                    pending_[i] = stereoFrame ? static_cast<int16_t>((left[i] + right[i]) / 2) : left[i];
                }
            }
        }
    }
    pendingOffset_ = 0;
    return got;
}

void PlaybackDecoder::Start(int64_t fromSample, int64_t toSample)
{
    pending_.clear();
    pendingOffset_ = 0;
    endSample_ = std::clamp<int64_t>(toSample, 0, count_.totalSamples);
    nextSample_ = std::clamp<int64_t>(fromSample, 0, endSample_);
    if (frames_.empty() || nextSample_ >= endSample_) {
        nextFrame_ = frames_.size();
        return;
    }
    const size_t target = FrameContaining(nextSample_);
    size_t first = target;
    uint64_t bytesBefore = 0;
    while (first > 0 && target - first < kMaxPrerollFrames
        && (bytesBefore < kPrerollBytes || target - first < kMinPrerollFrames)) {
        --first;
        bytesBefore = frames_[target].position - frames_[first].position;
    }
    RestartDecoder();
    for (size_t index = first; index < target; ++index)
        DecodeFrame(index, false);
    DecodeFrame(target, true);
    nextFrame_ = target + 1;
    pendingOffset_ = static_cast<size_t>(nextSample_ - frames_[target].firstSample);
}

size_t PlaybackDecoder::Read(int16_t* out, size_t maxFrames)
{
    const size_t channels = static_cast<size_t>(std::max(count_.channels, 1));
    size_t written = 0;
    while (written < maxFrames && nextSample_ < endSample_) {
        const size_t pendingFrames = pending_.size() / channels;
        if (pendingOffset_ >= pendingFrames) {
            if (nextFrame_ >= frames_.size())
                break;
            DecodeFrame(nextFrame_++, true);
            continue;
        }
        const auto left = static_cast<size_t>(std::min<int64_t>({ static_cast<int64_t>(maxFrames - written),
            static_cast<int64_t>(pendingFrames - pendingOffset_), endSample_ - nextSample_ }));
        std::memcpy(
            out + written * channels, pending_.data() + pendingOffset_ * channels, left * channels * sizeof(int16_t));
        written += left;
        pendingOffset_ += left;
        nextSample_ += static_cast<int64_t>(left);
    }
    return written;
}
