#include "engine/stream/ID3TagInfo.h"

#include "tests/support/CliRunner.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/GaplessDecode.h"
#include "tests/support/ID3v2Builder.h"
#include "tests/support/TempDir.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

void WriteText(const std::string& path, const std::string& text) { WriteFile(path, Bytes(text.begin(), text.end())); }

std::vector<std::string> Mp3FilesIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.path().extension() == ".mp3")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Twenty seconds of music-like audio in a file whose name has spaces.
std::string Album(const TempDir& dir, int sampleRate = 44100)
{
    const std::string path = dir.File("Live at the Hall.mp3");
    WriteFile(path, EncodePcm(MakeMusic(20.0, sampleRate, 2), 128));
    return path;
}

// A sheet as a Windows ripper writes it: CRLF, a Latin-1 title, a pregap, a track with its own
// performer, the disc's fields.
const char* const kSheet = "REM GENRE \"Rock\"\r\n"
                           "REM DATE 1994\r\n"
                           "PERFORMER \"The Band\"\r\n"
                           "TITLE \"Live at the Hall\"\r\n"
                           "FILE \"Live at the Hall.mp3\" MP3\r\n"
                           "  TRACK 01 AUDIO\r\n"
                           "    TITLE \"Caf\xE9 Opening\"\r\n"
                           "    INDEX 01 00:00:00\r\n"
                           "  TRACK 02 AUDIO\r\n"
                           "    TITLE \"Second Song\"\r\n"
                           "    PERFORMER \"Guest Singer\"\r\n"
                           "    INDEX 00 00:05:10\r\n"
                           "    INDEX 01 00:07:33\r\n"
                           "  TRACK 03 AUDIO\r\n"
                           "    TITLE Encore\r\n"
                           "    INDEX 01 00:13:01\r\n";

} // namespace

TEST(CutCueCommand, WritesOnePieceAPerTrackTaggedFromTheSheet)
{
    TempDir dir;
    const auto sourceLength = static_cast<long long>(DecodeGapless(Album(dir)).left.size());
    WriteText(dir.File("album.cue"), kSheet);
    const CliResult run = RunCli({ "cut", "--cue", dir.File("album.cue"), "--output-folder", dir.File("out") });
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_EQ(Lines(run.out).size(), 3u) << run.out;
    EXPECT_EQ(Mp3FilesIn(dir.File("out")),
        (std::vector<std::string> { "Live at the Hall_01.mp3", "Live at the Hall_02.mp3", "Live at the Hall_03.mp3" }));

    const char* const titles[] = { "Caf\xE9 Opening", "Second Song", "Encore" };
    const char* const artists[] = { "The Band", "Guest Singer", "The Band" };
    // Track 2's pregap (from 5.13 s) plays as the end of track 1; 588 samples to a CD frame.
    const long long starts[] = { 0, (7 * 75 + 33) * 588, (13 * 75 + 1) * 588, sourceLength };
    for (int i = 0; i < 3; ++i) {
        const std::string piece = dir.File("out/Live at the Hall_0" + std::to_string(i + 1) + ".mp3");
        ID3TagInfo tag;
        ASSERT_TRUE(ReadID3v1Tag(piece, tag));
        EXPECT_STREQ(tag.title, titles[i]);
        EXPECT_STREQ(tag.artist, artists[i]);
        EXPECT_STREQ(tag.album, "Live at the Hall");
        EXPECT_STREQ(tag.year, "1994");
        EXPECT_EQ(tag.genre, 17);
        EXPECT_EQ(tag.hasTrack, 1);
        EXPECT_EQ(tag.track, i + 1);
        const long long expected = starts[i + 1] - starts[i];
        const auto decoded = static_cast<long long>(DecodeGapless(piece).left.size());
        EXPECT_EQ(decoded, expected) << piece;
    }
}

