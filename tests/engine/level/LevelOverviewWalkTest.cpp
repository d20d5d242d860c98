// The frame walk behind the level overview: frames in sync across the ends of its runs of bytes,
// the same frames (with the same main data) found again past junk, and a long file read in pieces
// on two threads as it reads in one walk.
#include "engine/level/LevelOverview.h"
#include "engine/stream/MpegFrameHeader.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

namespace {

// Windows of exactly one frame (1152 samples at 44.1 kHz): with no LAME tag to skip, window k holds
// the second granule of frame k - 1 and the first of frame k.
constexpr double kFrameWindowMs = 1152000.0 / 44100.0;

// Where each frame of a stream of frames (no tags) starts.
std::vector<size_t> FrameStarts(const Bytes& stream)
{
    std::vector<size_t> starts;
    for (size_t p = 0; p + 4 <= stream.size();) {
        const auto header = DecodeFrameHeader(&stream[p]);
        if (!header)
            break;
        starts.push_back(p);
        p += static_cast<size_t>(header->frameLength);
    }
    return starts;
}

// once repeated until the stream holds at least bytes; copies: how many times.
Bytes RepeatedPast(const Bytes& once, size_t bytes, int& copies)
{
    Bytes stream;
    for (copies = 0; stream.size() < bytes; ++copies)
        Append(stream, once);
    return stream;
}

// Windows of one copy that read otherwise in the next copy (windows of one frame, frames a copy).
size_t WindowsThatDifferFromTheNextCopy(const std::vector<float>& levels, size_t frames)
{
    size_t differ = 0;
    for (size_t k = 1; k + frames < levels.size(); ++k)
        differ += levels[k] != levels[k + frames] ? 1 : 0;
    return differ;
}

// stream with 3000 bytes of junk before the frame at cut: zeros, then at headerAt a lone header
// the next bytes do not confirm.
Bytes WithJunkBefore(const Bytes& stream, size_t cut, size_t headerAt)
{
    Bytes junk(3000, 0);
    const Bytes lone = FrameHeaderBytes(FrameSpec {});
    std::copy(lone.begin(), lone.end(), junk.begin() + static_cast<long>(headerAt));
    Bytes damaged(stream.begin(), stream.begin() + static_cast<long>(cut));
    Append(damaged, junk);
    damaged.insert(damaged.end(), stream.begin() + static_cast<long>(cut), stream.end());
    return damaged;
}

// Writes into stream, from at, a chain of three headers of 1,044-byte frames, each at the end of
// the one before: a stream a search can find and walk though no real frame starts there. The
// positions of the three headers.
std::vector<size_t> PutFalseChain(Bytes& stream, size_t at)
{
    FrameSpec longFrame;
    longFrame.bitrateIndex = 14;
    const auto longLength = static_cast<size_t>(FrameLengthOf(longFrame));
    const Bytes lone = FrameHeaderBytes(longFrame);
    std::vector<size_t> positions;
    for (size_t k = 0; k < 3; ++k) {
        positions.push_back(at + k * longLength);
        std::copy(lone.begin(), lone.end(), stream.begin() + static_cast<long>(positions.back()));
    }
    return positions;
}

} // namespace

TEST(LevelOverviewWalk, ReadsEveryCopyOfAStreamAlikeAcrossALongFileAndPastJunk)
{
    // Four seconds of music, its first frame without reservoir (as an encoder starts), repeated
    // past 9 MB: every copy must read the same, wherever the walk's runs of bytes end and
    // wherever its second piece (read on a thread of its own) takes over.
    const Bytes once = EncodePcm(MakeMusic(4.0), 0, true, false, 2);
    const size_t frames = FrameStarts(once).size();
    ASSERT_GT(frames, 100u);
    ASSERT_EQ(
        FrameStarts(once).back() + static_cast<size_t>(DecodeFrameHeader(&once[FrameStarts(once).back()])->frameLength),
        once.size());
    int copies = 0;
    const Bytes stream = RepeatedPast(once, size_t { 9 } << 20, copies);
    TempDir dir;
    WriteFile(dir.File("long.mp3"), stream);
    std::string error;
    const auto clean = ReadLevelOverview(dir.File("long.mp3"), kFrameWindowMs, error);
    ASSERT_TRUE(clean) << error;
    ASSERT_EQ(clean->windowSamples, 1152);
    ASSERT_EQ(clean->levelsDb.size(), frames * static_cast<size_t>(copies));
    EXPECT_EQ(WindowsThatDifferFromTheNextCopy(clean->levelsDb, frames), 0u);

    // Junk between two frames (zeros, then a lone header the next bytes do not confirm) is passed
    // over: the frames after it, with their reservoir, read as before.
    const auto starts = FrameStarts(stream);
    const size_t cut = starts[starts.size() / 2];
    const Bytes damaged = WithJunkBefore(stream, cut, 1000);
    WriteFile(dir.File("junk.mp3"), damaged);
    const auto passed = ReadLevelOverview(dir.File("junk.mp3"), kFrameWindowMs, error);
    ASSERT_TRUE(passed) << error;
    EXPECT_EQ(passed->levelsDb, clean->levelsDb);

    // A stream cut off inside its last frame: the frames before it read as before.
    Bytes truncated(stream.begin(), stream.begin() + static_cast<long>(starts.back() + 100));
    WriteFile(dir.File("truncated.mp3"), truncated);
    const auto cutShort = ReadLevelOverview(dir.File("truncated.mp3"), kFrameWindowMs, error);
    ASSERT_TRUE(cutShort) << error;
    ASSERT_EQ(cutShort->levelsDb.size(), clean->levelsDb.size() - 1);
    for (size_t k = 0; k + 1 < cutShort->levelsDb.size(); ++k)
        ASSERT_EQ(cutShort->levelsDb[k], clean->levelsDb[k]) << "window " << k;
}

