#include "engine/stream/GenreNames.h"
#include "engine/stream/ID3TagInfo.h"

#include "tests/support/FrameBuilder.h"
#include "tests/support/TempDir.h"

#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

ID3v1Block BlockWith(const std::string& comment, uint8_t byte125, uint8_t byte126)
{
    ID3v1Block block {};
    std::memcpy(block.data(), "TAG", 3);
    std::memcpy(&block[97], comment.data(), std::min<size_t>(comment.size(), 30));
    block[125] = byte125;
    block[126] = byte126;
    block[127] = 17;
    return block;
}

} // namespace

TEST(ID3v1Block, ParsesBothLayoutsByTheByteBeforeTheTrack)
{
    ID3TagInfo info;
    // v1.0: byte 125 is comment text.
    ParseID3v1Block(BlockWith("abcdefghijklmnopqrstuvwxyz0123", '2', '3').data(), info);
    EXPECT_STREQ(info.comment, "abcdefghijklmnopqrstuvwxyz0123");
    EXPECT_FALSE(info.hasTrack);
    EXPECT_EQ(info.genre, 17);

    // v1.1: zero, then the track number; the comment is cut at 28 characters.
    ParseID3v1Block(BlockWith("abcdefghijklmnopqrstuvwxyz01", 0, 9).data(), info);
    EXPECT_STREQ(info.comment, "abcdefghijklmnopqrstuvwxyz01");
    EXPECT_TRUE(info.hasTrack);
    EXPECT_EQ(info.track, 9);

    // Both zero: no track, and still only 28 comment characters.
    ParseID3v1Block(BlockWith("abcdefghijklmnopqrstuvwxyz01", 0, 0).data(), info);
    EXPECT_FALSE(info.hasTrack);
    EXPECT_EQ(std::strlen(info.comment), 28u);
}

TEST(ID3v1Block, BuildCutsFieldsAndPadsWithZeros)
{
    ID3TagInfo info;
    SetTagTitle(info, std::string(40, 'T'));
    SetTagArtist(info, "Artist");
    SetTagYear(info, "199912");
    SetTagComment(info, std::string(30, 'c'));
    info.genre = 255;
    info.hasTrack = 1;
    info.track = 300;
    ID3v1Block block;
    BuildID3v1FromInfo(block.data(), info);

    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data()), 3), "TAG");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&block[3]), 30), std::string(30, 'T')); // no terminator
    EXPECT_EQ(block[33 + 6], 0); // padding is zero bytes, never blanks
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&block[93]), 4), "1999");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&block[97]), 28), std::string(28, 'c'));
    EXPECT_EQ(block[125], 0);
    EXPECT_EQ(block[126], 44); // 300 keeps its low 8 bits
    EXPECT_EQ(block[127], 255);

    info.hasTrack = 0;
    info.genre = 200; // an unnamed genre stays as it is
    BuildID3v1FromInfo(block.data(), info);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&block[97]), 30), std::string(30, 'c'));
    EXPECT_EQ(block[127], 200);
    ID3TagInfo back;
    ParseID3v1Block(block.data(), back);
    EXPECT_EQ(back.genre, 200);
    EXPECT_EQ(GenreName(back.genre), "");
}

TEST(ID3v1Block, RoundTripsEveryField)
{
    ID3TagInfo info;
    SetTagTitle(info, "Caf\xE9 del Mar"); // Latin-1 text stays byte for byte
    SetTagArtist(info, "Someone  "); // trailing blanks are kept
    SetTagAlbum(info, "Album");
    SetTagYear(info, "2024");
    SetTagComment(info, "A comment");
    info.genre = 147;
    info.hasTrack = 1;
    info.track = 12;
    ID3v1Block block;
    BuildID3v1FromInfo(block.data(), info);
    ID3TagInfo back;
    ParseID3v1Block(block.data(), back);
    EXPECT_STREQ(back.title, info.title);
    EXPECT_STREQ(back.artist, info.artist);
    EXPECT_STREQ(back.album, info.album);
    EXPECT_STREQ(back.year, info.year);
    EXPECT_STREQ(back.comment, info.comment);
    EXPECT_EQ(back.genre, info.genre);
    EXPECT_EQ(back.hasTrack, info.hasTrack);
    EXPECT_EQ(back.track, info.track);
}

TEST(ReadID3v1Tag, ReadsOnlyATagInTheLast128Bytes)
{
    TempDir dir;
    ID3TagInfo info;
    SetTagTitle(info, "untouched");

    EXPECT_FALSE(ReadID3v1Tag(dir.File("missing.mp3"), info));
    const Bytes tag = ID3v1();
    WriteFile(dir.File("short.mp3"), Bytes(tag.begin(), tag.begin() + 100));
    EXPECT_FALSE(ReadID3v1Tag(dir.File("short.mp3"), info));
    Bytes notTag = ID3v1();
    Append(notTag, Bytes(10, 0)); // the tag is not at the end
    WriteFile(dir.File("moved.mp3"), notTag);
    EXPECT_FALSE(ReadID3v1Tag(dir.File("moved.mp3"), info));
    ASSERT_EQ(::mkfifo(dir.File("pipe.mp3").c_str(), 0600), 0);
    EXPECT_FALSE(ReadID3v1Tag(dir.File("pipe.mp3"), info)); // refused at once, not waiting for a writer
    EXPECT_FALSE(ReadID3v1Tag(dir.Path().string(), info));
    EXPECT_STREQ(info.title, "untouched");

    Bytes file = Frames(FrameSpec {}, 2);
    Append(file, ID3v1("Song", "Band", 4, 13));
    WriteFile(dir.File("tagged.mp3"), file);
    ASSERT_TRUE(ReadID3v1Tag(dir.File("tagged.mp3"), info));
    EXPECT_STREQ(info.title, "Song");
    EXPECT_STREQ(info.artist, "Band");
    EXPECT_EQ(info.track, 4);
    EXPECT_EQ(info.genre, 13);
}

TEST(GenreNames, HasTheStandardListWithItsUsualSpellings)
{
    EXPECT_EQ(GenreNames.size(), 148u);
    EXPECT_EQ(GenreName(0), "Blues");
    EXPECT_EQ(GenreName(40), "Alt. Rock");
    EXPECT_EQ(GenreName(59), "Gangsta");
    EXPECT_EQ(GenreName(67), "Psychadelic");
    EXPECT_EQ(GenreName(79), "Hard Rock");
    EXPECT_EQ(GenreName(144), "Trash Metal");
    EXPECT_EQ(GenreName(146), "Jpop");
    EXPECT_EQ(GenreName(147), "Synthpop");
    EXPECT_EQ(GenreName(148), "");
    EXPECT_EQ(GenreName(255), "");
    EXPECT_EQ(GenreName(-1), "");
}
