#include "engine/stream/AverageBitrate.h"

#include "engine/stream/InfoFrame.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

// Frames read at each of the three places: enough to see a variable bitrate change.
constexpr int kSampledFrames = 16;
// No MPEG audio stream averages outside this range (Layer I at 448 kbit/s is the highest).
constexpr int kLowestBitrate = 8;
constexpr int kHighestBitrate = 448;
// The longest MPEG audio frame (Layer II at 384 kbit/s and 8 kHz would be longer, but that is no
// allowed combination): the end spot starts this many frames' bytes before the end.
constexpr size_t kLongestFrame = 2881;

std::optional<FoundFrame> NextFrame(const Mp3SourceFile& source, const FoundFrame& frame)
{
    return source.SyncedFrame(frame.position + static_cast<size_t>(frame.header.frameLength));
}

bool SampledFramesKeep(const Mp3SourceFile& source, int bitrate)
{
    const size_t start = source.AudioStart();
    const size_t end = source.AudioEnd();
    if (end <= start)
        return true;
    const size_t length = end - start;
    const std::array<size_t, 3> spots { start, start + length / 2,
        end - std::min(length, kSampledFrames * kLongestFrame) };
    for (size_t index = 0; index < spots.size(); ++index) {
        // The last spot is read to the end of the audio: a few dozen kilobytes at most.
        const int most = index + 1 == spots.size() ? INT32_MAX : kSampledFrames;
        auto frame = source.SyncedFrame(spots[index]);
        for (int count = 0; frame && count < most; ++count, frame = NextFrame(source, *frame))
            if (frame->header.bitrate != bitrate)
                return false;
    }
    return true;
}

// From the information frame's counts. Its byte count covers the information frame too (as the
// encoders that write it count), which holds no audio.
std::optional<int> FromCounts(const Mp3SourceFile& source)
{
    if (!source.HasInfoFrame())
        return std::nullopt;
    std::optional<uint32_t> frames;
    std::optional<uint32_t> bytes;
    if (source.InfoFrameKind() == "VBRI") {
        if (const auto vbri = ParseVbriFrame(source.InfoFrame())) {
            frames = vbri->frameCount;
            bytes = vbri->byteCount;
        }
    } else if (const auto layout = ParseInfoFrame(source.InfoFrame())) {
        frames = layout->frameCount;
        bytes = layout->byteCount;
    }
    if (!frames || !bytes || *frames == 0 || source.SamplesPerFrame() <= 0)
        return std::nullopt;
    const uint64_t infoLength = source.InfoFrameLength();
    const uint64_t audioBytes = *bytes > infoLength ? *bytes - infoLength : *bytes;
    const int bitrate = BitrateOf(
        audioBytes, uint64_t { *frames } * static_cast<uint64_t>(source.SamplesPerFrame()), source.SampleRate());
    // Counts a damaged or crafted frame makes up give an average no stream has.
    if (bitrate < kLowestBitrate || bitrate > kHighestBitrate)
        return std::nullopt;
    return bitrate;
}

} // namespace

int BitrateOf(uint64_t audioBytes, uint64_t samples, int sampleRate)
{
    if (samples == 0 || audioBytes == 0 || sampleRate <= 0)
        return 0;
    // Doubles: a byte count times the rate would overflow 64 bits for files of terabytes, and
    // the rounding to whole kbit/s needs no more than their precision.
    const double kbps = static_cast<double>(audioBytes) * 8.0 * sampleRate / (static_cast<double>(samples) * 1000.0);
    return static_cast<int>(std::min(kbps + 0.5, 1e9));
}

StreamBitrate AverageBitrate(const Mp3SourceFile& source)
{
    StreamBitrate result;
    const auto first = source.SyncedFrame(source.AudioStart());
    if (!first)
        return result;
    result.bitrate = first->header.bitrate;
    if (SampledFramesKeep(source, result.bitrate))
        return result;
    result.varies = true;
    if (const auto fromCounts = FromCounts(source)) {
        result.bitrate = *fromCounts;
        return result;
    }
    uint64_t bytes = 0;
    uint64_t samples = 0;
    for (auto frame = first; frame; frame = NextFrame(source, *frame)) {
        bytes += static_cast<uint64_t>(frame->header.frameLength);
        samples += static_cast<uint64_t>(frame->header.samplesPerFrame);
    }
    // A read that failed on the way leaves the first frame's bitrate and the estimate of the length.
    if (source.ReadFailed() || samples == 0)
        return result;
    result.bitrate = BitrateOf(bytes, samples, first->header.sampleRate);
    result.walkedSamples = samples;
    return result;
}
