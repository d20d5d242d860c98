// The Unicode side of the tag record and the reading of files' tags, ID3v2 first.
#include "engine/stream/ID3TagText.h"
#include "engine/stream/Latin1Text.h"
#include "engine/stream/ReadSourceTag.h"
#include "engine/stream/SourceID3v2Tag.h"
#include "tests/support/ID3v2Builder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

TEST(Latin1Text, ConvertsBothWaysAndMarksWhatLatin1CannotHold)
{
    EXPECT_EQ(Utf8FromLatin1("Caf\xE9"), "Café");
    EXPECT_EQ(Latin1FromUtf8("Café 東京"), "Caf\xE9 ??");
    EXPECT_EQ(Latin1FromUtf8("ÄÖÜ", 2), "\xC4\xD6");
    // Ill-formed UTF-8 (a lone continuation byte, a sequence cut short, an overlong form): one "?" a byte.
    EXPECT_EQ(Latin1FromUtf8("a\x80"
                           "b\xC3"),
        "a?b?");
    EXPECT_EQ(Latin1FromUtf8("\xC0\xAF"), "??");
}

TEST(ID3TagText, TheUnicodeTextCountsOnlyWhileTheLatin1FieldIsItsCut)
{
    ID3TagInfo tag;
    const std::string longTitle = "Ein sehr langer Titel über dreißig Zeichen – 東京";
    SetTagText(tag, TagField::Title, longTitle);
    EXPECT_STREQ(tag.title,
        "Ein sehr langer Titel \xFC"
        "ber dre");
    EXPECT_EQ(TagText(tag, TagField::Title), longTitle);
    SetTagText(tag, TagField::Year, "1999-05-01");
    EXPECT_STREQ(tag.year, "1999");
    EXPECT_EQ(TagText(tag, TagField::Year), "1999-05-01");
    // A Latin-1 field set on its own is the whole value again.
    SetTagTitle(tag, "Other");
    EXPECT_EQ(TagText(tag, TagField::Title), "Other");

    SetTagGenreText(tag, "Synthwave");
    EXPECT_EQ(tag.genre, 255);
    EXPECT_EQ(TagGenreText(tag), "Synthwave");
    SetTagGenreText(tag, "rock");
    EXPECT_EQ(tag.genre, 17);
    tag.genre = 8; // chosen from the list afterwards
    EXPECT_EQ(TagGenreText(tag), "Jazz");
}

TEST(ReadSourceTag, TheID3v2TagWinsAndAFileWithOnlyOneShowsItsTitle)
{
    TempDir dir;
    ID3v2TagValues values;
    values.genre = "Synthwave";
    Bytes onlyV2 = MakeID3v2Tag(values);
    Append(onlyV2, Frames({}, 20));
    WriteFile(dir.File("v2.mp3"), onlyV2);
    ID3TagInfo tag;
    ASSERT_TRUE(ReadSourceTag(dir.File("v2.mp3"), tag));
    EXPECT_EQ(TagText(tag, TagField::Title), values.title);
    EXPECT_EQ(TagText(tag, TagField::Artist), values.artist);
    EXPECT_EQ(TagText(tag, TagField::Comment), values.comment);
    EXPECT_EQ(TagGenreText(tag), "Synthwave");
    EXPECT_EQ(tag.genre, 255);
    EXPECT_TRUE(tag.hasTrack);
    EXPECT_EQ(tag.track, 7); // "7/12"

    // Both tags: ID3v2's values, ID3v1's where ID3v2 has no frame.
    values = {};
    values.track.clear();
    Bytes both = MakeID3v2Tag(values);
    Append(both, Frames({}, 20));
    Append(both, ID3v1("Old Title", "Old Artist", 3, 8));
    WriteFile(dir.File("both.mp3"), both);
    ASSERT_TRUE(ReadSourceTag(dir.File("both.mp3"), tag));
    EXPECT_EQ(TagText(tag, TagField::Title), "Album Side");
    EXPECT_EQ(tag.track, 3);
    EXPECT_EQ(tag.genre, 17);

    const auto summary = ReadID3v2Summary(dir.File("both.mp3"));
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->version, 4);
    EXPECT_EQ(summary->pictures, 1);
    EXPECT_FALSE(summary->fields.hasTrack);

    // Neither tag: the record is left alone.
    WriteFile(dir.File("none.mp3"), Frames({}, 20));
    ID3TagInfo untouched;
    untouched.genre = 42;
    EXPECT_FALSE(ReadSourceTag(dir.File("none.mp3"), untouched));
    EXPECT_EQ(untouched.genre, 42);
    EXPECT_FALSE(ReadID3v2Summary(dir.File("none.mp3")));
}

// A v2.3 tag whose first TIT2 frame names no valid text encoding and has undefined flag bits,
// followed by a second TIT2, a TPE1 and an empty COMM header (found by fuzzing): the piece's own
// title and track must still be what its rendered tag says.
TEST(SourceID3v2Tag, APiecesValuesSurviveSourceFramesWithOddEncodingsAndFlags)
{
    std::vector<uint8_t> body(0x30, 0);
    const uint8_t firstFrame[] = { 'T', 'I', 'T', '2', 0, 0, 0, 0x13, 0, 3, 0x37 };
    std::copy(std::begin(firstFrame), std::end(firstFrame), body.begin());
    static const char frames[] = "\x02\x00TIT2\x00\x00\x00\x13\x00\x00\x03"
                                 "Album Side \xE2\x80\x93 \xE6\x9D\xB1"
                                 "TPE1\x00\x00\x00\x05\x00\x00\x03"
                                 "BandCOMM";
    const std::string rest = std::string(frames, sizeof frames - 1) + std::string(15, '\0');
    body.insert(body.end(), rest.begin(), rest.end());
    std::vector<uint8_t> block = { 'I', 'D', '3', 3, 0, 0, 0, 0, 0, 0 };
    block[8] = static_cast<uint8_t>(body.size() >> 7);
    block[9] = static_cast<uint8_t>(body.size() & 0x7F);
    block.insert(block.end(), body.begin(), body.end());

    SourceID3v2Tag tag;
    ASSERT_TRUE(tag.Parse(block));
    ID3TagInfo piece;
    piece.genre = 255;
    SetTagText(piece, TagField::Title, "Piece \xC3\xA9 \xE6\x9D\xB1");
    SetTagText(piece, TagField::Comment, "Cut here");
    piece.hasTrack = 1;
    piece.track = 3;
    SourceID3v2Tag again;
    ASSERT_TRUE(again.Parse(tag.RenderFor(piece)));
    ID3TagInfo back;
    back.genre = 255;
    again.ReadInto(back);
    EXPECT_EQ(TagText(back, TagField::Title), "Piece \xC3\xA9 \xE6\x9D\xB1");
    EXPECT_EQ(TagText(back, TagField::Comment), "Cut here");
    EXPECT_EQ(back.track, 3);
    EXPECT_EQ(again.MajorVersion(), 3);
}
