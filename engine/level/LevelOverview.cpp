#include "engine/level/LevelOverview.h"

#include "engine/level/InSyncFrameWalk.h"
#include "engine/stream/InfoFrame.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <new>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace {

// A granule's sound reaches the decoded output about a granule later than its place in the stream:
// its transform overlaps the next granule's, and the synthesis filter delays it (measured against
// decodes, as the place that follows them best).
constexpr int64_t kGranuleLag = 576;

// Audio at least this long is read in pieces on two threads at once.
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

    // Room for about this many windows, so that the sums are seldom moved as they grow.
    void Reserve(size_t windows)
    {
        power_.reserve(windows);
        parts_.reserve(windows);
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

// One frame's level as a piece's walk keeps it, for the sums once every piece is read.
struct KeptLevel {
    FrameLevel level;
    int layerIndex = 0;
    int samplesPerFrame = 0;
};

// A long Layer III stream is read in pieces of about kPieceBytes by two walks at once, each taking
// the next piece nobody has taken, so that the faster processor reads more of them.
//
// A piece's walk begins at the first frame found from the piece's start and keeps the levels from
// the first frame whose main data its reservoir holds as a walk from the stream's start would
// (511 bytes read since it began): from there on they are the levels a walk from the start reads.
// It reads on past the next piece's start; where it lands on that piece's first frame, it goes on
// until that piece's kept levels begin (found with a reservoir of their own, as that piece's walk
// finds them) and hands over there. Where it does not land on it (the piece's search found a frame
// off the stream), or that piece keeps none before the piece after it begins, it reads that piece
// too and looks at the next. The levels are thus those one walk from the start reads.
constexpr size_t kPieceBytes = size_t { 4 } << 20;
constexpr size_t kUnknown = static_cast<size_t>(-2);

struct Piece {
    size_t start = 0; // where the search for its first frame begins
    std::atomic<size_t> first { kUnknown }; // that frame (kNoFrame: none), once a walk has looked
    // Set by the piece's own walk:
    size_t kept = kNoFrame; // its first kept frame; kNoFrame when it keeps none
    size_t next = 0; // the piece whose kept levels follow its own (the count of pieces: none)
    std::vector<KeptLevel> levels; // from kept up to the next piece's kept frame
    bool failed = false; // a read failed, or there was no memory for the levels
    std::atomic<bool> read { false }; // the fields above are set
};

class PieceWalks {
public:
    PieceWalks(std::vector<Piece>& pieces, WindowSums& sums, const std::atomic<bool>* cancel)
        : pieces_(pieces)
        , sums_(sums)
        , cancel_(cancel)
    {
    }

    // Piece 0 has been read into the sums: the pieces that follow it are added as they are read,
    // by whichever walk finds the next one ready, while the other walk reads on.
    void OpenSums()
    {
        const std::lock_guard<std::mutex> lock(sumsMutex_);
        sumsOpen_ = true;
        sumsAt_ = pieces_[0].next;
        AddReadPieces();
    }
    // Adds whatever is ready; only the walk that holds the sums adds, the other goes on reading.
    void TryAddReadPieces()
    {
        const std::unique_lock<std::mutex> lock(sumsMutex_, std::try_to_lock);
        if (lock.owns_lock() && sumsOpen_)
            AddReadPieces();
    }
    // Once every walk has ended: adds the rest; false when a piece the levels need failed.
    bool FinishSums()
    {
        const std::lock_guard<std::mutex> lock(sumsMutex_);
        AddReadPieces();
        return sumsAt_ >= pieces_.size() && !chainFailed_;
    }

    // The next piece nobody has taken (from 1: the caller reads piece 0), or none.
    std::optional<size_t> TakeNext()
    {
        const size_t k = next_.fetch_add(1, std::memory_order_relaxed);
        return k < pieces_.size() ? std::optional<size_t>(k) : std::nullopt;
    }
    bool Cancelled() const { return cancelled_.load(std::memory_order_relaxed); }

    // Reads piece k from first (a frame found in source, which the walk then uses as it goes);
    // keep(level, header) takes each kept level. False once cancelled.
    template <class Keep> bool Walk(Mp3SourceFile& source, size_t k, const FoundFrame& first, Keep&& keep)
    {
        Piece& piece = pieces_[k];
        const size_t count = pieces_.size();
        auto startOf = [&](size_t b) { return b < count ? pieces_[b].start : static_cast<size_t>(-1); };
        MainDataReservoir reservoir;
        bool keeping = k == 0; // the stream's own start keeps every level
        if (keeping)
            piece.kept = first.position;
        size_t boundary = k + 1; // the next piece whose start this walk has not reached
        bool warming = false; // at that piece's first frame, finding where its levels begin
        MainDataReservoir theirs;
        size_t frames = 0;
        bool cancelled = false;
        std::vector<uint8_t> copy;
        piece.next = count;
        auto take = [&](const FoundFrame& frame, std::span<const uint8_t> bytes) {
            source.SetCursor(frame.position + static_cast<size_t>(frame.header.frameLength));
            if ((++frames & 4095) == 0 && IsCancelled()) {
                cancelled = true;
                return false;
            }
            if (!keeping) {
                if (frame.position >= startOf(k + 1))
                    return false; // no level kept before the next piece: that walk reads on
                if (reservoir.HoldsItsReach()) {
                    keeping = true;
                    piece.kept = frame.position;
                }
            }
            if (keeping) {
                for (;;) {
                    if (warming) {
                        if (frame.position >= startOf(boundary + 1)) {
                            warming = false; // that piece keeps nothing: read on through it
                            ++boundary;
                            continue;
                        }
                        if (theirs.HoldsItsReach()) {
                            piece.next = boundary; // its levels begin here
                            return false;
                        }
                        (void)ReadFrameLevel(bytes, frame.header, theirs);
                        break;
                    }
                    if (frame.position < startOf(boundary))
                        break;
                    // The bytes may lie in the source's window, which the look for that piece's
                    // first frame reads anew.
                    if (pieces_[boundary].first.load(std::memory_order_acquire) == kUnknown
                        && bytes.data() != copy.data()) {
                        copy.assign(bytes.begin(), bytes.end());
                        bytes = copy;
                    }
                    if (frame.position == FirstOf(source, boundary)) {
                        warming = true;
                        theirs = MainDataReservoir();
                        continue;
                    }
                    ++boundary; // landed off that piece's first frame: read on through it
                }
            }
            const FrameLevel level = ReadFrameLevel(bytes, frame.header, reservoir);
            if (keeping)
                keep(level, frame.header);
            return true;
        };
        if (take(first, source.FrameBytes(first)))
            WalkFramesInSync(source, take);
        if (cancelled)
            cancelled_.store(true, std::memory_order_relaxed);
        if (!keeping)
            piece.kept = kNoFrame;
        return !cancelled;
    }

    // The first frame found from piece b's start, as every walk finds it.
    size_t FirstOf(const Mp3SourceFile& source, size_t b)
    {
        size_t found = pieces_[b].first.load(std::memory_order_acquire);
        if (found == kUnknown) {
            const auto frame = source.SyncedFrame(pieces_[b].start);
            found = frame ? frame->position : kNoFrame;
            pieces_[b].first.store(found, std::memory_order_release);
        }
        return found;
    }

    // Reads piece k (k >= 1) with its levels kept in the piece.
    void WalkKept(Mp3SourceFile& source, size_t k)
    {
        Piece& piece = pieces_[k];
        try {
            const auto frame = source.NextCompleteFrame(piece.start);
            pieces_[k].first.store(frame ? frame->position : kNoFrame, std::memory_order_release);
            if (frame) {
                // Room for the levels of frames as long as the first one, so that they are rarely moved.
                const size_t frameBytes = static_cast<size_t>(std::max(1, frame->header.frameLength));
                piece.levels.reserve(std::min<size_t>(kPieceBytes / frameBytes + 64, size_t { 1 } << 20));
                if (k + 1 < pieces_.size())
                    (void)FirstOf(source, k + 1); // before the walk's bytes are in use
                Walk(source, k, *frame, [&](const FrameLevel& level, const MpegFrameHeader& header) {
                    piece.levels.push_back({ level, header.layerIndex, header.samplesPerFrame });
                });
            }
        } catch (const std::bad_alloc&) {
            piece.failed = true;
        }
        piece.failed = piece.failed || source.ReadFailed();
        piece.read.store(true, std::memory_order_release);
        TryAddReadPieces();
    }

private:
    bool IsCancelled() const
    {
        return Cancelled() || (cancel_ && cancel_->load(std::memory_order_relaxed));
    }

    // With sumsMutex_ held.
    void AddReadPieces()
    {
        while (sumsAt_ < pieces_.size() && pieces_[sumsAt_].read.load(std::memory_order_acquire)) {
            Piece& piece = pieces_[sumsAt_];
            if (piece.failed || piece.kept == kNoFrame) {
                chainFailed_ = true;
                sumsAt_ = pieces_.size();
                return;
            }
            try {
                for (const KeptLevel& kept : piece.levels)
                    sums_.Add(kept.level, kept.layerIndex, kept.samplesPerFrame);
            } catch (const std::bad_alloc&) {
                chainFailed_ = true; // no memory for the sums: fails as a read would
                sumsAt_ = pieces_.size();
                return;
            }
            piece.levels = {};
            sumsAt_ = piece.next;
        }
    }

    std::vector<Piece>& pieces_;
    WindowSums& sums_;
    std::mutex sumsMutex_;
    bool sumsOpen_ = false;
    size_t sumsAt_ = 0; // the next piece whose levels the sums take
    bool chainFailed_ = false;
    const std::atomic<bool>* cancel_;
    std::atomic<size_t> next_ { 1 };
    std::atomic<bool> cancelled_ { false };
};

// The helper's share: pieces taken in turn, with a source of its own.
void ReadPieces(const std::string& path, PieceWalks& walks, std::vector<Piece>& pieces)
{
    Mp3SourceFile source;
    bool opened = false;
    try {
        opened = source.Open(path);
    } catch (const std::bad_alloc&) {
    }
    while (const auto k = walks.TakeNext()) {
        if (!opened) {
            pieces[*k].failed = true;
            pieces[*k].read.store(true, std::memory_order_release);
            continue;
        }
        if (!walks.Cancelled())
            walks.WalkKept(source, *k);
    }
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

    // A long Layer III stream is read in pieces by this thread and a helper (Layers I and II keep
    // no reservoir to start a piece's walk with, and are short).
    const size_t audio = source.End() - first->position;
    size_t count = 1;
    if (first->header.layerIndex == 2 && audio >= kSplitBytes && std::thread::hardware_concurrency() >= 2)
        count = std::min<size_t>(audio / kPieceBytes, 256);
    std::vector<Piece> pieces(count);
    for (size_t k = 0; k < count; ++k)
        pieces[k].start = first->position + audio / count * k;
    pieces[0].first = first->position;
    WindowSums sums(overview.windowSamples, skip);
    // The windows of frames as long as the first, with a margin for a stream of varying bitrate.
    const double frames = static_cast<double>(audio) / std::max(1, first->header.frameLength);
    sums.Reserve(static_cast<size_t>(std::min(1.25 * frames * first->header.samplesPerFrame
            / static_cast<double>(overview.windowSamples) + 16.0, 1e7)));
    PieceWalks walks(pieces, sums, cancel);
    std::thread helper;
    if (count > 1) {
        try {
            helper = std::thread(ReadPieces, path, std::ref(walks), std::ref(pieces));
        } catch (const std::system_error&) {
            // No thread to be had: this one reads every piece.
        }
    }

    if (count > 1)
        (void)walks.FirstOf(source, 1); // before the walk's bytes are in use
    bool done = walks.Walk(source, 0, *first, [&](const FrameLevel& level, const MpegFrameHeader& header) {
        sums.Add(level, header.layerIndex, header.samplesPerFrame);
    });
    bool failed = source.ReadFailed();
    if (done)
        walks.OpenSums();
    while (done) {
        const auto k = walks.TakeNext();
        if (!k)
            break;
        walks.WalkKept(source, *k);
        done = !walks.Cancelled();
    }
    if (helper.joinable())
        helper.join();
    if (!done || walks.Cancelled() || (cancel && cancel->load(std::memory_order_relaxed)))
        return std::nullopt;
    // The pieces whose levels follow one another from the start, each from where the one before
    // handed over.
    if (failed || !walks.FinishSums()) {
        errorText = "Failed to read file \"" + path + "\".";
        return std::nullopt;
    }

    overview.totalSamples = std::max<int64_t>(0, sums.RawSamples() - skip - padding);
    overview.levelsDb = sums.Levels(
        static_cast<size_t>((overview.totalSamples + overview.windowSamples - 1) / overview.windowSamples));
    return overview;
}
