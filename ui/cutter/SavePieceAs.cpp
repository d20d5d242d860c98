#include "ui/cutter/SavePieceAs.h"

#include "engine/cut/FrameCopyCutter.h"
#include "engine/cut/SelectionPieceRules.h"
#include "engine/cut/SplitRunSteps.h"

#include <optional>

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
