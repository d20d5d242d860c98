#include "engine/cut/SplitRun.h"
#include "engine/cut/FadeCutter.h"
#include "engine/cut/FrameCopyCutter.h"
#include "engine/cut/SplitPlan.h"
#include "engine/cut/SplitRunSteps.h"
#include "tests/engine/cut/CutTestSupport.h"
#include "tests/support/Mp3Layout.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

namespace {

constexpr int kFrames = 1000; // 417-byte frames, 26.1 s at 44100 Hz

class SplitRunTest : public ::testing::Test {
protected:
    SplitRunTest()
        : frames(MarkedFrames(kFrames))
    {
        Bytes all = Join(frames, 0, frames.size());
        Append(all, ID3v1("Song", "Band", 7));
        WriteFile(dir.File("song.mp3"), all);
        source.path = dir.File("song.mp3");
        source.totalSize = static_cast<uint32_t>(all.size());
        source.totalDuration = static_cast<int32_t>(kFrames * 1152 / 4410);
        SetTagTitle(source.tag, "Song");
        source.tag.hasTrack = 1;
        source.tag.track = 7;
        settings.job = &job;
    }

    // The source frames a piece plays: the index of the first and their count, checking that the
    // piece holds a run of source frames and that its LAME tag drops exactly its priming frames.
    std::pair<size_t, size_t> FramesOf(const std::string& path) const
    {
        const Mp3Layout piece = ReadMp3Layout(ReadFile(path));
        EXPECT_TRUE(piece.hasID3v1);
        if (piece.frames.empty())
            return { 0, 0 };
        const auto first = std::find(frames.begin(), frames.end(), piece.frames[0]);
        EXPECT_NE(first, frames.end());
        const auto index = static_cast<size_t>(first - frames.begin());
        EXPECT_EQ(JoinFrames(piece.frames), Join(frames, index, piece.frames.size()));
        size_t priming = 0;
        if (piece.lame) {
            EXPECT_TRUE(LameCrcsHold(piece));
            EXPECT_EQ(piece.frameCount, piece.frames.size());
            priming = static_cast<size_t>((piece.lame->delay + 529) / 1152);
        }
        // This source has no information frame: only pieces with priming frames get one.
        EXPECT_EQ(piece.infoFrame.empty(), priming == 0);
        return { index + priming, piece.frames.size() - priming };
    }

    ID3TagInfo TagOf(const std::string& path) const
    {
        ID3TagInfo tag {};
        EXPECT_TRUE(ReadID3v1Tag(path, tag));
        return tag;
    }

    size_t FilesInDir() const
    {
        size_t count = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::recursive_directory_iterator(dir.Path()))
            ++count;
        return count;
    }

    TempDir dir;
    std::vector<Bytes> frames;
    CutterSource source;
    RecordingJob job;
    SplitSettings settings;
    std::string errorText;
};

} // namespace

TEST(SplitPlan, ChecksAndPieceCounts)
{
    SplitPlan plan;
    std::string error;
    EXPECT_FALSE(PlanBySize(1048576, 1024, plan, error));
    EXPECT_EQ(error, "The size of each piece is too large.");
    EXPECT_FALSE(PlanBySize(1048576, 0, plan, error));
    EXPECT_EQ(error, "The size of each piece is too small.");
    ASSERT_TRUE(PlanBySize(1048577, 1024, plan, error));
    EXPECT_EQ(plan.pieceCount, 2u);
    ASSERT_TRUE(PlanBySize(5000000, 1024, plan, error));
    EXPECT_EQ(plan.pieceAmount, 1048576);
    EXPECT_EQ(plan.pieceCount, 5u);

    EXPECT_FALSE(PlanByCount(1000000, 1, plan, error));
    EXPECT_EQ(error, "The file count should be greater than or equal to 2.");
    EXPECT_FALSE(PlanByCount(1000000, 2000000, plan, error));
    EXPECT_EQ(error, "The file count is too big.");
    ASSERT_TRUE(PlanByCount(10000000, 3, plan, error));
    EXPECT_EQ(plan.pieceAmount, 3333333);
    EXPECT_EQ(plan.pieceCount, 3u);

    // Sources of 4 GiB and more are planned by their whole size, not its low 32 bits.
    const uint64_t sixGiB = uint64_t { 6 } << 30;
    ASSERT_TRUE(PlanBySize(sixGiB, 1 << 20, plan, error));
    EXPECT_EQ(plan.pieceAmount, int64_t { 1 } << 30);
    EXPECT_EQ(plan.pieceCount, 6u);
    ASSERT_TRUE(PlanBySize(uint64_t { 1 } << 32, 32767, plan, error)); // its low 32 bits are 0
    EXPECT_EQ(plan.pieceCount, 129u);
    ASSERT_TRUE(PlanByCount(sixGiB, 3, plan, error));
    EXPECT_EQ(plan.pieceAmount, int64_t { 2 } << 30);

    EXPECT_FALSE(PlanByTime(1805, 0, 0, plan, error));
    EXPECT_EQ(error, "The duration of each piece is too short.");
    EXPECT_FALSE(PlanByTime(600, 1, 0, plan, error));
    EXPECT_EQ(error, "The duration of each piece is too long.");
    ASSERT_TRUE(PlanByTime(1805, 1, 0, plan, error));
    EXPECT_EQ(plan.pieceCount, 4u);
    ASSERT_TRUE(PlanByTime(1800, 0, 60, plan, error));
    EXPECT_EQ(plan.pieceCount, 3u);
}

