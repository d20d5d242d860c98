#include "engine/cue/CueSheetText.h"
#include "engine/cue/ParseCueSheet.h"

#include <gtest/gtest.h>

namespace {

CueSheet Parse(const std::string& text)
{
    CueSheet sheet;
    CueError error;
    EXPECT_TRUE(ParseCueSheet(text, sheet, error)) << "line " << error.line << ": " << error.problem;
    return sheet;
}

CueError Refuse(const std::string& text)
{
    CueSheet sheet;
    CueError error;
    EXPECT_FALSE(ParseCueSheet(text, sheet, error)) << text;
    return error;
}

const char* const kAlbum = "REM GENRE Rock\r\n"
                           "REM DATE 1994\r\n"
                           "REM COMMENT \"ExactAudioCopy v1.0\"\r\n"
                           "PERFORMER \"The Band\"\r\n"
                           "TITLE \"Live at the Hall\"\r\n"
                           "FILE \"Live at the Hall.mp3\" MP3\r\n"
                           "  TRACK 01 AUDIO\r\n"
                           "    TITLE \"Opening\"\r\n"
                           "    INDEX 01 00:00:00\r\n"
                           "  TRACK 02 AUDIO\r\n"
                           "    TITLE \"Second Song\"\r\n"
                           "    PERFORMER \"Guest Singer\"\r\n"
                           "    FLAGS DCP\r\n"
                           "    ISRC USABC9400002\r\n"
                           "    INDEX 00 03:12:40\r\n"
                           "    INDEX 01 03:14:00\r\n"
                           "  TRACK 03 AUDIO\r\n"
                           "    TITLE \"Encore\"\r\n"
                           "    INDEX 01 61:02:74\r\n";

} // namespace

TEST(ParseCueSheet, ReadsDiscAndTrackFieldsOfAWindowsSheet)
{
    const CueSheet sheet = Parse(std::string("\xEF\xBB\xBF") + kAlbum);
    EXPECT_EQ(sheet.title, "Live at the Hall");
    EXPECT_EQ(sheet.performer, "The Band");
    EXPECT_EQ(sheet.date, "1994");
    EXPECT_EQ(sheet.genre, "Rock");
    EXPECT_EQ(sheet.audioFile, "Live at the Hall.mp3");
    EXPECT_EQ(sheet.audioType, "MP3");
    EXPECT_EQ(sheet.audioFileLine, 6);
    ASSERT_EQ(sheet.tracks.size(), 3u);
    EXPECT_EQ(sheet.tracks[0].title, "Opening");
    EXPECT_EQ(sheet.tracks[0].performer, "");
    EXPECT_EQ(sheet.tracks[0].start, 0);
    EXPECT_FALSE(sheet.tracks[0].pregapStart);
    EXPECT_EQ(sheet.tracks[1].performer, "Guest Singer");
    EXPECT_EQ(sheet.tracks[1].pregapStart, (3 * 60 + 12) * 75 + 40);
    EXPECT_EQ(sheet.tracks[1].start, (3 * 60 + 14) * 75);
    EXPECT_EQ(sheet.tracks[1].line, 10);
    EXPECT_EQ(sheet.tracks[2].start, (61 * 60 + 2) * 75 + 74); // minutes past 59
    EXPECT_EQ(sheet.tracks[2].startLine, 19);
}

TEST(ParseCueSheet, LineEndsOfEveryKindGiveTheSameSheet)
{
    std::string lf = kAlbum;
    std::string cr = kAlbum;
    for (size_t at; (at = lf.find("\r\n")) != std::string::npos;)
        lf.erase(at, 1);
    for (size_t at; (at = cr.find("\r\n")) != std::string::npos;)
        cr.erase(at + 1, 1);
    for (const std::string& text : { lf, cr, lf.substr(0, lf.size() - 1) }) {
        const CueSheet sheet = Parse(text);
        ASSERT_EQ(sheet.tracks.size(), 3u);
        EXPECT_EQ(sheet.tracks[2].startLine, 19);
        EXPECT_EQ(sheet.tracks[2].title, "Encore");
    }
}

