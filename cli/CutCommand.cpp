#include "cli/Commands.h"
#include "cli/CutArguments.h"
#include "cli/ProbeStream.h"
#include "cli/TerminalProgress.h"
#include "engine/cue/CuePieceEntries.h"
#include "engine/cue/LoadCueSheet.h"
#include "engine/cut/CutBySilence.h"
#include "engine/cut/SplitRun.h"
#include "engine/stream/ID3TagText.h"
#include "engine/stream/Mp3SourceFile.h"
#include "engine/stream/OpenFailureReason.h"
#include "engine/stream/ReadSourceTag.h"
#include "platform/PathHelpers.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace {

const char* const kCutUsage
    = "Usage: sonicrop-cli cut (--size KB | --count N | --time MIN:SEC | --points T1,T2,...) [OPTIONS] FILE...\n"
      "       sonicrop-cli cut --cue SHEET.cue [OPTIONS]\n"
      "       sonicrop-cli cut --silence [--silence-threshold DB] [--silence-min S] [OPTIONS] FILE...\n"
      "\n"
      "Splits each FILE into pieces named FILE_01.mp3, FILE_02.mp3, ... by copying whole frames\n"
      "(re-encoding only when a fade is asked for). Prints the path of every piece written.\n"
      "\n"
      "  --size KB                 pieces of KB kilobytes\n"
      "  --count N                 N pieces of equal size\n"
      "  --time MIN:SEC            pieces of that duration\n"
      "  --points T1,T2,...        cut at these times; pieces run 0-T1, T1-T2, ..., Tn-end\n"
      "  --skip K,...              with --points: leave out pieces K,... (1-based)\n"
      "  --cue SHEET.cue           one piece per track of the sheet, tagged from it, cut from the\n"
      "                            MP3 file the sheet names\n"
      "  --silence                 cut in the middle of every silence between passages\n"
      "  --silence-threshold DB    silence is below DB dBFS (default -48)\n"
      "  --silence-min S           and lasts at least S seconds (default 1.0)\n"
      "  --fade-in S, --fade-out S fade each piece in / out over S seconds\n"
      "  --forward-overlap S       start each piece S seconds before its cut point\n"
      "  --backward-overlap S      end each piece S seconds after its cut point\n"
      "  --track-rule RULE         ID3v1 track of the pieces: sequence (default), source, custom, null\n"
      "  --title, --artist, --album, --year, --comment TEXT\n"
      "                            tag values of every piece (ID3v2 and ID3v1), instead of the source's\n"
      "                            or the sheet's\n"
      "  --genre G                 genre of every piece: a number 0-255 or a genre name\n"
      "  --output-folder DIR       write the pieces into DIR instead of next to the source\n"
      "  --folder-per-file         put each file's pieces into a folder named after it\n"
      "\n"
      "Times S and T: seconds with at most one decimal (75.5) or [H:]M:SS[.t] (1:15.5); cut points and\n"
      "--time take up to three decimals (10.345, 1:02.5). Pieces are cut to the sample.\n";

enum class FileResult { Done, Failed, Cancelled };

// The values given on the command line replace the source's.
void ApplyTagArguments(const CutArguments& arguments, ID3TagInfo& tag)
{
    const std::pair<TagField, const std::optional<std::string>*> texts[] = { { TagField::Title, &arguments.title },
        { TagField::Artist, &arguments.artist }, { TagField::Album, &arguments.album },
        { TagField::Year, &arguments.year }, { TagField::Comment, &arguments.comment } };
    for (const auto& [field, value] : texts)
        if (*value)
            SetTagText(tag, field, **value);
    if (arguments.genre) {
        tag.genre = *arguments.genre;
        tag.text.genre.clear();
    }
}