// A UTF-8 sheet with titles outside Latin-1, for a source without an ID3v2 tag: the pieces' new
// ID3v2 tags hold the text whole, their ID3v1 blocks its Latin-1 cut. Values given on the command
// line replace the sheet's.
TEST(CutCueCommand, SheetTextOutsideLatin1SurvivesInID3v2AndTheCommandLineOverrides)
{
    TempDir dir;
    Album(dir);
    WriteText(dir.File("album.cue"),
        "\xEF\xBB\xBFPERFORMER \"\xD0\x90\xD0\xBA\xD0\xB2\xD0\xB0\xD1\x80\xD0\xB8\xD1\x83\xD0\xBC\"\n" // Аквариум
        "TITLE \"\xE6\x9D\xB1\xE4\xBA\xAC Live\"\n" // 東京 Live
        "REM GENRE \"Shoegaze Revival\"\n"
        "FILE \"Live at the Hall.mp3\" MP3\n"
        "TRACK 01 AUDIO\nTITLE \"Caf\xC3\xA9 \xE2\x80\x93 \xCE\xB1\xCE\xB2\"\nINDEX 01 00:00:00\n" // Café – αβ
        "TRACK 02 AUDIO\nTITLE \"\xD0\x9D\xD0\xBE\xD1\x87\xD1\x8C\"\nINDEX 01 00:09:00\n"); // Ночь
    const char* const titles[] = { "Caf\xC3\xA9 \xE2\x80\x93 \xCE\xB1\xCE\xB2", "\xD0\x9D\xD0\xBE\xD1\x87\xD1\x8C" };
    const char* const latin1[] = { "Caf\xE9 ? ??", "????" };

    const CliResult run = RunCli({ "cut", "--cue", dir.File("album.cue"), "--output-folder", dir.File("out") });
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto pieces = Lines(run.out);
    ASSERT_EQ(pieces.size(), 2u) << run.out;
    for (size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(pieces[i]);
        const auto back = ReadID3v2Back(pieces[i]);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->title, titles[i]);
        EXPECT_EQ(back->artist, "\xD0\x90\xD0\xBA\xD0\xB2\xD0\xB0\xD1\x80\xD0\xB8\xD1\x83\xD0\xBC");
        EXPECT_EQ(back->album, "\xE6\x9D\xB1\xE4\xBA\xAC Live");
        EXPECT_EQ(back->genre, "Shoegaze Revival"); // no ID3v1 genre, whole in ID3v2
        EXPECT_EQ(back->track, std::to_string(i + 1));
        ID3TagInfo tag;
        ASSERT_TRUE(ReadID3v1Tag(pieces[i], tag));
        EXPECT_STREQ(tag.title, latin1[i]);
        EXPECT_STREQ(tag.artist, "????????");
        EXPECT_EQ(tag.genre, 255);
    }
    EXPECT_EQ(DecodeGapless(pieces[0]).left.size(), 9u * 44100);

    // The command line's artist, album and genre for every piece; the titles stay the sheet's.
    const CliResult given = RunCli({ "cut", "--cue", dir.File("album.cue"), "--output-folder", dir.File("out"),
        "--artist", "\xC3\x81rt\xC3\xAD \xE2\x84\x96 2", "--album", "Other", "--genre", "Jazz", "--comment", "c" });
    ASSERT_EQ(given.exitCode, 0) << given.err;
    ASSERT_EQ(Lines(given.out).size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const auto back = ReadID3v2Back(Lines(given.out)[i]);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->title, titles[i]);
        EXPECT_EQ(back->artist, "\xC3\x81rt\xC3\xAD \xE2\x84\x96 2");
        EXPECT_EQ(back->album, "Other");
        EXPECT_EQ(back->genre, "Jazz");
        EXPECT_EQ(back->comment, "c");
        ID3TagInfo tag;
        ASSERT_TRUE(ReadID3v1Tag(Lines(given.out)[i], tag));
        EXPECT_STREQ(tag.artist, "\xC1rt\xED ? 2");
        EXPECT_EQ(tag.genre, 8);
        EXPECT_EQ(tag.track, static_cast<int>(i + 1));
    }
}

TEST(CutCueCommand, TracksNumberedFromTheSheetAndAudioBeforeTheFirstLeftOut)
{
    TempDir dir;
    Album(dir, 48000);
    WriteText(dir.File("a.cue"),
        "FILE \"Live at the Hall.mp3\" MP3\nTRACK 04 AUDIO\nINDEX 00 00:00:00\nINDEX 01 00:02:00\n"
        "TRACK 05 AUDIO\nINDEX 01 00:12:00\n");
    const CliResult run = RunCli({ "cut", "--cue", dir.File("a.cue") });
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_EQ(Lines(run.out).size(), 2u);
    ID3TagInfo tag;
    ASSERT_TRUE(ReadID3v1Tag(Lines(run.out)[1], tag));
    EXPECT_EQ(tag.track, 5);
    EXPECT_EQ(DecodeGapless(Lines(run.out)[0]).left.size(), 10u * 48000);
}

TEST(CutCueCommand, ABadSheetNamesItsLineAndWritesNothing)
{
    TempDir dir;
    Album(dir);
    const std::string head = "FILE \"Live at the Hall.mp3\" MP3\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n";
    struct Case {
        std::string sheet;
        std::string message;
    };
    const Case cases[] = {
        { "FILE \"gone.mp3\" MP3\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 00:05:00\n",
            "Line 1: the audio file \"gone.mp3\" does not exist beside the sheet." },
        { "FILE \"Live at the Hall.mp3\" MP3\nTITLE x\n", "Line 2: the sheet ends without any TRACK." },
        { head + "TRACK 02 AUDIO\nINDEX 01 00:25:00\n", // the encoding holds 20 s and its padding
            "Line 5: track 2 starts at 00:25:00, past the end of the audio (00:20:02)." },
        { head + "TRACK 02 AUDIO\nINDEX 01 00:10:00\nTRACK 03 AUDIO\nINDEX 01 00:09:74\n",
            "Line 7: INDEX 01 of track 3 (00:09:74) lies before the start of track 2 (00:10:00); times must not go "
            "backwards." },
        { std::string("\x7F"
                      "ELF\x02\x01\x01\0\0\0",
              10),
            "Line 1: control characters: this is not a CUE sheet." },
    };
    for (const Case& c : cases) {
        WriteText(dir.File("bad.cue"), c.sheet);
        const CliResult run = RunCli({ "cut", "--cue", dir.File("bad.cue"), "--output-folder", dir.File("out") });
        EXPECT_EQ(run.exitCode, 1) << c.sheet;
        EXPECT_EQ(run.err, "sonicrop-cli cut: " + dir.File("bad.cue") + ": " + c.message + "\n");
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(Mp3FilesIn(dir.Path()), std::vector<std::string> { "Live at the Hall.mp3" });
    }
    const CliResult withFile = RunCli({ "cut", "--cue", dir.File("bad.cue"), dir.File("Live at the Hall.mp3") });
    EXPECT_EQ(withFile.exitCode, 2);
    EXPECT_NE(withFile.err.find("--cue takes no FILE"), std::string::npos);
}