TEST(ParseCueSheet, ReadsUnquotedNamesAndLowerCaseCommands)
{
    const CueSheet sheet = Parse("file my live set.MP3 wave\n"
                                 "title A Night Out\n"
                                 "REM GENRE \"Hard Rock\"\n"
                                 "track 1 audio\n"
                                 "  performer Someone Else\n"
                                 "  index 1 0:00:00\n"
                                 "TRACK 2 AUDIO\n"
                                 "  INDEX 01 1:30:00\n"
                                 "  INDEX 02 1:40:00\n");
    EXPECT_EQ(sheet.audioFile, "my live set.MP3");
    EXPECT_EQ(sheet.audioType, "WAVE");
    EXPECT_EQ(sheet.title, "A Night Out");
    EXPECT_EQ(sheet.genre, "Hard Rock");
    ASSERT_EQ(sheet.tracks.size(), 2u);
    EXPECT_EQ(sheet.tracks[0].performer, "Someone Else");
    EXPECT_EQ(sheet.tracks[1].start, 90 * 75);
}

TEST(ParseCueSheet, ReadsLatin1WhereTheBytesAreNotUtf8)
{
    // Windows writes its code page 1252, whose 0x80-0x9F are printable where Latin-1 has controls.
    EXPECT_EQ(Parse("TITLE \"It\x92s \x80 5\"\nFILE a.mp3\nTRACK 1 AUDIO\nINDEX 01 00:00:00\n").title,
        "It\xE2\x80\x99s \xE2\x82\xAC 5");
    const std::string latin1 = "PERFORMER \"Mot\xF6rhead\"\nFILE \"a.mp3\" MP3\nTRACK 01 AUDIO\nTITLE \"Caf\xE9\"\n"
                               "INDEX 01 00:00:00\n";
    const CueSheet fromLatin1 = Parse(latin1);
    EXPECT_EQ(fromLatin1.performer, "Mot\xC3\xB6rhead");
    EXPECT_EQ(fromLatin1.tracks[0].title, "Caf\xC3\xA9");
    // The same text in UTF-8 is kept as it is, with or without a byte-order mark.
    const std::string utf8 = "PERFORMER \"Mot\xC3\xB6rhead \xE2\x80\x93 \xF0\x9F\x8E\xB8\"\nFILE a.mp3 MP3\n"
                             "TRACK 01 AUDIO\nINDEX 01 00:00:00\n";
    EXPECT_EQ(Parse(utf8).performer, "Mot\xC3\xB6rhead \xE2\x80\x93 \xF0\x9F\x8E\xB8");
    EXPECT_EQ(Parse("\xEF\xBB\xBF" + utf8).performer, "Mot\xC3\xB6rhead \xE2\x80\x93 \xF0\x9F\x8E\xB8");
}

TEST(CueSheetText, DecodesUtf16AndConvertsToLatin1ForID3v1)
{
    const std::string utf16le("\xFF\xFE" "T\0i\0\xE9\0 \0\x3C\xD8\x3B\xDF", 14);
    EXPECT_EQ(CueSheetTextToUtf8(utf16le), "Ti\xC3\xA9 \xF0\x9F\x8C\xBB");
    const std::string utf16be("\xFE\xFF\0A\xD8\x00", 6); // a lone surrogate at the end
    EXPECT_EQ(CueSheetTextToUtf8(utf16be), "A\xEF\xBF\xBD");
    EXPECT_FALSE(IsWellFormedUtf8("\xC0\xAF")); // overlong
    EXPECT_FALSE(IsWellFormedUtf8("\xED\xA0\x80")); // surrogate
    EXPECT_FALSE(IsWellFormedUtf8("\xE2\x80")); // cut short
    EXPECT_EQ(Utf8ToLatin1("Caf\xC3\xA9 \xE2\x80\x93 ok"), "Caf\xE9 ? ok");
}

