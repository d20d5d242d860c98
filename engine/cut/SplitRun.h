#pragma once
// The split runs: cut one source into numbered pieces by size, by count, by time or by a list of
// chosen pieces. Each run checks its numbers, deletes the pieces of the source's previous run, and
// writes the new pieces with a FrameCopyCutter, or a FadeCutter when fades are on.
//
// The cutter page and the batch page run the same splits with different inputs and results:
// - cutter page: totals measured when the source was loaded; false only when a check fails, the
//   source cannot be loaded, or a piece could not be created or written (the error text says which).
//   A cancelled run returns true with its pieces deleted.
// Splits by size and by count measure the audio bytes (first audio frame to the end of the audio)
// when the run starts, on both pages.
// - batch page: the duration comes from the probe
//   (total samples, sample rate); true only when the file was split completely. Otherwise no piece
//   of the run is left and outputFiles is empty.
#include "engine/JobProgress.h"
#include "engine/cut/CutOptions.h"
#include "engine/cut/PieceEntry.h"
#include "engine/stream/ID3TagInfo.h"

#include <cstdint>
#include <string>
#include <vector>

// What every split run reads besides its source.
struct SplitSettings {
    CutOptions options;
    JobProgress* job = nullptr; // cancel flag, message pump and the bar in barSlot; none for no display
    JobProgress::Slot barSlot = JobProgress::Upper;
};

// The cutter page's source.
struct CutterSource {
    std::string path;
    ID3TagInfo tag;
    uint64_t totalSize = 0; // bytes, the whole size; the size and count splits share out the audio bytes instead
    int32_t totalDuration = 0; // tenths of a second
    std::vector<std::string> outputFiles; // the pieces of the last run, in order
};

// A row of the batch page.
struct BatchFileSource {
    std::string path;
    ID3TagInfo tag;
    uint64_t totalSamples = 0; // per channel, as the probe reports it
    int sampleRate = 0;
    std::vector<std::string> outputFiles;
};

// cutFileSize in KB; cutFileAmount pieces; cutTimeMin minutes and cutTimeSec seconds per piece.
// Pieces by time copied frame for frame are cut to the sample (FrameCopyCutter::WriteExactPiece).
bool CutBySize(CutterSource& source, int32_t cutFileSize, const SplitSettings& settings, std::string& errorText);
bool CutByCount(CutterSource& source, int32_t cutFileAmount, const SplitSettings& settings, std::string& errorText);
bool CutByTime(CutterSource& source, int32_t cutTimeMin, int32_t cutTimeSec, const SplitSettings& settings,
    std::string& errorText);
// Writes the checked entries; each written entry gets its output path and track number.
bool CutBySelection(
    CutterSource& source, std::vector<PieceEntry>& entries, const SplitSettings& settings, std::string& errorText);

bool CutBySize(BatchFileSource& source, int32_t cutFileSize, const SplitSettings& settings, std::string& errorText);
bool CutByCount(BatchFileSource& source, int32_t cutFileAmount, const SplitSettings& settings, std::string& errorText);
bool CutByTime(BatchFileSource& source, int32_t cutTimeMin, int32_t cutTimeSec, const SplitSettings& settings,
    std::string& errorText);
// Pieces of pieceMs milliseconds each, the last one holding the rest.
bool CutByDuration(BatchFileSource& source, int64_t pieceMs, const SplitSettings& settings, std::string& errorText);
