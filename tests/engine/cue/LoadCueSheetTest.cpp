#include "engine/cue/LoadCueSheet.h"
#include "engine/cue/PlanCuePieces.h"
#include "engine/stream/ID3TagText.h"

#include "tests/support/FrameBuilder.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

void WriteText(const std::string& path, const std::string& text) { WriteFile(path, Bytes(text.begin(), text.end())); }

std::string SheetFor(const std::string& fileLine)
{
    return fileLine + "\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 00:01:00\n";
}

} // namespace

TEST(LoadCueSheet, FindsTheAudioFileBesideTheSheet)
{
    TempDir dir;
    std::filesystem::create_directories(dir.Path() / "cues");
    WriteText(dir.File("My Album.mp3"), "x");
    WriteText(dir.File("cues/Rip.mp3"), "x");
    struct Case {
        std::string sheet;
        std::string fileLine;
        std::string expected;
    };
    const Case cases[] = {
        { "a.cue", "FILE \"My Album.mp3\" MP3", dir.File("My Album.mp3") },
        { "cues/b.cue", "FILE \"../My Album.mp3\" MP3", dir.File("cues/../My Album.mp3") },
        { "c.cue", "FILE \"" + dir.File("My Album.mp3") + "\" MP3", dir.File("My Album.mp3") },
        // Written on another system: only the last part of the name is looked for.
        { "cues/d.cue", "FILE \"C:\\Music\\Rip.mp3\" MP3", dir.File("cues/Rip.mp3") },
        // A sheet of a WAVE rip whose audio was encoded to MP3 afterwards.
        { "cues/e.cue", "FILE \"Rip.wav\" WAVE", dir.File("cues/Rip.mp3") },
    };
    for (const Case& c : cases) {
        WriteText(dir.File(c.sheet), SheetFor(c.fileLine));
        LoadedCueSheet loaded;
        std::string errorText;
        ASSERT_TRUE(LoadCueSheet(dir.File(c.sheet), loaded, errorText)) << c.fileLine << ": " << errorText;
        EXPECT_EQ(loaded.audioPath, c.expected);
        EXPECT_EQ(loaded.sheet.tracks.size(), 2u);
    }
}

TEST(LoadCueSheet, RefusesMissingAndNonMp3AudioAndUnreadableSheets)
{
    TempDir dir;
    WriteText(dir.File("a.wav"), "RIFF");
    WriteText(dir.File("missing.cue"), "REM x\n" + SheetFor("FILE \"gone.mp3\" MP3"));
    WriteText(dir.File("wave.cue"), SheetFor("FILE \"a.wav\" WAVE"));
    WriteText(dir.File("bad.cue"), SheetFor("FILE \"a.wav\" WAVE") + "INDEX 01 9:99:99\n");
    LoadedCueSheet loaded;
    std::string errorText;
    EXPECT_FALSE(LoadCueSheet(dir.File("missing.cue"), loaded, errorText));
    EXPECT_EQ(errorText, "Line 2: the audio file \"gone.mp3\" does not exist beside the sheet.");
    EXPECT_FALSE(LoadCueSheet(dir.File("wave.cue"), loaded, errorText));
    EXPECT_EQ(errorText, "Line 1: the audio file \"a.wav\" is not an MP3 file.");
    EXPECT_FALSE(LoadCueSheet(dir.File("bad.cue"), loaded, errorText));
    EXPECT_EQ(errorText, "Line 6: the time \"9:99:99\" is not mm:ss:ff (seconds below 60, frames below 75).");
    EXPECT_FALSE(LoadCueSheet(dir.File("none.cue"), loaded, errorText));
    EXPECT_NE(errorText.find("Failed to read the CUE sheet"), std::string::npos);
    EXPECT_FALSE(LoadCueSheet(dir.Path().string(), loaded, errorText));
    std::filesystem::resize_file(dir.File("a.wav"), 2 << 20);
    EXPECT_FALSE(LoadCueSheet(dir.File("a.wav"), loaded, errorText));
    EXPECT_NE(errorText.find("too large to be a CUE sheet"), std::string::npos);
}

TEST(PlanCuePieces, CutsAtEachIndex01WithPregapsInThePreviousTrack)
{
    CueSheet sheet;
    sheet.title = "Album";
    sheet.performer = "Band";
    sheet.date = "1994-05-01";
    sheet.genre = "rock";
    sheet.tracks.resize(3);
    sheet.tracks[0] = { 1, 3, "One", "", std::nullopt, 150, 4 }; // two seconds of lead-in before it
    sheet.tracks[1] = { 2, 5, "Two", "Guest", 740, 750, 7 };
    sheet.tracks[2] = { 3, 8, "Caf\xC3\xA9 \xE2\x80\x93 Three", "", std::nullopt, 1501, 9 };
    std::vector<CuePiece> pieces;
    std::string errorText;
    ASSERT_TRUE(PlanCuePieces(sheet, 44100 * 30, 44100, pieces, errorText)) << errorText;
    ASSERT_EQ(pieces.size(), 4u);
    EXPECT_FALSE(pieces[0].isTrack);
    EXPECT_EQ(pieces[0].startSample, 0);
    EXPECT_EQ(pieces[0].endSample, 2 * 44100);
    EXPECT_EQ(pieces[1].startSample, 2 * 44100);
    EXPECT_EQ(pieces[1].endSample, 10 * 44100); // the pregap at 740 plays as the end of track 1
    EXPECT_EQ(pieces[2].endSample, 1501 * 588);
    EXPECT_EQ(pieces[3].endSample, 44100 * 30);
    EXPECT_EQ(pieces[1].artist, "Band");
    EXPECT_EQ(pieces[2].artist, "Guest");
    // 32 kHz is not a whole number of samples per CD frame: rounded to the nearest.
    EXPECT_EQ(CueFramesToSamples(1, 32000), 427);
    EXPECT_EQ(CueFramesToSamples(2, 32000), 853);

    const ID3TagInfo tag = CuePieceTag(pieces[3]);
    EXPECT_STREQ(tag.title, "Caf\xE9 ? Three");
    EXPECT_EQ(TagText(tag, TagField::Title), pieces[3].title); // whole, for the ID3v2 tag
    EXPECT_STREQ(tag.artist, "Band");
    EXPECT_STREQ(tag.album, "Album");
    EXPECT_STREQ(tag.year, "1994");
    EXPECT_EQ(tag.genre, 17); // "Rock", matched without regard to case
    EXPECT_EQ(tag.hasTrack, 1);
    EXPECT_EQ(tag.track, 3);
    EXPECT_EQ(CuePieceTag(pieces[0]).hasTrack, 0);
    sheet.genre = "Not a listed genre";
    EXPECT_EQ(CuePieceTag(pieces[1]).genre, 17);
    pieces[1].genre = sheet.genre;
    EXPECT_EQ(CuePieceTag(pieces[1]).genre, 255);
    EXPECT_EQ(TagGenreText(CuePieceTag(pieces[1])), "Not a listed genre");

    // A track that starts at or past the end of the audio.
    EXPECT_FALSE(PlanCuePieces(sheet, 1501 * 588, 44100, pieces, errorText));
    EXPECT_EQ(errorText, "Line 9: track 3 starts at 00:20:01, past the end of the audio (00:20:01).");
    EXPECT_TRUE(pieces.empty());
}