TEST(LevelOverviewWalk, PassesOverZerosRightAfterTheFirstFrame)
{
    // Zeros where the second audio frame's header should be: no header has been decoded in sync
    // yet, and zeros must not pass for one (a frame of no length, walked for ever).
    const FrameSpec shape;
    Bytes stream = InfoFrame(shape);
    Append(stream, Frames(shape, 1));
    stream.resize(stream.size() + 2000, 0);
    Append(stream, Frames(shape, 50));
    TempDir dir;
    WriteFile(dir.File("zeros.mp3"), stream);
    std::string error;
    const auto overview = ReadLevelOverview(dir.File("zeros.mp3"), kFrameWindowMs, error);
    ASSERT_TRUE(overview) << error;
    EXPECT_EQ(overview->totalSamples, 51 * 1152);
}

TEST(LevelOverviewWalk, ReadsOnAloneWhereTheSecondPieceBeginsOffTheStream)
{
    // 8.9 MB of equal frames (two pieces); inside the bodies of those around the middle, a chain
    // of three headers of longer frames, each at the end of the one before. The second piece's
    // search from the middle finds the chain first and walks it; the walk from the start never
    // meets it, so the first piece's walk must read on to the end instead of handing over.
    const FrameSpec shape; // 417 bytes
    const int count = 21401; // odd: the middle lies inside a frame, 208 bytes in
    Bytes stream = Frames(shape, count);
    const size_t middle = static_cast<size_t>(count / 2) * 417;
    // 300, 93 and 303 bytes into frames: never on a real header.
    EXPECT_EQ(PutFalseChain(stream, middle + 300), (std::vector<size_t> { middle + 300, middle + 1344, middle + 2388 }));
    TempDir dir;
    WriteFile(dir.File("offstream.mp3"), stream);
    std::string error;
    const auto overview = ReadLevelOverview(dir.File("offstream.mp3"), kFrameWindowMs, error);
    ASSERT_TRUE(overview) << error;
    EXPECT_EQ(overview->totalSamples, int64_t { count } * 1152);

    // Cancelled, both walks stop.
    const std::atomic<bool> cancel { true };
    EXPECT_FALSE(ReadLevelOverview(dir.File("offstream.mp3"), kFrameWindowMs, error, &cancel));
    EXPECT_TRUE(error.empty()) << error;
}

TEST(LevelOverviewWalk, ReadsAFileOfManyPiecesAsOneWalkFromItsStartDoes)
{
    // Music repeated past 17 MB: four pieces of about 4 MB, read by two threads in whichever
    // order they take them. Every copy must read alike across the three handovers, and junk
    // across the third piece's start must leave the levels as they were.
    const Bytes once = EncodePcm(MakeMusic(4.0), 0, true, false, 2);
    const size_t frames = FrameStarts(once).size();
    int copies = 0;
    const Bytes stream = RepeatedPast(once, size_t { 17 } << 20, copies);
    TempDir dir;
    WriteFile(dir.File("long.mp3"), stream);
    std::string error;
    const auto clean = ReadLevelOverview(dir.File("long.mp3"), kFrameWindowMs, error);
    ASSERT_TRUE(clean) << error;
    ASSERT_EQ(clean->levelsDb.size(), frames * static_cast<size_t>(copies));
    EXPECT_EQ(WindowsThatDifferFromTheNextCopy(clean->levelsDb, frames), 0u);

    // 3000 bytes of zeros and a lone header from the last frame start before the middle: with
    // them the third piece starts 1500 bytes past that frame, inside the junk.
    const auto starts = FrameStarts(stream);
    const size_t cut = *std::prev(std::upper_bound(starts.begin(), starts.end(), stream.size() / 2));
    const Bytes damaged = WithJunkBefore(stream, cut, 2000);
    ASSERT_GT((damaged.size() / 4) * 2, cut);
    ASSERT_LT((damaged.size() / 4) * 2, cut + 3000);
    WriteFile(dir.File("junk.mp3"), damaged);
    const auto passed = ReadLevelOverview(dir.File("junk.mp3"), kFrameWindowMs, error);
    ASSERT_TRUE(passed) << error;
    EXPECT_EQ(passed->levelsDb, clean->levelsDb);
}

TEST(LevelOverviewWalk, ReadsThroughAPieceWhoseSearchLandsOffTheStreamAndHandsOverAtTheNext)
{
    // 16.8 MB of equal frames (four pieces); just past the second piece's start, inside a frame,
    // a chain of three headers of longer frames that that piece's search walks. The walk before
    // it must read that piece too and hand over at the third: every frame counts once.
    const FrameSpec shape; // 417 bytes
    const int count = 40237;
    Bytes stream = Frames(shape, count);
    const size_t pieceStart = stream.size() / 4;
    ASSERT_NE(pieceStart % 417, 0u);
    for (const size_t at : PutFalseChain(stream, pieceStart + 10)) {
        ASSERT_GT(at % 417, 3u); // never over a real header
        ASSERT_LT(at % 417, 413u);
    }
    TempDir dir;
    WriteFile(dir.File("offstream.mp3"), stream);
    std::string error;
    const auto overview = ReadLevelOverview(dir.File("offstream.mp3"), kFrameWindowMs, error);
    ASSERT_TRUE(overview) << error;
    EXPECT_EQ(overview->totalSamples, int64_t { count } * 1152);
}
