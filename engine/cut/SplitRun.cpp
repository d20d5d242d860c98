#include "engine/cut/SplitRun.h"

#include "engine/cut/FrameCopyCutter.h"
#include "engine/cut/MakePieceFileName.h"
#include "engine/cut/SplitPlan.h"
#include "engine/cut/SplitRunSteps.h"
#include "engine/stream/Mp3SourceFile.h"
#include "platform/PathHelpers.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace {

enum class SplitOutcome {
    Completed,
    CheckFailed,
    LoadFailed,
    Cancelled, // the run's pieces are deleted
    Failed, // a piece could not be written or the source read: the run's pieces are deleted, errorText says why
    PieceNotCreated, // a piece could not be created; the rest of the source went into the last piece
};

// Where piece (1-based) of a plan by duration starts, in milliseconds.
int64_t PieceStartMs(const SplitPlan& plan, uint32_t piece)
{
    const int64_t step = plan.measure == SplitPlan::Measure::Tenths ? plan.pieceAmount * 100 : plan.pieceAmount;
    return step * (int64_t { piece } - 1);
}

// Writes pieces 1 … N − 1 by the plan's budget and the rest of the source as the last piece.
// Pieces by duration copied frame for frame are cut to the sample: piece k plays the samples from
// round((k - 1) x T x rate) to round(k x T x rate) of the gapless decode, and the last the rest.
// A faded piece is encoded again and keeps whole frames of about its duration.
SplitOutcome RunPlan(const std::string& path, const ID3TagInfo& sourceTag, const SplitPlan& plan,
    const SplitSettings& settings, std::vector<std::string>& outputFiles, std::string& errorText)
{
    const CutOptions& options = settings.options;
    const auto cutter = MakePieceCutter(options);
    DeleteOutputFiles(outputFiles);
    if (PumpAndCheckCancel(settings))
        return SplitOutcome::Cancelled;
    if (!cutter->Open(path)) {
        errorText = LoadFailureText(path);
        return SplitOutcome::LoadFailed;
    }
    ConfigureCutter(*cutter, settings);
    if (PumpAndCheckCancel(settings))
        return SplitOutcome::Cancelled;

    ID3TagInfo tag = sourceTag;
    const int trackRule = options.ID3v1TagTrackNoType;
    tag.hasTrack = trackRule == TrackNoSequence || trackRule == TrackNoSource;

    auto interrupt = [&](SplitOutcome outcome) {
        DeleteOutputFiles(outputFiles);
        return outcome;
    };

    const bool byDuration = plan.measure != SplitPlan::Measure::Bytes;
    auto* const exact = byDuration ? ExactCutter(*cutter) : nullptr;
    auto startSample = [&](uint32_t piece) { return exact->MillisecondsToSample(PieceStartMs(plan, piece)); };
    auto write = [&](const std::string& name, uint32_t piece, bool& endReached) {
        if (exact)
            return exact->WriteExactPiece(name, startSample(piece), startSample(piece + 1), &tag, endReached);
        if (!byDuration)
            return cutter->WritePieceBySize(name, plan.pieceAmount, &tag, endReached);
        // The piece's share of the tenths, so that fractions of a tenth add up over the run.
        const auto tenths = [&](uint32_t p) { return (PieceStartMs(plan, p) + 50) / 100; };
        return cutter->WritePieceByDuration(name,
            static_cast<int32_t>(std::min<int64_t>(tenths(piece + 1) - tenths(piece), INT32_MAX)), &tag, endReached);
    };

    bool endReached = false;
    PieceCutter::Failure failure = PieceCutter::Failure::None;
    PieceNumbering numbering;
    uint32_t piece = 1;
    for (; piece < plan.pieceCount; ++piece) {
        std::string name;
        MakePieceFileName(name, path, options, &numbering); // a name that cannot be created fails in the writer
        if (trackRule == TrackNoSequence)
            tag.track = static_cast<int32_t>(piece);
        if (!write(name, piece, endReached)) {
            failure = cutter->LastFailure();
            break;
        }
        // An exact piece that would start after the source's last sample is not written.
        if (!exact || exact->LastPieceWritten())
            outputFiles.push_back(name);
        if (endReached)
            break;
    }

    const bool cancelled = PumpAndCheckCancel(settings);
    if (cancelled || failure == PieceCutter::Failure::Cancelled)
        return interrupt(SplitOutcome::Cancelled);
    if (failure == PieceCutter::Failure::WriteFailed || failure == PieceCutter::Failure::ReadFailed) {
        errorText = cutter->FailureText();
        return interrupt(SplitOutcome::Failed);
    }
    if (endReached)
        return SplitOutcome::Completed;

    // A piece that could not be created ends the loop; the rest of the source still goes into the
    // last piece, and the run reports the piece it could not make.
    const std::string notCreated = failure == PieceCutter::Failure::CreateFailed ? cutter->FailureText() : "";
    std::string name;
    MakePieceFileName(name, path, options, &numbering);
    if (trackRule == TrackNoSequence)
        tag.track = static_cast<int32_t>(piece);
    // The last piece runs from where the piece not created would have started.
    const bool restWritten = exact ? exact->WriteExactPiece(name, startSample(piece), std::nullopt, &tag, endReached)
                                   : cutter->WriteRest(name, &tag);
    if (!restWritten) {
        if (cutter->LastFailure() == PieceCutter::Failure::Cancelled)
            return interrupt(SplitOutcome::Cancelled);
        errorText = cutter->FailureText();
        return interrupt(SplitOutcome::Failed);
    }
    if (!exact || exact->LastPieceWritten())
        outputFiles.push_back(name);
    if (!notCreated.empty()) {
        errorText = notCreated;
        return SplitOutcome::PieceNotCreated;
    }
    return SplitOutcome::Completed;
}