TEST(SplitRunSteps, FadesOfNoLengthCopyFrames)
{
    CutOptions options;
    options.EnableFadeIn = true;
    options.FadeInLen = 0;
    EXPECT_NE(dynamic_cast<FrameCopyCutter*>(MakePieceCutter(options).get()), nullptr);
    options.EnableFadeOut = true;
    options.FadeOutLen = 1;
    EXPECT_NE(dynamic_cast<FadeCutter*>(MakePieceCutter(options).get()), nullptr);
    options.EnableFadeOut = false;
    options.EnableFadeIn = false;
    options.FadeInLen = 10;
    EXPECT_NE(dynamic_cast<FrameCopyCutter*>(MakePieceCutter(options).get()), nullptr);
}

TEST_F(SplitRunTest, ByCountPiecesFollowEachOtherAndEndAtTheLastFrame)
{
    ASSERT_TRUE(CutByCount(source, 3, settings, errorText));
    ASSERT_EQ(source.outputFiles.size(), 3u);
    EXPECT_EQ(source.outputFiles[0], dir.File("song_01.mp3"));
    EXPECT_EQ(source.outputFiles[2], dir.File("song_03.mp3"));
    size_t expectedStart = 0;
    for (size_t i = 0; i < 3; ++i) {
        const auto [first, count] = FramesOf(source.outputFiles[i]);
        EXPECT_EQ(first, expectedStart) << i;
        if (i < 2) { // at least a third of the file's bytes
            EXPECT_GE(count * 417, source.totalSize / 3);
        }
        expectedStart = first + count;
        const ID3TagInfo tag = TagOf(source.outputFiles[i]);
        EXPECT_STREQ(tag.title, "Song");
        EXPECT_EQ(tag.track, static_cast<int>(i + 1));
    }
    EXPECT_EQ(expectedStart, static_cast<size_t>(kFrames));
}

TEST_F(SplitRunTest, TrackNumbersFollowTheRule)
{
    settings.options.ID3v1TagTrackNoType = TrackNoSource;
    ASSERT_TRUE(CutByTime(source, 0, 10, settings, errorText));
    ASSERT_EQ(source.outputFiles.size(), 3u);
    for (const auto& piece : source.outputFiles)
        EXPECT_EQ(TagOf(piece).track, 7);
    for (const int rule : { TrackNoCustom, TrackNoNull }) {
        settings.options.ID3v1TagTrackNoType = rule;
        ASSERT_TRUE(CutByTime(source, 0, 10, settings, errorText));
        for (const auto& piece : source.outputFiles)
            EXPECT_EQ(TagOf(piece).hasTrack, 0) << rule;
    }
}

TEST_F(SplitRunTest, ASecondRunReplacesTheFirstRunsPieces)
{
    WriteFile(dir.File("song_01.mp3"), { 1, 2, 3 }); // left from elsewhere
    ASSERT_TRUE(CutBySize(source, 150, settings, errorText));
    ASSERT_EQ(source.outputFiles.size(), 3u);
    EXPECT_EQ(source.outputFiles[0], dir.File("song_02.mp3"));
    const size_t filesAfterFirst = FilesInDir();
    ASSERT_TRUE(CutBySize(source, 150, settings, errorText));
    EXPECT_EQ(source.outputFiles[0], dir.File("song_02.mp3"));
    EXPECT_EQ(source.outputFiles[2], dir.File("song_04.mp3"));
    EXPECT_EQ(FilesInDir(), filesAfterFirst);
    EXPECT_EQ(ReadFile(dir.File("song_01.mp3")), Bytes({ 1, 2, 3 }));
}

