// Pieces of a source with an ID3v2 tag carry that tag with their own values, read back by TagLib.
#include "engine/cut/SplitRun.h"
#include "engine/stream/ID3TagText.h"
#include "engine/stream/ReadSourceTag.h"
#include "tests/engine/cut/CutTestSupport.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/ID3v2Builder.h"
#include "tests/support/Mp3Layout.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

constexpr int kFrames = 600; // 417-byte frames, 15.7 s at 44100 Hz

class PieceID3v2TagTest : public ::testing::Test {
protected:
    // A source of marked frames with the given ID3v2 block in front and an ID3v1 tag at the end.
    void MakeSource(const Bytes& id3v2)
    {
        frames = MarkedFrames(kFrames);
        Bytes all = id3v2;
        Append(all, Join(frames, 0, frames.size()));
        Append(all, ID3v1("Album Side", "Band", 7, 17));
        WriteFile(dir.File("side.mp3"), all);
        source.path = dir.File("side.mp3");
        source.totalSize = all.size();
        source.totalDuration = static_cast<int32_t>(kFrames * 1152 / 4410);
        ASSERT_TRUE(ReadSourceTag(source.path, source.tag));
    }

    // The piece's audio frames are a run of the source's, whatever the tag in front of them.
    void ExpectSourceFrames(const std::string& path) const
    {
        const Mp3Layout piece = ReadMp3Layout(ReadFile(path));
        ASSERT_FALSE(piece.frames.empty());
        const auto first = std::find(frames.begin(), frames.end(), piece.frames[0]);
        ASSERT_NE(first, frames.end());
        EXPECT_EQ(
            JoinFrames(piece.frames), Join(frames, static_cast<size_t>(first - frames.begin()), piece.frames.size()));
        EXPECT_TRUE(piece.hasID3v1);
    }

    TempDir dir;
    std::vector<Bytes> frames;
    CutterSource source;
    SplitSettings settings;
    std::string errorText;
};

} // namespace

TEST_F(PieceID3v2TagTest, EachPieceGetsItsOwnTrackAndKeepsEveryOtherFrame)
{
    const ID3v2TagValues values;
    MakeSource(MakeID3v2Tag(values));
    EXPECT_EQ(TagText(source.tag, TagField::Artist), values.artist); // the source's record holds the Unicode text
    ASSERT_TRUE(CutByCount(source, 3, settings, errorText)) << errorText;
    ASSERT_EQ(source.outputFiles.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        const auto tag = ReadID3v2Back(source.outputFiles[i]);
        ASSERT_TRUE(tag) << i;
        EXPECT_EQ(tag->version, 4);
        EXPECT_EQ(tag->track, std::to_string(i + 1));
        EXPECT_EQ(tag->title, values.title);
        EXPECT_EQ(tag->artist, values.artist);
        EXPECT_EQ(tag->album, values.album);
        EXPECT_EQ(tag->year, values.year);
        EXPECT_EQ(tag->comment, values.comment);
        EXPECT_EQ(tag->genre, values.genre);
        ASSERT_EQ(tag->pictures.size(), 1u);
        EXPECT_EQ(tag->pictures[0], values.picture);
        EXPECT_EQ(tag->lyrics, values.lyrics);
        EXPECT_EQ(tag->replayGain, "-6.5 dB");
        ExpectSourceFrames(source.outputFiles[i]);
        ID3TagInfo v1;
        ASSERT_TRUE(ReadID3v1Tag(source.outputFiles[i], v1));
        EXPECT_EQ(v1.track, static_cast<int>(i + 1));
        EXPECT_STREQ(v1.artist,
            "\xC6r\xF8sk\xF8"
            "bing Ensemble ??"); // Latin-1, "?" for what it cannot hold
    }
}

TEST_F(PieceID3v2TagTest, AVersion23TagStaysVersion23AndNoTrackRemovesTrck)
{
    ID3v2TagValues values;
    values.version = 3;
    MakeSource(MakeID3v2Tag(values));
    settings.options.ID3v1TagTrackNoType = TrackNoNull;
    ASSERT_TRUE(CutByCount(source, 2, settings, errorText)) << errorText;
    ASSERT_EQ(source.outputFiles.size(), 2u);
    for (const std::string& piece : source.outputFiles) {
        const auto tag = ReadID3v2Back(piece);
        ASSERT_TRUE(tag);
        EXPECT_EQ(tag->version, 3);
        EXPECT_FALSE(tag->track);
        EXPECT_EQ(tag->title, values.title);
        EXPECT_EQ(tag->artist, values.artist);
        EXPECT_EQ(tag->year, values.year); // written as TYER
        ASSERT_EQ(tag->pictures.size(), 1u);
        EXPECT_EQ(tag->pictures[0], values.picture);
        ExpectSourceFrames(piece);
    }
}