bool CutterResult(SplitOutcome outcome)
{
    return outcome == SplitOutcome::Completed || outcome == SplitOutcome::Cancelled;
}

bool BatchResult(SplitOutcome outcome, std::vector<std::string>& outputFiles)
{
    if (outcome == SplitOutcome::Completed)
        return true;
    DeleteOutputFiles(outputFiles);
    return false;
}

bool RunCutter(
    CutterSource& source, bool planned, const SplitPlan& plan, const SplitSettings& settings, std::string& errorText)
{
    if (!planned)
        return false;
    return CutterResult(RunPlan(source.path, source.tag, plan, settings, source.outputFiles, errorText));
}

bool RunBatch(
    BatchFileSource& source, bool planned, const SplitPlan& plan, const SplitSettings& settings, std::string& errorText)
{
    if (!planned)
        return false;
    return BatchResult(
        RunPlan(source.path, source.tag, plan, settings, source.outputFiles, errorText), source.outputFiles);
}

// Pieces by size and by count share out the audio bytes, from the first audio frame to the end of
// the audio before the trailing tags: a large ID3v2 tag (a cover picture) or an information frame is
// no part of any piece's budget. Measured when the run starts; a file that cannot be opened as a
// source cannot be loaded either, and its previous pieces go as with any load failure.
bool MeasureAudioBytes(
    const std::string& path, std::vector<std::string>& outputFiles, uint64_t& bytes, std::string& errorText)
{
    Mp3SourceFile source;
    if (!source.Open(path)) {
        DeleteOutputFiles(outputFiles);
        errorText = LoadFailureText(path);
        return false;
    }
    bytes = source.AudioEnd() - source.AudioStart();
    return true;
}

} // namespace

bool CutBySize(CutterSource& source, int32_t cutFileSize, const SplitSettings& settings, std::string& errorText)
{
    uint64_t audioBytes = 0;
    if (!MeasureAudioBytes(source.path, source.outputFiles, audioBytes, errorText))
        return false;
    SplitPlan plan;
    const bool planned = PlanBySize(audioBytes, cutFileSize, plan, errorText);
    return RunCutter(source, planned, plan, settings, errorText);
}

bool CutByCount(CutterSource& source, int32_t cutFileAmount, const SplitSettings& settings, std::string& errorText)
{
    uint64_t audioBytes = 0;
    if (!MeasureAudioBytes(source.path, source.outputFiles, audioBytes, errorText))
        return false;
    SplitPlan plan;
    const bool planned = PlanByCount(audioBytes, cutFileAmount, plan, errorText);
    return RunCutter(source, planned, plan, settings, errorText);
}

bool CutByTime(
    CutterSource& source, int32_t cutTimeMin, int32_t cutTimeSec, const SplitSettings& settings, std::string& errorText)
{
    SplitPlan plan;
    const bool planned = PlanByTime(source.totalDuration, cutTimeMin, cutTimeSec, plan, errorText);
    return RunCutter(source, planned, plan, settings, errorText);
}

bool CutBySize(BatchFileSource& source, int32_t cutFileSize, const SplitSettings& settings, std::string& errorText)
{
    uint64_t size = 0;
    if (!MeasureAudioBytes(source.path, source.outputFiles, size, errorText))
        return false;
    SplitPlan plan;
    const bool planned = PlanBySize(size, cutFileSize, plan, errorText);
    return RunBatch(source, planned, plan, settings, errorText);
}

bool CutByCount(BatchFileSource& source, int32_t cutFileAmount, const SplitSettings& settings, std::string& errorText)
{
    uint64_t size = 0;
    if (!MeasureAudioBytes(source.path, source.outputFiles, size, errorText))
        return false;
    SplitPlan plan;
    const bool planned = PlanByCount(size, cutFileAmount, plan, errorText);
    return RunBatch(source, planned, plan, settings, errorText);
}

bool CutByTime(BatchFileSource& source, int32_t cutTimeMin, int32_t cutTimeSec, const SplitSettings& settings,
    std::string& errorText)
{
    return CutByDuration(source, (int64_t { cutTimeMin } * 60 + cutTimeSec) * 1000, settings, errorText);
}

bool CutByDuration(BatchFileSource& source, int64_t pieceMs, const SplitSettings& settings, std::string& errorText)
{
    // A probe that found no sample rate gives no duration to measure pieces against.
    if (source.sampleRate < 10) {
        errorText = LoadFailureText(source.path);
        return false;
    }
    const uint64_t tenths = source.totalSamples / static_cast<uint64_t>(source.sampleRate / 10);
    const auto totalDuration = static_cast<int32_t>(std::min<uint64_t>(tenths, INT32_MAX));
    SplitPlan plan;
    const bool planned = PlanByDuration(totalDuration, pieceMs, plan, errorText);
    return RunBatch(source, planned, plan, settings, errorText);
}
