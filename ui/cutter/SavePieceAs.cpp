#include "ui/cutter/SavePieceAs.h"

#include "engine/cut/FrameCopyCutter.h"
#include "engine/cut/SplitRunSteps.h"

#include <optional>

namespace {

// The track number a cut gives the piece at row (0-based), by the piece's rule.
void ApplyTrackRule(PieceEntry& entry, size_t row, const ID3TagInfo& sourceTag)
{
    switch (entry.trackNoType) {
    case TrackNoSequence:
        entry.tag.hasTrack = 1;
        entry.tag.track = static_cast<int32_t>(row + 1);
        break;
    case TrackNoSource:
        entry.tag.hasTrack = 1;
        entry.tag.track = sourceTag.track;
        break;
    case TrackNoCustom:
        entry.tag.hasTrack = 1;
        break;
    default:
        entry.tag.hasTrack = 0;
        break;
    }
}

// A bound as a sample: the row's own sample (a CUE time, a silence) while it still lies within half
// a tenth of the row's time, else the time (milliseconds where known, else tenths).
int64_t BoundSample(int64_t sample, int32_t tenths, int64_t ms, const FrameCopyCutter& exact)
{
    const int64_t fromTenths = exact.MillisecondsToSample(int64_t { tenths } * 100);
    const int64_t halfTenth = exact.MillisecondsToSample(50);
    if (sample >= 0 && sample >= fromTenths - halfTenth && sample <= fromTenths + halfTenth)
        return sample;
    return exact.MillisecondsToSample(ms >= 0 ? ms : int64_t { tenths } * 100);
}

} // namespace

SavePieceResult SavePieceAs(const CutterSource& source, const std::vector<PieceEntry>& entries, size_t row,
    const std::string& path, const SplitSettings& settings, std::string& errorText)
{
    if (row >= entries.size())
        return SavePieceResult::Failed;
    PieceEntry entry = entries[row];
    const bool last = row + 1 == entries.size();
    ApplyTrackRule(entry, row, source.tag);

    const auto cutter = MakePieceCutter(settings.options);
    if (!cutter->Open(source.path)) {
        errorText = LoadFailureText(source.path);
        return SavePieceResult::Failed;
    }
    ConfigureCutter(*cutter, settings);
    bool endReached = false;
    bool written = false;
    bool sourceEndedFirst = false;
    if (auto* exact = dynamic_cast<FrameCopyCutter*>(cutter.get())) {
        const int64_t startSample = BoundSample(entry.startSample, entry.start, entry.startMs, *exact);
        const int64_t endSample = BoundSample(entry.endSample, entry.end, entry.endMs, *exact);
        written = exact->WriteExactPiece(
            path, startSample, last ? std::nullopt : std::optional<int64_t>(endSample), &entry.tag, endReached);
        sourceEndedFirst = written && !exact->LastPieceWritten();
    } else {
        // Encoded again with fades: the time before the piece is passed over as a cut would.
        const bool skipped = entry.start == 0 || cutter->SkipDuration(entry.start, endReached);
        sourceEndedFirst = skipped && endReached;
        if (skipped && !endReached) {
            written = last ? cutter->WriteRest(path, &entry.tag)
                           : cutter->WritePieceByDuration(path, entry.end - entry.start, &entry.tag, endReached);
        }
    }
    if (sourceEndedFirst) {
        errorText = "Failed to read file \"" + source.path + "\": it ends before the piece.";
        return SavePieceResult::Failed;
    }
    if (written)
        return SavePieceResult::Saved;
    if (cutter->LastFailure() == PieceCutter::Failure::Cancelled)
        return SavePieceResult::Cancelled;
    errorText = cutter->FailureText();
    if (errorText.empty())
        errorText = "Failed to create file \"" + path + "\".";
    return SavePieceResult::Failed;
}