// The pieces list of a cut at points (milliseconds): boundaries 0, T1, ..., end; every piece
// checked but the skipped.
bool BuildEntries(const std::vector<int64_t>& points, const CutArguments& arguments, int64_t totalMs,
    const ID3TagInfo& tag, std::vector<PieceEntry>& entries, std::string& errorText)
{
    if (points.back() >= totalMs) {
        errorText = "The cut points must lie inside the file.";
        return false;
    }
    std::vector<int64_t> bounds = { 0 };
    bounds.insert(bounds.end(), points.begin(), points.end());
    bounds.push_back(totalMs);
    for (size_t i = 0; i + 1 < bounds.size(); ++i) {
        PieceEntry entry;
        entry.startMs = bounds[i];
        entry.endMs = bounds[i + 1];
        entry.start = static_cast<int32_t>(std::min<int64_t>(bounds[i] / 100, INT32_MAX));
        entry.end = static_cast<int32_t>(std::min<int64_t>(bounds[i + 1] / 100, INT32_MAX));
        const int number = static_cast<int>(i + 1);
        entry.checked = std::find(arguments.skip.begin(), arguments.skip.end(), number) == arguments.skip.end();
        entry.trackNoType = arguments.options.ID3v1TagTrackNoType;
        entry.tag = tag;
        entries.push_back(entry);
    }
    return true;
}

// The duration as the batch page measures it: total samples / (sample rate / 10), truncating.
int32_t DurationInTenths(const StreamProbe& probe)
{
    if (probe.sampleRate < 10)
        return 0;
    const uint64_t tenths = probe.totalSamples / static_cast<uint64_t>(probe.sampleRate / 10);
    return static_cast<int32_t>(std::min<uint64_t>(tenths, INT32_MAX));
}

FileResult CutOneFile(const CutArguments& arguments, const std::string& path, TerminalProgress& progress,
    std::vector<std::string>& written, std::string& errorText)
{
    SplitSettings settings;
    settings.options = arguments.options;
    settings.job = &progress;
    settings.barSlot = JobProgress::Upper;

    ID3TagInfo tag {};
    ReadSourceTag(path, tag);
    ApplyTagArguments(arguments, tag);
    // Only cuts by time need the exact length, which takes a walk over every frame; pieces by size
    // or count are planned from the file size, once the file's start shows a stream.
    const bool byTime = arguments.mode == CutArguments::Mode::Time || arguments.mode == CutArguments::Mode::Points;
    StreamProbe probe;
    if (byTime ? !ProbeStream(path, probe) : !Mp3SourceFile().Open(path)) {
        errorText = WithOpenFailureReason("Failed to load file \"" + path + "\".", path);
        return FileResult::Failed;
    }

    bool ok = false;
    if (arguments.mode == CutArguments::Mode::Points) {
        CutterSource source;
        source.path = path;
        source.tag = tag;
        GetFileSize64(path, source.totalSize);
        source.totalDuration = DurationInTenths(probe);
        const int64_t totalMs = probe.sampleRate > 0
            ? static_cast<int64_t>(probe.totalSamples * 1000 / static_cast<uint64_t>(probe.sampleRate))
            : 0;
        std::vector<PieceEntry> entries;
        if (!BuildEntries(arguments.points, arguments, totalMs, tag, entries, errorText))
            return FileResult::Failed;
        ok = CutBySelection(source, entries, settings, errorText);
        if (progress.IsCancelled())
            return FileResult::Cancelled;
        written = source.outputFiles;
    } else {
        BatchFileSource source;
        source.path = path;
        source.tag = tag;
        source.totalSamples = probe.totalSamples;
        source.sampleRate = probe.sampleRate;
        switch (arguments.mode) {
        case CutArguments::Mode::Size:
            ok = CutBySize(source, arguments.cutFileSize, settings, errorText);
            break;
        case CutArguments::Mode::Count:
            ok = CutByCount(source, arguments.cutFileAmount, settings, errorText);
            break;
        case CutArguments::Mode::Silence:
            ok = CutBySilence(source, arguments.silence, settings, errorText);
            break;
        default:
            ok = CutByDuration(source, arguments.timeMs, settings, errorText);
            break;
        }
        if (!ok && progress.IsCancelled())
            return FileResult::Cancelled;
        written = source.outputFiles;
    }
    return ok ? FileResult::Done : FileResult::Failed;
}