TEST_F(PieceID3v2TagTest, PiecesOfTheCutterTakeTheTitlesTypedForThem)
{
    MakeSource(MakeID3v2Tag({}));
    std::vector<PieceEntry> entries(3);
    const char* titles[] = { "Erste Seite – Anfang", "Zweite", "" };
    for (int i = 0; i < 3; ++i) {
        entries[i].start = i * 50;
        entries[i].end = (i + 1) * 50;
        entries[i].checked = true;
        entries[i].tag = source.tag;
        SetTagText(entries[i].tag, TagField::Title, titles[i]);
    }
    entries[1].trackNoType = TrackNoCustom;
    entries[1].tag.track = 42;
    entries[2].trackNoType = TrackNoNull;
    ASSERT_TRUE(CutBySelection(source, entries, settings, errorText)) << errorText;
    ASSERT_EQ(source.outputFiles.size(), 3u);
    const auto first = ReadID3v2Back(entries[0].outputPath);
    const auto second = ReadID3v2Back(entries[1].outputPath);
    const auto third = ReadID3v2Back(entries[2].outputPath);
    ASSERT_TRUE(first && second && third);
    EXPECT_EQ(first->title, titles[0]);
    EXPECT_EQ(first->track, "1");
    EXPECT_EQ(second->title, "Zweite");
    EXPECT_EQ(second->track, "42");
    EXPECT_EQ(third->title, ""); // an emptied title removes TIT2
    EXPECT_FALSE(third->track);
    EXPECT_EQ(third->pictures.size(), 1u);
    ID3TagInfo v1;
    ASSERT_TRUE(ReadID3v1Tag(entries[0].outputPath, v1));
    EXPECT_STREQ(v1.title, "Erste Seite ? Anfang");
}

TEST_F(PieceID3v2TagTest, ATagTagLibCannotReadWhollyIsCopiedUnchanged)
{
    // A frame of size 0 in the middle: TagLib would stop there and drop the frames after it.
    Bytes good = MakeID3v2Tag({});
    Bytes broken(good.begin(), good.begin() + 10);
    const Bytes empty { 'T', 'I', 'T', '1', 0, 0, 0, 0, 0, 0 };
    Append(broken, empty);
    broken.insert(broken.end(), good.begin() + 10, good.end());
    const uint32_t size = static_cast<uint32_t>(broken.size() - 10);
    for (int i = 0; i < 4; ++i)
        broken[6 + i] = static_cast<uint8_t>((size >> (21 - 7 * i)) & 0x7F);
    MakeSource(broken);
    ASSERT_TRUE(CutByCount(source, 2, settings, errorText)) << errorText;
    for (const std::string& piece : source.outputFiles) {
        const Bytes bytes = ReadFile(piece);
        ASSERT_GE(bytes.size(), broken.size());
        EXPECT_TRUE(std::equal(broken.begin(), broken.end(), bytes.begin()));
        ExpectSourceFrames(piece);
    }
}

TEST_F(PieceID3v2TagTest, ASourceWithoutID3v2GivesPiecesWithoutOne)
{
    MakeSource({});
    ASSERT_TRUE(CutByCount(source, 2, settings, errorText)) << errorText;
    for (const std::string& piece : source.outputFiles) {
        EXPECT_FALSE(ReadID3v2Back(piece));
        EXPECT_EQ(ReadMp3Layout(ReadFile(piece)).id3v2Length, 0u);
    }
}

TEST_F(PieceID3v2TagTest, FadedPiecesGetTheirOwnTagsToo)
{
    // Marked frames do not decode: real audio.
    Bytes all = MakeID3v2Tag({});
    ToneSpec tone;
    tone.seconds = 6;
    Append(all, EncodeTone(tone));
    WriteFile(dir.File("tone.mp3"), all);
    source.path = dir.File("tone.mp3");
    source.totalSize = all.size();
    ASSERT_TRUE(ReadSourceTag(source.path, source.tag));
    settings.options.EnableFadeIn = true;
    settings.options.FadeInLen = 5;
    ASSERT_TRUE(CutByCount(source, 2, settings, errorText)) << errorText;
    ASSERT_EQ(source.outputFiles.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const auto tag = ReadID3v2Back(source.outputFiles[i]);
        ASSERT_TRUE(tag);
        EXPECT_EQ(tag->track, std::to_string(i + 1));
        EXPECT_EQ(tag->pictures.size(), 1u);
    }
}
