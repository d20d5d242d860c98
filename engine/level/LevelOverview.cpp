#include "engine/level/LevelOverview.h"

#include "engine/stream/InfoFrame.h"
#include "engine/stream/Mp3SourceFile.h"
#include "engine/stream/MpegFrameHeader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

namespace {

// A granule's sound reaches the decoded output about a granule later than its place in the stream:
// its transform overlaps the next granule's, and the synthesis filter delays it (measured against
// decodes, as the place that follows them best).
constexpr int64_t kGranuleLag = 576;

// The bytes walked at once: large enough that the file's window maps them instead of copying.
constexpr size_t kRunBytes = size_t { 1 } << 20;

// The header of a frame in sync: the last one decoded is kept, and one whose bytes differ from it
// only in the padding, private, mode extension, copyright and original bits is not decoded again.
class InSyncHeaders {
public:
    std::optional<MpegFrameHeader> Decode(const uint8_t* bytes)
    {
        uint8_t b[4];
        std::memcpy(b, bytes, sizeof b);
        const uint32_t key = (uint32_t { b[0] } << 24) | (uint32_t { b[1] } << 16) | (uint32_t { b[2] & 0xFCu } << 8)
            | uint32_t { b[3] & 0xC3u };
        if (!known_ || key != key_) {
            const auto header = DecodeFrameHeader(b);
            if (!header)
                return std::nullopt;
            known_ = true;
            key_ = key;
            header_ = *header;
        }
        const int padding = (b[2] >> 1) & 0x01;
        if (padding != header_.padding) {
            // A padded frame is one slot longer: 4 bytes in Layer I, 1 byte otherwise.
            header_.frameLength += (padding - header_.padding) * (header_.layerIndex == 0 ? 4 : 1);
            header_.padding = padding;
        }
        return header_;
    }

private:
    bool known_ = false; // before the first header, key_ and header_ mean nothing
    uint32_t key_ = 0;
    MpegFrameHeader header_ {};
};

struct Accumulator {
    std::vector<double> power;
    std::vector<int32_t> parts;
};

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

    Accumulator sums;
    int64_t rawSample = 0; // where the next frame's output starts in the decoder's raw output
    size_t frames = 0;
    bool cancelled = false;
    MainDataReservoir reservoir;
    // Takes one frame (bytes: the whole frame); false once cancelled.
    auto take = [&](const FoundFrame& frame, std::span<const uint8_t> bytes) {
        source.SetCursor(frame.position + static_cast<size_t>(frame.header.frameLength));
        if ((++frames & 4095) == 0 && cancel && cancel->load(std::memory_order_relaxed)) {
            cancelled = true;
            return false;
        }
        const FrameLevel level = ReadFrameLevel(bytes, frame.header, reservoir);
        for (int part = 0; part < level.parts; ++part) {
            // The granule's output span, on the gapless timeline; every window it reaches takes
            // its power, so windows shorter than a granule are never left empty.
            const int64_t centre = rawSample + int64_t { part } * level.samplesPerPart + level.samplesPerPart / 2
                + (frame.header.layerIndex == 2 ? kGranuleLag : 0) - skip;
            const int64_t from = std::max<int64_t>(0, centre - level.samplesPerPart / 2);
            const int64_t to = centre + level.samplesPerPart / 2;
            if (to <= 0)
                continue;
            const auto firstWindow = static_cast<size_t>(from / overview.windowSamples);
            // A window long enough to hold the granule's centre takes it there alone.
            const auto last = overview.windowSamples >= level.samplesPerPart
                ? static_cast<size_t>(std::max<int64_t>(0, centre) / overview.windowSamples)
                : static_cast<size_t>((to - 1) / overview.windowSamples);
            const size_t begin = overview.windowSamples >= level.samplesPerPart ? last : firstWindow;
            if (last >= sums.power.size()) {
                sums.power.resize(last + 1, 0.0);
                sums.parts.resize(last + 1, 0);
            }
            for (size_t window = begin; window <= last; ++window) {
                sums.power[window] += level.power[static_cast<size_t>(part)];
                sums.parts[window] += 1;
            }
        }
        rawSample += frame.header.samplesPerFrame;
        return true;
    };
    if (!take(*first, source.FrameBytes(*first)))
        return std::nullopt;
    // Frames in sync are walked straight in the file's window, a run of bytes at a time: each
    // frame's header right at the end of the one before, the frame inside the audio. A frame
    // anywhere else (past junk, a damaged frame or a tag) is left to the frame-by-frame step,
    // which confirms where the stream resumes.
    InSyncHeaders headers;
    while (!cancelled) {
        const size_t position = source.Cursor();
        const auto bytes = source.Read(position, kRunBytes);
        size_t p = 0;
        while (p + 4 <= bytes.size()) {
            const auto header = headers.Decode(&bytes[p]);
            if (!header)
                break;
            const auto length = static_cast<size_t>(header->frameLength);
            if (p + length > bytes.size() || position + p + length > source.End()
                || !take(FoundFrame { position + p, *header }, bytes.subspan(p, length)))
                break;
            p += length;
        }
        if (p > 0)
            continue;
        if (cancelled || source.ReadFailed())
            break;
        const auto frame = source.NextCompleteFrame(source.Cursor());
        if (!frame || !take(*frame, source.FrameBytes(*frame)))
            break;
    }
    if (cancelled)
        return std::nullopt;
    if (source.ReadFailed()) {
        errorText = "Failed to read file \"" + path + "\".";
        return std::nullopt;
    }

    overview.totalSamples = std::max<int64_t>(0, rawSample - skip - padding);
    const auto windows = static_cast<size_t>((overview.totalSamples + overview.windowSamples - 1) / overview.windowSamples);
    sums.power.resize(windows, 0.0);
    sums.parts.resize(windows, 0);
    overview.levelsDb.resize(windows);
    for (size_t k = 0; k < windows; ++k) {
        const double power = sums.parts[k] > 0 ? sums.power[k] / sums.parts[k] : 0.0;
        overview.levelsDb[k] = static_cast<float>(PowerToDb(power));
    }
    return overview;
}
