#pragma once
// The pieces a CUE sheet cuts its audio into: each track from its INDEX 01 to the next track's
// INDEX 01 (a pregap, INDEX 00, plays as the end of the track before it), the last to the end.
#include "engine/cue/CueSheet.h"
#include "engine/stream/ID3TagInfo.h"

#include <cstdint>
#include <string>
#include <vector>

struct CuePiece {
    int64_t startSample = 0; // per channel, from the stream's first sample
    int64_t endSample = 0;
    bool isTrack = true; // false for the audio before the first track's INDEX 01, which no track holds
    int trackNumber = 0;
    // The piece's tag, UTF-8: the track's title and performer (the disc's performer when the track
    // names none), the disc's title as album, REM DATE as year and REM GENRE as genre.
    std::string title;
    std::string artist;
    std::string album;
    std::string year;
    std::string genre;
};

// CD frames at the sample rate, rounded to the nearest sample.
int64_t CueFramesToSamples(int64_t frames, int sampleRate);

// False with a message naming the line when a track starts at or past the end of the audio.
bool PlanCuePieces(
    const CueSheet& sheet, int64_t totalSamples, int sampleRate, std::vector<CuePiece>& pieces, std::string& errorText);

// The piece's tag: the sheet's text as the ID3v2 fields and its Latin-1 cut as the ID3v1 fields;
// the genre by its name (255 in ID3v1 when the list has no such name); the track number of the sheet.
ID3TagInfo CuePieceTag(const CuePiece& piece);
