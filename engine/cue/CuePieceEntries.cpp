#include "engine/cue/CuePieceEntries.h"

namespace {

// The list shows tenths of a second, each bound rounded to the nearest; the cut takes the samples.
int32_t SamplesToTenths(int64_t samples, int sampleRate)
{
    return static_cast<int32_t>((samples * 10 + sampleRate / 2) / sampleRate);
}

} // namespace

std::vector<PieceEntry> CuePieceEntries(const std::vector<CuePiece>& pieces, int sampleRate)
{
    std::vector<PieceEntry> entries;
    for (const CuePiece& piece : pieces) {
        PieceEntry entry;
        entry.start = SamplesToTenths(piece.startSample, sampleRate);
        entry.end = SamplesToTenths(piece.endSample, sampleRate);
        entry.startSample = piece.startSample;
        entry.endSample = piece.endSample;
        entry.checked = piece.isTrack;
        entry.trackNoType = piece.isTrack ? TrackNoCustom : TrackNoNull;
        entry.tag = CuePieceTag(piece);
        entries.push_back(entry);
    }
    return entries;
}
