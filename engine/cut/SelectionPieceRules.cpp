#include "engine/cut/SelectionPieceRules.h"

#include "engine/cut/FrameCopyCutter.h"

void ApplyTrackRule(PieceEntry& entry, size_t position, const ID3TagInfo& sourceTag)
{
    switch (entry.trackNoType) {
    case TrackNoSequence:
        entry.tag.hasTrack = 1;
        entry.tag.track = static_cast<int32_t>(position + 1);
        break;
    case TrackNoSource:
        entry.tag.hasTrack = 1;
        entry.tag.track = sourceTag.track;
        break;
    case TrackNoCustom:
        entry.tag.hasTrack = 1; // the track as entered for the piece
        break;
    default:
        entry.tag.hasTrack = 0;
        break;
    }
}

int64_t BoundSample(int64_t sample, int32_t tenths, int64_t ms, const FrameCopyCutter& exact)
{
    const int64_t fromTenths = exact.MillisecondsToSample(int64_t { tenths } * 100);
    const int64_t halfTenth = exact.MillisecondsToSample(50);
    if (sample >= 0 && sample >= fromTenths - halfTenth && sample <= fromTenths + halfTenth)
        return sample;
    return exact.MillisecondsToSample(ms >= 0 ? ms : int64_t { tenths } * 100);
}
