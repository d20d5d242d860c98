// Parsing arbitrary bytes as a CUE sheet, and planning the pieces of what parses.
#include "engine/cue/CueSheetText.h"
#include "engine/cue/ParseCueSheet.h"
#include "engine/cue/PlanCuePieces.h"
#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Require(IsWellFormedUtf8(CueSheetTextToUtf8(bytes)), "the sheet's text is not well-formed UTF-8");
    const auto lines = static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n')
        + std::count(bytes.begin(), bytes.end(), '\r') + 1);

    CueSheet sheet;
    CueError error;
    if (!ParseCueSheet(bytes, sheet, error)) {
        Require(!error.problem.empty(), "a refusal without a message");
        Require(error.line >= 0 && error.line <= lines, "a refusal naming a line the sheet does not have");
        return 0;
    }
    Require(!sheet.audioFile.empty() && !sheet.tracks.empty(), "a sheet without audio file or tracks");
    Require(IsWellFormedUtf8(sheet.title) && IsWellFormedUtf8(sheet.performer) && IsWellFormedUtf8(sheet.audioFile),
        "a field that is not UTF-8");
    for (size_t i = 0; i < sheet.tracks.size(); ++i) {
        const CueTrack& track = sheet.tracks[i];
        Require(track.number >= 1 && track.number <= 99, "a track number out of range");
        Require(!track.pregapStart || *track.pregapStart <= track.start, "a pregap after its track's start");
        if (i > 0) {
            const CueTrack& previous = sheet.tracks[i - 1];
            Require(track.number > previous.number && track.start > previous.start, "tracks that do not rise");
            Require(!track.pregapStart || *track.pregapStart >= previous.start, "a pregap before the previous track");
        }
    }

    // The pieces of the sheet on an hour of audio cover it without gap or overlap.
    for (const int rate : { 44100, 32000, 8000 }) {
        const int64_t total = int64_t { 3600 } * rate;
        std::vector<CuePiece> pieces;
        std::string errorText;
        if (!PlanCuePieces(sheet, total, rate, pieces, errorText)) {
            Require(!errorText.empty() && pieces.empty(), "a failed plan without a message or with pieces");
            continue;
        }
        Require(!pieces.empty() && pieces.front().startSample == 0 && pieces.back().endSample == total,
            "pieces that do not cover the audio");
        for (size_t i = 0; i < pieces.size(); ++i) {
            Require(pieces[i].startSample < pieces[i].endSample, "an empty piece");
            Require(i == 0 || pieces[i].startSample == pieces[i - 1].endSample, "a gap between pieces");
            const ID3TagInfo tag = CuePieceTag(pieces[i]);
            Require(strnlen(tag.title, 32) <= 30 && strnlen(tag.artist, 32) <= 30 && strnlen(tag.year, 5) <= 4,
                "a tag field past its limit");
        }
    }
    return 0;
}