TEST(ParseCueTime, AcceptsOnlyMinutesSecondsAndFrames)
{
    EXPECT_EQ(ParseCueTime("00:00:00"), 0);
    EXPECT_EQ(ParseCueTime("01:02:03"), (62 * 75) + 3);
    EXPECT_EQ(ParseCueTime("120:00:00"), 120 * 60 * 75);
    for (const char* bad : { "", "1:2", "00:60:00", "00:00:75", "1:2:3:4", "a:00:00", "00::00", "-1:00:00",
             "00:00:00 ", "1234567:00:00", "00:000:00" })
        EXPECT_FALSE(ParseCueTime(bad)) << bad;
    EXPECT_EQ(FormatCueTime((3 * 60 + 14) * 75 + 2), "03:14:02");
}

TEST(ParseCueSheet, NamesTheProblemAndItsLineForBadSheets)
{
    const std::string head = "FILE \"a.mp3\" MP3\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n";
    struct Case {
        std::string text;
        int line;
        const char* says;
    };
    const Case cases[] = {
        { "", 0, "no FILE" },
        { "TITLE \"x\"\n", 0, "no FILE" },
        { "FILE \"a.mp3\" MP3\nTITLE \"x\"\n", 2, "without any TRACK" },
        { "TRACK 01 AUDIO\n", 1, "before the FILE" },
        { "FILE \"a.mp3 MP3\n", 1, "no closing quote" },
        { "FILE \"\" MP3\n", 1, "names no audio file" },
        { "FILE \"a.bin\" BINARY\n", 1, "BINARY cannot be cut" },
        { head + "FILE \"b.mp3\" MP3\n", 4, "second FILE" },
        { head + "TRACK 02 MODE1/2352\n", 4, "only AUDIO" },
        { head + "TRACK 100 AUDIO\n", 4, "from 1 to 99" },
        { head + "TRACK 01 AUDIO\n", 4, "must rise" },
        { head + "TRACK 02 AUDIO\nTITLE \"no index\"\n", 4, "track 2 has no INDEX 01" },
        { head + "TRACK 02 AUDIO\nTRACK 03 AUDIO\nINDEX 01 01:00:00\n", 5, "track 2 has no INDEX 01" },
        { head + "TRACK 02 AUDIO\nINDEX 01 03:61:00\n", 5, "\"03:61:00\" is not mm:ss:ff" },
        { head + "TRACK 02 AUDIO\nINDEX 01 00:00:00\n", 5, "times must not go backwards" },
        { "FILE a.mp3 MP3\nTRACK 1 AUDIO\nINDEX 01 02:00:00\nTRACK 2 AUDIO\nINDEX 00 01:00:00\n", 5,
            "INDEX 00 of track 2 (01:00:00) lies before the start of track 1 (02:00:00)" },
        { head + "TRACK 02 AUDIO\nINDEX 00 02:00:00\nINDEX 01 01:00:00\n", 6, "before its INDEX 00" },
        { head + "TRACK 02 AUDIO\nINDEX 01 02:00:00\nINDEX 00 01:00:00\n", 6, "after its INDEX 01" },
        { head + "INDEX 01 00:00:10\n", 4, "second INDEX 01" },
        { head + "INDEX 02 00:00:00\nTRACK 02 AUDIO\nINDEX 03 01:00:00\n", 6, "comes before its INDEX 01" },
        { "FILE a.mp3 MP3\nINDEX 01 00:00:00\n", 2, "outside any TRACK" },
        { head + "INDEX xx 00:00:00\n", 4, "index number \"xx\"" },
        { head + "hello world\n", 4, "\"hello\" is not a CUE sheet command" },
        { head + "TITLE \"a\x01z\"\n", 4, "control characters" },
        { std::string("\x89PNG\r\n\x1A\n\0\0", 10), 1, "is not a CUE sheet command" },
        { std::string("FILE a.mp3\0MP3\n", 15), 1, "control characters" },
    };
    for (const Case& c : cases) {
        const CueError error = Refuse(c.text);
        EXPECT_EQ(error.line, c.line) << c.text;
        EXPECT_NE(error.problem.find(c.says), std::string::npos) << c.text << " -> " << error.problem;
    }
}