TEST_F(SplitRunTest, APieceNameThatIsNoLongerARegularFileIsNotDeleted)
{
    ASSERT_TRUE(CutBySize(source, 150, settings, errorText));
    ASSERT_EQ(source.outputFiles.size(), 3u);
    // Between the runs another program puts a FIFO and a folder where two pieces were.
    const std::string fifo = source.outputFiles[0];
    const std::string folder = source.outputFiles[1];
    std::filesystem::remove(fifo);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::filesystem::remove(folder);
    std::filesystem::create_directory(folder);
    ASSERT_TRUE(CutBySize(source, 150, settings, errorText));
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(source.outputFiles[0], dir.File("song_03.mp3")); // the lowest names still free
}

TEST_F(SplitRunTest, FailedCheckKeepsThePreviousPieces)
{
    ASSERT_TRUE(CutByCount(source, 2, settings, errorText));
    EXPECT_FALSE(CutByCount(source, 1, settings, errorText));
    EXPECT_EQ(errorText, "The file count should be greater than or equal to 2.");
    EXPECT_EQ(source.outputFiles.size(), 2u);
    EXPECT_TRUE(FileIsThere(dir.File("song_02.mp3")));
}

TEST_F(SplitRunTest, CancelInTheSecondPieceLeavesNoPiece)
{
    // Two pumps before the first piece, two in its prologue, one per frame.
    RecordingJob cancelling(2 + 2 + 334 + 2 + 100);
    settings.job = &cancelling;
    EXPECT_TRUE(CutByCount(source, 3, settings, errorText)); // the cutter page reports no failure
    EXPECT_TRUE(cancelling.cancelled);
    EXPECT_TRUE(source.outputFiles.empty());
    EXPECT_EQ(FilesInDir(), 1u);

    BatchFileSource row { source.path, source.tag, kFrames * 1152, 44100, {} };
    RecordingJob cancellingBatch(2 + 2 + 334 + 2 + 100);
    settings.job = &cancellingBatch;
    EXPECT_FALSE(CutByCount(row, 3, settings, errorText));
    EXPECT_TRUE(row.outputFiles.empty());
    EXPECT_EQ(FilesInDir(), 1u);
}

TEST_F(SplitRunTest, WriteErrorFailsTheRunAndTakesItsPiecesBack)
{
    std::vector<PieceEntry> entries(3);
    entries[0] = { 0, 10, true, TrackNoSequence, source.tag, "" };
    entries[1] = { 10, 150, true, TrackNoSequence, source.tag, "" };
    entries[2] = { 150, source.totalDuration, true, TrackNoSequence, source.tag, "" };
    bool result = true;
    {
        FileSizeLimit limit(40000); // the one-second piece fits, the fourteen-second one does not
        result = CutBySelection(source, entries, settings, errorText);
    }
    EXPECT_FALSE(result);
    EXPECT_EQ(errorText, "Failed to write file \"" + dir.File("song_02.mp3") + "\".");
    EXPECT_TRUE(source.outputFiles.empty());
    EXPECT_EQ(FilesInDir(), 1u);

    BatchFileSource row { source.path, source.tag, kFrames * 1152, 44100, {} };
    {
        FileSizeLimit limit(40000);
        result = CutByCount(row, 3, settings, errorText);
    }
    EXPECT_FALSE(result);
    EXPECT_EQ(errorText, "Failed to write file \"" + dir.File("song_01.mp3") + "\".");
    EXPECT_EQ(FilesInDir(), 1u);
}

TEST_F(SplitRunTest, UnreadableSourceFailsWithTheLoadMessage)
{
    ASSERT_TRUE(CutByCount(source, 2, settings, errorText));
    WriteFile(source.path, Bytes(5000, 0x20)); // no frame anywhere
    EXPECT_FALSE(CutByCount(source, 2, settings, errorText));
    EXPECT_EQ(errorText, "Failed to load file \"" + source.path + "\".");
    EXPECT_TRUE(source.outputFiles.empty()); // the previous pieces were deleted first
    EXPECT_FALSE(FileIsThere(dir.File("song_01.mp3")));
}