// A cut by CUE sheet: every check (the sheet, its audio file, its times against the file's length)
// passes before the first piece is written.
FileResult CutByCueSheet(const CutArguments& arguments, TerminalProgress& progress, std::vector<std::string>& written,
    std::string& errorText)
{
    LoadedCueSheet loaded;
    if (!LoadCueSheet(arguments.cueSheet, loaded, errorText))
        return FileResult::Failed;
    const std::string& audioPath = loaded.audioPath;
    StreamProbe probe;
    if (!ProbeStream(audioPath, probe)) {
        errorText = WithOpenFailureReason("Failed to load file \"" + audioPath + "\".", audioPath);
        return FileResult::Failed;
    }
    std::vector<CuePiece> pieces;
    if (!PlanCuePieces(loaded.sheet, static_cast<int64_t>(probe.totalSamples), probe.sampleRate, pieces, errorText))
        return FileResult::Failed;
    std::vector<PieceEntry> entries = CuePieceEntries(pieces, probe.sampleRate);
    // Values given on the command line replace the sheet's.
    for (PieceEntry& entry : entries) {
        ApplyTagArguments(arguments, entry.tag);
        if (arguments.trackRuleGiven)
            entry.trackNoType = arguments.options.ID3v1TagTrackNoType;
    }
    if (loaded.sheet.tracks.size() < 2 && entries.size() < 2) {
        errorText = "The sheet has one track that starts at the file's start: there is nothing to cut.";
        return FileResult::Failed;
    }

    SplitSettings settings;
    settings.options = arguments.options;
    settings.job = &progress;
    settings.barSlot = JobProgress::Upper;
    CutterSource source;
    source.path = audioPath;
    ReadID3v1Tag(audioPath, source.tag);
    GetFileSize64(audioPath, source.totalSize);
    source.totalDuration = DurationInTenths(probe);
    progress.SetLabel(JobProgress::Upper, "Cutting " + GetFileNamePart(audioPath) + "...");
    const bool ok = CutBySelection(source, entries, settings, errorText);
    if (progress.IsCancelled())
        return FileResult::Cancelled;
    written = source.outputFiles;
    return ok ? FileResult::Done : FileResult::Failed;
}

int ReportCueCut(const CutArguments& arguments, TerminalProgress& progress)
{
    std::vector<std::string> written;
    std::string errorText;
    const FileResult result = CutByCueSheet(arguments, progress, written, errorText);
    progress.Finish();
    for (const auto& piece : written)
        std::printf("%s\n", piece.c_str());
    std::fflush(stdout);
    if (result == FileResult::Done)
        return kExitOk;
    std::fprintf(stderr, "sonicrop-cli cut: %s: %s\n", arguments.cueSheet.c_str(),
        result == FileResult::Cancelled ? "Cancelled" : errorText.c_str());
    return kExitFailure;
}

} // namespace

int RunCut(const std::vector<std::string>& args)
{
    if (std::find(args.begin(), args.end(), "--help") != args.end()
        || std::find(args.begin(), args.end(), "-h") != args.end()) {
        std::fputs(kCutUsage, stdout);
        return kExitOk;
    }
    CutArguments arguments;
    std::string usageError;
    if (!ParseCutArguments(args, arguments, usageError)) {
        std::fprintf(stderr, "sonicrop-cli cut: %s\n\n%s", usageError.c_str(), kCutUsage);
        return kExitUsage;
    }

    TerminalProgress progress;
    if (arguments.mode == CutArguments::Mode::Cue)
        return ReportCueCut(arguments, progress);
    bool anyFailed = false;
    const size_t fileCount = arguments.files.size();
    for (size_t i = 0; i < fileCount; ++i) {
        const std::string& path = arguments.files[i];
        if (fileCount > 1) {
            progress.SetLabel(JobProgress::Lower,
                "Cutting " + std::to_string(i + 1) + " of " + std::to_string(fileCount) + " file(s)...");
        }
        progress.SetLabel(JobProgress::Upper, "Cutting " + GetFileNamePart(path) + "...");
        std::vector<std::string> written;
        std::string errorText;
        const FileResult result = CutOneFile(arguments, path, progress, written, errorText);
        progress.Finish();
        for (const auto& piece : written)
            std::printf("%s\n", piece.c_str());
        std::fflush(stdout);
        if (result == FileResult::Cancelled) {
            std::fprintf(stderr, "sonicrop-cli cut: %s: Cancelled\n", path.c_str());
            return kExitFailure; // Ctrl+C stops the whole job, as the Cancel button does
        }
        if (result == FileResult::Failed) {
            std::fprintf(stderr, "sonicrop-cli cut: %s: %s\n", path.c_str(), errorText.c_str());
            anyFailed = true;
        }
    }
    return anyFailed ? kExitFailure : kExitOk;
}
