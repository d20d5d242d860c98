#include "engine/cut/FrameCopyCutter.h"
#include "engine/cut/MakePieceFileName.h"
#include "engine/cut/SplitRun.h"
#include "engine/cut/SelectionPieceRules.h"
#include "engine/cut/SplitRunSteps.h"

#include <algorithm>
#include <optional>

namespace {

int64_t StartMs(const PieceEntry& entry) { return entry.startMs >= 0 ? entry.startMs : int64_t { entry.start } * 100; }
int64_t EndMs(const PieceEntry& entry) { return entry.endMs >= 0 ? entry.endMs : int64_t { entry.end } * 100; }

// How a run that stopped with the failure ends: cancelled runs and failed reads or writes take
// their pieces back (a piece cut short would be lost silently); the result when the run is over,
// nothing when it goes on.
std::optional<bool> EndOfRun(PieceCutter& cutter, PieceCutter::Failure failure, const SplitSettings& settings,
    std::vector<std::string>& outputFiles, std::string& errorText)
{
    if (PumpAndCheckCancel(settings) || failure == PieceCutter::Failure::Cancelled) {
        DeleteOutputFiles(outputFiles);
        return true;
    }
    if (failure == PieceCutter::Failure::WriteFailed || failure == PieceCutter::Failure::ReadFailed) {
        errorText = cutter.FailureText();
        DeleteOutputFiles(outputFiles);
        return false;
    }
    if (failure == PieceCutter::Failure::CreateFailed) {
        errorText = cutter.FailureText();
        return false;
    }
    return std::nullopt;
}

} // namespace

bool CutBySelection(
    CutterSource& source, std::vector<PieceEntry>& entries, const SplitSettings& settings, std::string& errorText)
{
    const CutOptions& options = settings.options;
    const auto cutter = MakePieceCutter(options);
    const auto checked = std::count_if(entries.begin(), entries.end(), [](const PieceEntry& e) { return e.checked; });
    if (checked < 2) {
        errorText = "Please add a piece and check it first.";
        return false;
    }
    DeleteOutputFiles(source.outputFiles);
    if (PumpAndCheckCancel(settings))
        return true;
    if (!cutter->Open(source.path)) {
        errorText = LoadFailureText(source.path);
        return false;
    }
    ConfigureCutter(*cutter, settings);
    if (PumpAndCheckCancel(settings))
        return true;

    bool endReached = false;
    bool leftEarly = false;
    PieceCutter::Failure failure = PieceCutter::Failure::None;
    PieceNumbering numbering;
    // Copied frames are cut to the sample: each piece plays exactly the source's samples between
    // its bounds (a faded piece is encoded again and keeps whole frames).
    auto* exact = ExactCutter(*cutter);
    for (size_t i = 0; exact && i < entries.size(); ++i) {
        PieceEntry& entry = entries[i];
        if (!entry.checked)
            continue;
        const bool last = i + 1 == entries.size();
        MakePieceFileName(entry.outputPath, source.path, options, &numbering);
        ApplyTrackRule(entry, i, source.tag);
        const int64_t startSample = BoundSample(entry.startSample, entry.start, StartMs(entry), *exact);
        const int64_t endSample = BoundSample(entry.endSample, entry.end, EndMs(entry), *exact);
        const auto end = last ? std::nullopt : std::optional<int64_t>(endSample);
        if (!exact->WriteExactPiece(entry.outputPath, startSample, end, &entry.tag, endReached)) {
            failure = cutter->LastFailure();
            break;
        }
        if (exact->LastPieceWritten())
            source.outputFiles.push_back(entry.outputPath);
        if (endReached)
            break;
    }
    if (exact)
        return EndOfRun(*cutter, failure, settings, source.outputFiles, errorText).value_or(true);
    for (size_t i = 0; i + 1 < entries.size(); ++i) {
        PieceEntry& entry = entries[i];
        const int32_t duration = entry.end - entry.start;
        if (!entry.checked) {
            if (!cutter->SkipDuration(duration, endReached) || endReached) {
                failure = cutter->LastFailure();
                leftEarly = true;
                break;
            }
            continue;
        }
        MakePieceFileName(entry.outputPath, source.path, options, &numbering);
        ApplyTrackRule(entry, i, source.tag);
        if (!cutter->WritePieceByDuration(entry.outputPath, duration, &entry.tag, endReached)) {
            failure = cutter->LastFailure();
            leftEarly = true;
            break;
        }
        source.outputFiles.push_back(entry.outputPath);
        if (endReached) {
            leftEarly = true;
            break;
        }
    }

    if (const auto result = EndOfRun(*cutter, failure, settings, source.outputFiles, errorText))
        return *result;
    PieceEntry& last = entries.back();
    if (endReached || leftEarly || !last.checked)
        return true;

    // The last piece runs to the end of the source, whatever its entry's end says.
    MakePieceFileName(last.outputPath, source.path, options, &numbering);
    ApplyTrackRule(last, entries.size() - 1, source.tag);
    if (cutter->WriteRest(last.outputPath, &last.tag)) {
        source.outputFiles.push_back(last.outputPath);
        return true;
    }
    const bool cancelled = cutter->LastFailure() == PieceCutter::Failure::Cancelled;
    if (!cancelled)
        errorText = cutter->FailureText();
    DeleteOutputFiles(source.outputFiles);
    return cancelled;
}
