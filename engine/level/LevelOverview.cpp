#include "engine/level/LevelOverview.h"

#include "engine/level/InSyncFrameWalk.h"
#include "engine/stream/InfoFrame.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <new>
#include <future>
#include <system_error>
#include <thread>

namespace {

// A granule's sound reaches the decoded output about a granule later than its place in the stream:
// its transform overlaps the next granule's, and the synthesis filter delays it (measured against
// decodes, as the place that follows them best).
constexpr int64_t kGranuleLag = 576;

// Audio at least this long is read in two halves at once, the second on a thread of its own.
constexpr size_t kSplitBytes = size_t { 8 } << 20;
constexpr size_t kNoFrame = static_cast<size_t>(-1);

// The granules' powers summed per window, frame after frame in stream order.
class WindowSums {
public:
    WindowSums(int64_t windowSamples, int64_t skip)
        : windowSamples_(windowSamples)
        , skip_(skip)
    {
    }

    void Add(const FrameLevel& level, int layerIndex, int samplesPerFrame)
    {
        for (int part = 0; part < level.parts; ++part) {
            // The granule's output span, on the gapless timeline; every window it reaches takes
            // its power, so windows shorter than a granule are never left empty.
            const int64_t centre = rawSample_ + int64_t { part } * level.samplesPerPart + level.samplesPerPart / 2
                + (layerIndex == 2 ? kGranuleLag : 0) - skip_;
            const int64_t from = std::max<int64_t>(0, centre - level.samplesPerPart / 2);
            const int64_t to = centre + level.samplesPerPart / 2;
            if (to <= 0)
                continue;
            const auto firstWindow = static_cast<size_t>(from / windowSamples_);
            // A window long enough to hold the granule's centre takes it there alone.
            const auto last = windowSamples_ >= level.samplesPerPart
                ? static_cast<size_t>(std::max<int64_t>(0, centre) / windowSamples_)
                : static_cast<size_t>((to - 1) / windowSamples_);
            const size_t begin = windowSamples_ >= level.samplesPerPart ? last : firstWindow;
            if (last >= power_.size()) {
                power_.resize(last + 1, 0.0);
                parts_.resize(last + 1, 0);
            }
            for (size_t window = begin; window <= last; ++window) {
                power_[window] += level.power[static_cast<size_t>(part)];
                parts_[window] += 1;
            }
        }
        rawSample_ += samplesPerFrame;
    }

    // Where the next frame's output starts in the decoder's raw output.
    int64_t RawSamples() const { return rawSample_; }

    std::vector<float> Levels(size_t windows)
    {
        power_.resize(windows, 0.0);
        parts_.resize(windows, 0);
        std::vector<float> levels(windows);
        for (size_t k = 0; k < windows; ++k)
            levels[k] = static_cast<float>(PowerToDb(parts_[k] > 0 ? power_[k] / parts_[k] : 0.0));
        return levels;
    }

private:
    int64_t windowSamples_;
    int64_t skip_;
    int64_t rawSample_ = 0;
    std::vector<double> power_;
    std::vector<int32_t> parts_;
};

// One frame's level as the second half keeps it, for the sums once the first half is done.
struct KeptLevel {
    FrameLevel level;
    int layerIndex = 0;
    int samplesPerFrame = 0;
};

// The second half of the audio, read on a thread of its own from the first frame it finds at or
// after the split. Its levels are kept from the first frame whose main data its reservoir holds
// as a walk from the start would (511 bytes read since it began): from there on they are the
// levels a walk from the start reads, provided that walk meets its first frame.
struct SecondHalf {
    size_t first = kNoFrame; // where its walk began
    size_t kept = kNoFrame; // the frame whose level is kept first
    std::vector<KeptLevel> levels;
    bool failed = false; // a read failed, or there was no memory for the levels
};

void ReadSecondHalf(const std::string& path, size_t split, SecondHalf& half, std::promise<void>& started,
    const std::atomic<bool>& stop, const std::atomic<bool>* cancel)
{
    bool told = false;
    auto tell = [&] {
        if (!told)
            started.set_value();
        told = true;
    };
    Mp3SourceFile source;
    try {
        if (source.Open(path)) {
            if (const auto frame = source.NextCompleteFrame(split)) {
                half.first = frame->position;
                source.SetCursor(frame->position);
                // Room for the levels of frames as long as the first one, so that they are
                // rarely moved; the walk pauses on nothing but its own work.
                const size_t frameBytes = std::max(1, frame->header.frameLength);
                half.levels.reserve(std::min<size_t>((source.End() - frame->position) / frameBytes + 64, size_t { 1 } << 22));
                MainDataReservoir reservoir;
                size_t frames = 0;
                WalkFramesInSync(source, [&](const FoundFrame& found, std::span<const uint8_t> bytes) {
                    source.SetCursor(found.position + static_cast<size_t>(found.header.frameLength));
                    if ((++frames & 4095) == 0
                        && (stop.load(std::memory_order_relaxed)
                            || (cancel && cancel->load(std::memory_order_relaxed))))
                        return false;
                    if (half.kept == kNoFrame && reservoir.HoldsItsReach()) {
                        half.kept = found.position;
                        tell();
                    }
                    const FrameLevel level = ReadFrameLevel(bytes, found.header, reservoir);
                    if (half.kept != kNoFrame)
                        half.levels.push_back({ level, found.header.layerIndex, found.header.samplesPerFrame });
                    return true;
                });
            }
            half.failed = source.ReadFailed();
        }
    } catch (const std::bad_alloc&) {
        half.failed = true;
    }
    if (half.kept == kNoFrame)
        half.first = kNoFrame;
    tell();
}

} // namespace

