#include "engine/cue/PlanCuePieces.h"

#include "engine/cue/CueSheetText.h"
#include "engine/cue/LoadCueSheet.h"
#include "engine/cue/ParseCueSheet.h"
#include "engine/stream/ID3TagText.h"

int64_t CueFramesToSamples(int64_t frames, int sampleRate)
{
    return (frames * sampleRate + kCueFramesPerSecond / 2) / kCueFramesPerSecond;
}

bool PlanCuePieces(
    const CueSheet& sheet, int64_t totalSamples, int sampleRate, std::vector<CuePiece>& pieces, std::string& errorText)
{
    pieces.clear();
    if (sampleRate <= 0 || totalSamples <= 0) {
        errorText = "The audio file holds no audio.";
        return false;
    }
    const int64_t totalFrames = totalSamples * kCueFramesPerSecond / sampleRate;
    for (const CueTrack& track : sheet.tracks) {
        if (CueFramesToSamples(track.start, sampleRate) >= totalSamples) {
            errorText = CueErrorText({ track.startLine,
                "track " + std::to_string(track.number) + " starts at " + FormatCueTime(track.start)
                    + ", past the end of the audio (" + FormatCueTime(totalFrames) + ")" });
            pieces.clear();
            return false;
        }
    }
    const int64_t firstStart = CueFramesToSamples(sheet.tracks.front().start, sampleRate);
    if (firstStart > 0) {
        CuePiece before;
        before.isTrack = false;
        before.endSample = firstStart;
        before.album = sheet.title;
        before.artist = sheet.performer;
        before.year = sheet.date;
        before.genre = sheet.genre;
        pieces.push_back(before);
    }
    for (size_t i = 0; i < sheet.tracks.size(); ++i) {
        const CueTrack& track = sheet.tracks[i];
        CuePiece piece;
        piece.startSample = CueFramesToSamples(track.start, sampleRate);
        piece.endSample
            = i + 1 < sheet.tracks.size() ? CueFramesToSamples(sheet.tracks[i + 1].start, sampleRate) : totalSamples;
        piece.trackNumber = track.number;
        piece.title = track.title;
        piece.artist = track.performer.empty() ? sheet.performer : track.performer;
        piece.album = sheet.title;
        piece.year = sheet.date;
        piece.genre = sheet.genre;
        pieces.push_back(piece);
    }
    return true;
}

ID3TagInfo CuePieceTag(const CuePiece& piece)
{
    // The sheet's text whole in the ID3v2 fields, its Latin-1 cut in the ID3v1 block.
    ID3TagInfo tag;
    SetTagText(tag, TagField::Title, piece.title);
    SetTagText(tag, TagField::Artist, piece.artist);
    SetTagText(tag, TagField::Album, piece.album);
    SetTagText(tag, TagField::Year, piece.year);
    if (piece.genre.empty())
        tag.genre = 255;
    else
        SetTagGenreText(tag, piece.genre);
    tag.hasTrack = piece.isTrack ? 1 : 0;
    tag.track = piece.trackNumber;
    return tag;
}
