#include "engine/cut/CutBySilence.h"

#include "engine/cut/SplitRunSteps.h"
#include "engine/level/LevelOverview.h"
#include "engine/stream/Mp3SourceFile.h"
#include "platform/PathHelpers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

int32_t SamplesToTenths(int64_t samples, int sampleRate)
{
    return static_cast<int32_t>(std::min<int64_t>((samples * 10 + sampleRate / 2) / sampleRate, INT32_MAX));
}

// "1.0", "2.25", "-48", "-35.5": at most three decimals, one at least where asked for.
std::string Number(double value, bool oneDecimal)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", value);
    std::string number = text;
    while (number.back() == '0')
        number.pop_back();
    if (number.back() == '.') {
        if (oneDecimal)
            number += '0';
        else
            number.pop_back();
    }
    return number;
}

std::string NoSilenceText(const SilenceSettings& silence)
{
    return "No silence of at least " + Number(silence.minSeconds, true) + " s below "
        + Number(silence.thresholdDb, false) + " dBFS was found; the file stays one piece.";
}

} // namespace

bool PlanSilencePieces(const std::string& path, const ID3TagInfo& tag, int trackNoType,
    const SilenceSettings& silence, std::vector<PieceEntry>& entries, std::string& errorText)
{
    entries.clear();
    Mp3SourceFile source;
    const auto first = source.Open(path) ? source.NextCompleteFrame(source.AudioStart()) : std::nullopt;
    if (!first) {
        errorText = LoadFailureText(path);
        return false;
    }
    const MpegFrameHeader& header = first->header;
    const int partSamples = header.layerIndex == 2 ? 576 : header.samplesPerFrame;
    const double windowMs = 1000.0 * partSamples / header.sampleRate;
    source.Close();
    const auto overview = ReadLevelOverview(path, windowMs, errorText);
    if (!overview)
        return false;
    // Found in 50 ms groups of the windows, their edges then placed to a window.
    const int grouping = std::max(1, static_cast<int>(std::lround(50.0 / windowMs)));
    const SilenceCuts cuts = FindSilenceCuts(
        overview->levelsDb, overview->windowSamples, overview->totalSamples, overview->sampleRate, silence, grouping);
    if (cuts.cutSamples.empty()) {
        errorText = NoSilenceText(silence);
        return false;
    }
    std::vector<int64_t> bounds = { 0 };
    bounds.insert(bounds.end(), cuts.cutSamples.begin(), cuts.cutSamples.end());
    bounds.push_back(overview->totalSamples);
    for (size_t i = 0; i + 1 < bounds.size(); ++i) {
        PieceEntry entry;
        entry.startSample = bounds[i];
        entry.endSample = bounds[i + 1];
        entry.start = SamplesToTenths(bounds[i], overview->sampleRate);
        entry.end = SamplesToTenths(bounds[i + 1], overview->sampleRate);
        entry.checked = true;
        entry.trackNoType = trackNoType;
        entry.tag = tag;
        entries.push_back(entry);
    }
    return true;
}

bool CutBySilence(BatchFileSource& source, const SilenceSettings& silence, const SplitSettings& settings,
    std::string& errorText)
{
    std::vector<PieceEntry> entries;
    if (!PlanSilencePieces(source.path, source.tag, settings.options.ID3v1TagTrackNoType, silence, entries, errorText))
        return false;
    CutterSource cutter;
    cutter.path = source.path;
    cutter.tag = source.tag;
    cutter.outputFiles = std::move(source.outputFiles); // the previous run's pieces, deleted first
    GetFileSize64(source.path, cutter.totalSize);
    cutter.totalDuration = entries.back().end;
    const bool ok = CutBySelection(cutter, entries, settings, errorText);
    if (!ok || (settings.job && settings.job->IsCancelled())) {
        DeleteOutputFiles(cutter.outputFiles); // a batch run leaves all its pieces or none
        return false;
    }
    source.outputFiles = std::move(cutter.outputFiles);
    return true;
}