std::optional<LevelOverview> ReadLevelOverview(
    const std::string& path, double windowMs, std::string& errorText, const std::atomic<bool>* cancel)
{
    errorText.clear();
    Mp3SourceFile source;
    if (!source.Open(path)) {
        // The open fails both for a file it cannot read and for one without a frame.
        const bool readable = std::ifstream(path, std::ios::binary).good();
        errorText = readable ? "\"" + path + "\" holds no MPEG audio frames." : "Failed to read file \"" + path + "\".";
        return std::nullopt;
    }
    auto first = source.NextCompleteFrame(source.AudioStart());
    if (!first) {
        errorText = source.ReadFailed() ? "Failed to read file \"" + path + "\"."
                                        : "\"" + path + "\" holds no MPEG audio frames.";
        return std::nullopt;
    }

    LevelOverview overview;
    overview.sampleRate = first->header.sampleRate;
    overview.windowMs = windowMs;
    overview.windowSamples
        = std::max<int64_t>(1, std::llround(windowMs * static_cast<double>(overview.sampleRate) / 1000.0));

    int64_t skip = 0;
    int64_t padding = 0;
    if (source.HasInfoFrame()) {
        if (const auto layout = ParseInfoFrame(source.InfoFrame()); layout && layout->lameTag) {
            skip = layout->lameTag->encoderDelay + LameTag::kDecoderDelay;
            padding = std::max(0, layout->lameTag->encoderPadding - LameTag::kDecoderDelay);
        }
    }

    // A long Layer III stream is read in two halves at once (Layers I and II keep no reservoir
    // to start the second half's with, and are short).
    SecondHalf second;
    std::promise<void> secondStarted;
    std::future<void> secondReady = secondStarted.get_future();
    std::atomic<bool> stopSecond { false };
    std::thread secondThread;
    const size_t split = first->position + (source.End() - first->position) / 2;
    if (first->header.layerIndex == 2 && source.End() - first->position >= kSplitBytes
        && std::thread::hardware_concurrency() >= 2) {
        try {
            secondThread = std::thread(
                ReadSecondHalf, path, split, std::ref(second), std::ref(secondStarted), std::cref(stopSecond), cancel);
        } catch (const std::system_error&) {
            // No thread to be had: the first half reads on to the end.
        }
    }
    bool splitSeen = !secondThread.joinable();
    bool secondTakesOver = false;

    WindowSums sums(overview.windowSamples, skip);
    size_t frames = 0;
    bool cancelled = false;
    MainDataReservoir reservoir;
    // Takes one frame (bytes: the whole frame); false once cancelled or where the second half's
    // kept levels begin.
    auto take = [&](const FoundFrame& frame, std::span<const uint8_t> bytes) {
        if (!splitSeen && frame.position >= split) {
            // The second half counts only if this walk meets the frame it began with.
            splitSeen = true;
            secondReady.wait();
            secondTakesOver = second.first == frame.position;
            if (!secondTakesOver)
                stopSecond = true;
        }
        if (secondTakesOver && frame.position >= second.kept)
            return false;
        source.SetCursor(frame.position + static_cast<size_t>(frame.header.frameLength));
        if ((++frames & 4095) == 0 && cancel && cancel->load(std::memory_order_relaxed)) {
            cancelled = true;
            return false;
        }
        sums.Add(ReadFrameLevel(bytes, frame.header, reservoir), frame.header.layerIndex, frame.header.samplesPerFrame);
        return true;
    };
    if (take(*first, source.FrameBytes(*first)))
        WalkFramesInSync(source, take);
    if (secondThread.joinable()) {
        if (!secondTakesOver || cancelled)
            stopSecond = true;
        secondThread.join();
    }
    if (cancelled || (cancel && cancel->load(std::memory_order_relaxed)))
        return std::nullopt;
    if (source.ReadFailed() || (secondTakesOver && second.failed)) {
        errorText = "Failed to read file \"" + path + "\".";
        return std::nullopt;
    }
    if (secondTakesOver)
        for (const KeptLevel& kept : second.levels)
            sums.Add(kept.level, kept.layerIndex, kept.samplesPerFrame);

    overview.totalSamples = std::max<int64_t>(0, sums.RawSamples() - skip - padding);
    overview.levelsDb = sums.Levels(
        static_cast<size_t>((overview.totalSamples + overview.windowSamples - 1) / overview.windowSamples));
    return overview;
}