TEST_F(SplitRunTest, SelectionWritesCheckedEntriesAndTheLastRunsToTheEnd)
{
    std::vector<PieceEntry> entries(1);
    entries[0] = { 0, source.totalDuration, true, TrackNoSequence, source.tag, "" };
    EXPECT_FALSE(CutBySelection(source, entries, settings, errorText));
    EXPECT_EQ(errorText, "Please add a piece and check it first.");

    entries = std::vector<PieceEntry>(3);
    entries[0] = { 0, 50, true, TrackNoSequence, source.tag, "" };
    entries[1] = { 50, 100, false, TrackNoSequence, source.tag, "" };
    entries[2] = { 100, 120, true, TrackNoCustom, source.tag, "" };
    entries[2].tag.track = 42;
    ASSERT_TRUE(CutBySelection(source, entries, settings, errorText));
    ASSERT_EQ(source.outputFiles.size(), 2u);
    EXPECT_EQ(entries[0].outputPath, dir.File("song_01.mp3"));
    EXPECT_EQ(entries[2].outputPath, dir.File("song_02.mp3"));
    EXPECT_TRUE(entries[1].outputPath.empty());

    // Pieces are cut to the sample. Five seconds are 220,500 samples: frames 0-191 cover them, after
    // a silent frame that the tag drops (this source has no tag of its own to drop from). The last
    // piece starts at sample 441,000, 936 samples into frame 382, primed by the three before.
    const Mp3Layout first = ReadMp3Layout(ReadFile(entries[0].outputPath));
    ASSERT_TRUE(first.lame);
    EXPECT_EQ(first.frames.size(), 1u + 192u);
    EXPECT_EQ(JoinFrames({ first.frames.begin() + 1, first.frames.end() }), Join(frames, 0, 192));
    EXPECT_EQ(first.lame->delay, 1152 - 529);
    EXPECT_EQ(193 * 1152 - (first.lame->delay + 529) - (first.lame->padding - 529), 220500);
    const Mp3Layout last = ReadMp3Layout(ReadFile(entries[2].outputPath));
    ASSERT_TRUE(last.lame);
    EXPECT_EQ(JoinFrames(last.frames), Join(frames, 379, static_cast<size_t>(kFrames) - 379));
    EXPECT_EQ(last.lame->delay, 3 * 1152 + (441000 - 382 * 1152) - 529);
    EXPECT_EQ(last.lame->padding, 529);
    EXPECT_EQ(TagOf(entries[0].outputPath).track, 1);
    EXPECT_EQ(TagOf(entries[2].outputPath).track, 42);
}

TEST_F(SplitRunTest, BatchRunMeasuresItsOwnTotals)
{
    BatchFileSource row { source.path, source.tag, kFrames * 1152, 44100, {} };
    ASSERT_TRUE(CutByTime(row, 0, 10, settings, errorText));
    EXPECT_EQ(row.outputFiles.size(), 3u); // 261 tenths in pieces of 100
    row.sampleRate = 0;
    EXPECT_FALSE(CutByTime(row, 0, 10, settings, errorText));
    EXPECT_EQ(errorText, "Failed to load file \"" + source.path + "\".");
    row.path = dir.File("missing.mp3");
    EXPECT_FALSE(CutBySize(row, 10, settings, errorText));
    EXPECT_EQ(errorText, "Failed to load file \"" + row.path + "\".");
}

TEST_F(SplitRunTest, CountAndSizeShareOutTheAudioBytesNotTheTag)
{
    // A 45 KB ID3v2 tag (a cover picture) before 30 frames of 417 bytes, 12.5 KB of audio.
    Bytes file = ID3v2Block(45 * 1024);
    Append(file, Join(frames, 0, 30));
    Append(file, ID3v1("Song", "Band", 7));
    WriteFile(source.path, file);
    source.totalSize = file.size();

    // By count: three pieces of ten frames' bytes each (the first two repeat their last three
    // frames at the next piece's start).
    ASSERT_TRUE(CutByCount(source, 3, settings, errorText)) << errorText;
    ASSERT_EQ(source.outputFiles.size(), 3u);
    EXPECT_EQ(FramesOf(source.outputFiles[0]), std::make_pair(size_t { 0 }, size_t { 10 }));
    // By size: 5 KB pieces of the 12.5 KB of audio, where the whole file would allow nine.
    ASSERT_TRUE(CutBySize(source, 5, settings, errorText)) << errorText;
    EXPECT_EQ(source.outputFiles.size(), 3u);
    // A piece as large as the audio is too large, however large the tag.
    EXPECT_FALSE(CutBySize(source, 13, settings, errorText));
    EXPECT_EQ(errorText, "The size of each piece is too large.");
}
