#include "engine/cut/FrameCopyCutter.h"
#include "engine/stream/InfoFrameWriter.h"
#include "tests/engine/cut/CutTestSupport.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/Mp3Layout.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

// A source built frame by frame: optional ID3v2 block and information frame, marked frames, ID3v1.
struct BuiltSource {
    std::string path;
    Bytes id3v2;
    Bytes info;
    std::vector<Bytes> frames;
    Bytes all;
};

BuiltSource Build(const TempDir& dir, std::vector<Bytes> frames, bool withId3v2 = true, bool withInfo = true,
    uint32_t infoFlags = 0x0F)
{
    BuiltSource source;
    source.path = dir.File("source.mp3");
    if (withId3v2)
        source.id3v2 = ID3v2Block(1000);
    if (withInfo) {
        source.info = InfoFrame(FrameSpec {}, "Info", infoFlags, 9999, 8888);
        // Table of contents and quality: bytes the rewrite must leave alone.
        for (size_t i = 52; i < 152; ++i)
            source.info[i] = static_cast<uint8_t>(i);
    }
    source.frames = std::move(frames);
    Append(source.all, source.id3v2);
    Append(source.all, source.info);
    for (const auto& frame : source.frames)
        Append(source.all, frame);
    Append(source.all, ID3v1("Source", "Artist", 7));
    WriteFile(source.path, source.all);
    return source;
}

struct Layout {
    size_t firstFrame = 0; // the source frame the piece's audio starts with
    size_t frameCount = 0;
    size_t primingFrames = 0; // frames the piece's LAME tag drops at its start
    int padding = 0;
};

// Checks a piece's layout (ID3v2 tag, information frame, a contiguous run of source frames,
// ID3v1 block) and returns the run. The information frame is the source's with the piece's frame
// count, byte count and seek table, or a new one on a piece of a source without one.
Layout ReadPiece(const std::string& path, const BuiltSource& source)
{
    const Bytes piece = ReadFile(path);
    Layout layout;
    EXPECT_GE(piece.size(), source.id3v2.size() + 128);
    if (piece.size() < source.id3v2.size() + 128)
        return layout;
    const Mp3Layout read = ReadMp3Layout(piece);
    // The source's ID3v2 tag, in its version, rewritten with the piece's values.
    EXPECT_EQ(read.id3v2Length > 0, !source.id3v2.empty());
    if (!source.id3v2.empty()) {
        EXPECT_EQ(piece[3], source.id3v2[3]);
    }
    EXPECT_TRUE(read.hasID3v1);
    if (!read.frames.empty()) {
        const auto match = std::find(source.frames.begin(), source.frames.end(), read.frames[0]);
        EXPECT_NE(match, source.frames.end()) << "piece does not start with a source frame";
        if (match == source.frames.end())
            return layout;
        layout.firstFrame = static_cast<size_t>(match - source.frames.begin());
        layout.frameCount = read.frames.size();
        EXPECT_LE(layout.firstFrame + layout.frameCount, source.frames.size());
        EXPECT_EQ(JoinFrames(read.frames), Join(source.frames, layout.firstFrame, layout.frameCount));
    }
    if (read.lame) {
        EXPECT_TRUE(LameCrcsHold(read));
        EXPECT_EQ((read.lame->delay + 529) % 1152, 0);
        layout.primingFrames = static_cast<size_t>((read.lame->delay + 529) / 1152);
        layout.padding = read.lame->padding;
    }
    if (source.info.empty()) {
        EXPECT_EQ(read.infoFrame.empty(), layout.primingFrames == 0);
    } else {
        // Frame count, byte count and seek table of the piece; header, flags and quality as in the source.
        EXPECT_EQ(read.infoFrame.size(), source.info.size());
        EXPECT_EQ(read.frameCount, layout.frameCount);
        EXPECT_EQ(read.byteCount, read.infoFrame.size() + JoinFrames(read.frames).size());
        EXPECT_EQ(read.seekTable, ExpectedSeekTable(read.frames, read.infoFrame.size()));
        EXPECT_TRUE(std::equal(source.info.begin(), source.info.begin() + 44, read.infoFrame.begin()));
        EXPECT_TRUE(std::equal(source.info.begin() + 152, source.info.begin() + 156, read.infoFrame.begin() + 152));
    }
    return layout;
}

class FrameCopyCutterTest : public ::testing::Test {
protected:
    void OpenCutter(const BuiltSource& source, int leadIn = 0, int leadOut = 0)
    {
        ASSERT_TRUE(cutter.Open(source.path));
        cutter.SetCancelFlag(&job);
        cutter.SetProgressBar(&job.bar);
        cutter.SetLeadIn(leadIn);
        cutter.SetLeadOut(leadOut);
    }

    TempDir dir;
    RecordingJob job;
    FrameCopyCutter cutter;
    ID3TagInfo tag {};
    bool endReached = false;
};

} // namespace

TEST_F(FrameCopyCutterTest, PieceHoldsTagsRewrittenInfoFrameAndARunOfFrames)
{
    const auto source = Build(dir, MarkedFrames(300));
    OpenCutter(source);
    ASSERT_TRUE(cutter.WritePieceBySize(dir.File("a.mp3"), 1, &tag, endReached));
    EXPECT_FALSE(endReached);
    const Layout first = ReadPiece(dir.File("a.mp3"), source);
    EXPECT_EQ(first.firstFrame, 0u);
    EXPECT_EQ(first.frameCount, 1u); // a budget of one byte takes one whole frame

    // 100000 bytes of 417-byte frames: 240 frames reach 100080. Only one frame lies before them
    // to prime the decoder with; the budget counts the piece's own frames.
    ASSERT_TRUE(cutter.WritePieceBySize(dir.File("b.mp3"), 100000, &tag, endReached));
    const Layout second = ReadPiece(dir.File("b.mp3"), source);
    EXPECT_EQ(second.firstFrame, 0u);
    EXPECT_EQ(second.primingFrames, 1u);
    EXPECT_EQ(second.frameCount, 241u);
    EXPECT_EQ(second.padding, 529); // not the last piece: nothing trimmed at its end
}

TEST_F(FrameCopyCutterTest, SizeBudgetStopsAtTheFirstFrameThatReachesIt)
{
    // Alternating 417- and 418-byte frames.
    std::vector<Bytes> frames;
    for (int i = 0; i < 400; ++i) {
        FrameSpec shape;
        shape.padding = i % 2;
        Bytes frame = Frame(shape);
        frame[frame.size() - 1] = static_cast<uint8_t>(i & 0x7F);
        frame[frame.size() - 2] = static_cast<uint8_t>(i >> 7);
        frames.push_back(frame);
    }
    const auto source = Build(dir, frames, false, false);
    OpenCutter(source);
    ASSERT_TRUE(cutter.WritePieceBySize(dir.File("a.mp3"), 100000, &tag, endReached));
    const Layout layout = ReadPiece(dir.File("a.mp3"), source);
    size_t total = 0;
    for (size_t i = 0; i < layout.frameCount; ++i)
        total += frames[i].size();
    EXPECT_GE(total, 100000u);
    EXPECT_LT(total - frames[layout.frameCount - 1].size(), 100000u);
}

TEST_F(FrameCopyCutterTest, DurationPiecesFollowEachOtherAfterThreePrimingFrames)
{
    const auto source = Build(dir, MarkedFrames(200));
    OpenCutter(source);
    // One second at 44100 Hz: 38 frames give 43776 samples, 39 give 44928.
    ASSERT_TRUE(cutter.WritePieceByDuration(dir.File("a.mp3"), 10, &tag, endReached));
    ASSERT_TRUE(cutter.WritePieceByDuration(dir.File("b.mp3"), 10, &tag, endReached));
    const Layout first = ReadPiece(dir.File("a.mp3"), source);
    const Layout second = ReadPiece(dir.File("b.mp3"), source);
    EXPECT_EQ(first.frameCount, 39u);
    EXPECT_EQ(first.primingFrames, 0u);
    // Frames 37-39 of the first piece prime the decoder; its own frames start at the 40th.
    EXPECT_EQ(second.firstFrame, 36u);
    EXPECT_EQ(second.primingFrames, 3u);
    EXPECT_EQ(second.frameCount, 3u + 39u);
    // The rest runs to the last frame and keeps the source's padding (this source has no LAME tag).
    ASSERT_TRUE(cutter.WriteRest(dir.File("c.mp3"), &tag));
    const Layout rest = ReadPiece(dir.File("c.mp3"), source);
    EXPECT_EQ(rest.firstFrame + rest.primingFrames, 78u);
    EXPECT_EQ(rest.firstFrame + rest.frameCount, 200u);
    EXPECT_EQ(rest.padding, 529);
}

TEST_F(FrameCopyCutterTest, BudgetBeyondTheSourceWritesEverythingAndReportsTheEnd)
{
    const auto source = Build(dir, MarkedFrames(20));
    OpenCutter(source);
    ASSERT_TRUE(cutter.WritePieceBySize(dir.File("a.mp3"), 1 << 30, &tag, endReached));
    EXPECT_TRUE(endReached);
    const Layout layout = ReadPiece(dir.File("a.mp3"), source);
    EXPECT_EQ(layout.firstFrame, 0u);
    EXPECT_EQ(layout.frameCount, 20u);
}

TEST_F(FrameCopyCutterTest, TruncatedLastFrameIsNotCopied)
{
    const auto frames = MarkedFrames(10);
    Bytes all = Join(frames, 0, 10);
    Append(all, Bytes(frames[0].begin(), frames[0].begin() + 100)); // a frame cut short by the end
    WriteFile(dir.File("cut-short.mp3"), all);
    ASSERT_TRUE(cutter.Open(dir.File("cut-short.mp3")));
    ASSERT_TRUE(cutter.WriteRest(dir.File("rest.mp3"), nullptr));
    EXPECT_EQ(ReadFile(dir.File("rest.mp3")), Join(frames, 0, 10)); // no tag given: no ID3v1 block
}

TEST_F(FrameCopyCutterTest, LeadInReachesBackOnlyWhenTheHistoryCoversIt)
{
    const auto source = Build(dir, MarkedFrames(300));
    OpenCutter(source, 20, 0);
    // First piece: nothing passed yet, so no lead-in.
    ASSERT_TRUE(cutter.WritePieceByDuration(dir.File("a.mp3"), 10, &tag, endReached));
    EXPECT_EQ(ReadPiece(dir.File("a.mp3"), source).firstFrame, 0u);
    // Two seconds back needs 77 frames; only 39 have been passed: no lead-in, three priming frames.
    ASSERT_TRUE(cutter.WritePieceByDuration(dir.File("b.mp3"), 10, &tag, endReached));
    const Layout second = ReadPiece(dir.File("b.mp3"), source);
    EXPECT_EQ(second.firstFrame, 36u);
    EXPECT_EQ(second.primingFrames, 3u);
    // Now 78 passed: the lead-in starts at frame 1 and only frame 0 is left to prime it.
    ASSERT_TRUE(cutter.WritePieceByDuration(dir.File("c.mp3"), 30, &tag, endReached));
    const Layout third = ReadPiece(dir.File("c.mp3"), source);
    EXPECT_EQ(third.firstFrame, 0u);
    EXPECT_EQ(third.primingFrames, 1u);
    EXPECT_EQ(third.frameCount, 1u + 77u + 115u);
    // The cursor stands at frame 78 + 115 = 193: the lead-in starts 77 frames back at 116, primed
    // by the three frames before it.
    ASSERT_TRUE(cutter.WritePieceByDuration(dir.File("d.mp3"), 10, &tag, endReached));
    const Layout fourth = ReadPiece(dir.File("d.mp3"), source);
    EXPECT_EQ(fourth.firstFrame, 113u);
    EXPECT_EQ(fourth.primingFrames, 3u);
    EXPECT_EQ(fourth.frameCount, 3u + 77u + 39u);
}

TEST_F(FrameCopyCutterTest, LeadOutAddsFramesWithoutMovingTheCursor)
{
    const auto source = Build(dir, MarkedFrames(200));
    OpenCutter(source, 0, 10);
    ASSERT_TRUE(cutter.WritePieceByDuration(dir.File("a.mp3"), 10, &tag, endReached));
    ASSERT_TRUE(cutter.WritePieceByDuration(dir.File("b.mp3"), 10, &tag, endReached));
    const Layout first = ReadPiece(dir.File("a.mp3"), source);
    const Layout second = ReadPiece(dir.File("b.mp3"), source);
    EXPECT_EQ(first.frameCount, 39u + 39u);
    EXPECT_EQ(second.firstFrame + second.primingFrames, 39u); // the lead-out did not move the cursor
}

TEST_F(FrameCopyCutterTest, SourceWithoutTagsOrInfoFrameStartsWithItsFirstFrame)
{
    const auto source = Build(dir, MarkedFrames(50), false, false);
    OpenCutter(source);
    ASSERT_TRUE(cutter.WritePieceByDuration(dir.File("a.mp3"), 5, &tag, endReached));
    const Bytes piece = ReadFile(dir.File("a.mp3"));
    EXPECT_TRUE(std::equal(source.frames[0].begin(), source.frames[0].end(), piece.begin()));
    EXPECT_EQ(ReadPiece(dir.File("a.mp3"), source).frameCount, 20u);
}

TEST_F(FrameCopyCutterTest, ShortInfoFrameIsCopiedUnchanged)
{
    // MPEG-2 Layer III, 8 kbit/s, 22050 Hz, mono: 26-byte frames. The tag sits at 13, the flags at
    // 17, and the two announced fields would need bytes 21-28.
    FrameSpec tiny;
    tiny.version = 2;
    tiny.bitrateIndex = 1;
    tiny.channelMode = 3;
    ASSERT_EQ(FrameLengthOf(tiny), 26);
    Bytes info = Frame(tiny, 0);
    std::memcpy(&info[13], "Xing", 4);
    info[20] = 0x03;
    for (size_t i = 21; i < info.size(); ++i)
        info[i] = 0x5A;
    Bytes all = info;
    Append(all, Join(MarkedFrames(10, tiny), 0, 10));
    WriteFile(dir.File("small.mp3"), all);
    ASSERT_TRUE(cutter.Open(dir.File("small.mp3")));
    ASSERT_TRUE(cutter.Source().HasInfoFrame());
    ASSERT_TRUE(cutter.WriteRest(dir.File("rest.mp3"), nullptr));
    EXPECT_EQ(ReadFile(dir.File("rest.mp3")), all);
}

TEST(FillInfoFrame, WritesOnlyTheAnnouncedFieldsAndOnlyWhenAllFit)
{
    FrameSpec tiny;
    tiny.version = 2;
    tiny.bitrateIndex = 1;
    tiny.channelMode = 3;
    Bytes frame = Frame(tiny, 0);
    std::memcpy(&frame[13], "Info", 4);
    frame[20] = 0x01; // frame count only: bytes 21-24 fit in 26
    Bytes expected = frame;
    expected[24] = 42;
    InfoFrameValues values;
    values.frameCount = 42;
    values.byteCount = 1234;
    EXPECT_TRUE(FillInfoFrame(frame, values));
    EXPECT_EQ(frame, expected);

    // Frame count and byte count announced, but the byte count would end past the frame.
    frame[20] = 0x03;
    expected = frame;
    EXPECT_TRUE(FillInfoFrame(frame, values));
    EXPECT_EQ(frame, expected);

    Bytes full = InfoFrame(FrameSpec {}, "Xing", 0x02, 0, 0); // byte count only
    values.byteCount = uint64_t { 1 } << 40; // saturates at 32 bits
    EXPECT_TRUE(FillInfoFrame(full, values));
    EXPECT_EQ(ReadBigEndian32(full, 4 + 32 + 8), 0xFFFFFFFFu);
    Bytes garbage(10, 0x11);
    EXPECT_FALSE(FillInfoFrame(garbage, values));
    EXPECT_EQ(garbage, Bytes(10, 0x11));
}

TEST_F(FrameCopyCutterTest, CancelAtAnyFrameLeavesNoFile)
{
    const auto source = Build(dir, MarkedFrames(120));
    for (long cancelAt : { 1L, 2L, 3L, 20L, 41L }) {
        RecordingJob cancelling(cancelAt);
        FrameCopyCutter writer;
        ASSERT_TRUE(writer.Open(source.path));
        writer.SetCancelFlag(&cancelling);
        EXPECT_FALSE(writer.WritePieceByDuration(dir.File("a.mp3"), 20, &tag, endReached)) << cancelAt;
        EXPECT_EQ(writer.LastFailure(), PieceCutter::Failure::Cancelled);
        EXPECT_FALSE(FileIsThere(dir.File("a.mp3"))) << cancelAt;
    }
    // WriteRest also tests the flag after its ID3v1 block.
    RecordingJob late(10000);
    FrameCopyCutter writer;
    ASSERT_TRUE(writer.Open(source.path));
    writer.SetCancelFlag(&late);
    ASSERT_TRUE(writer.WriteRest(dir.File("probe.mp3"), &tag));
    const long pumpsForRest = late.pumps;
    RecordingJob atEnd(pumpsForRest);
    FrameCopyCutter again;
    ASSERT_TRUE(again.Open(source.path));
    again.SetCancelFlag(&atEnd);
    EXPECT_FALSE(again.WriteRest(dir.File("rest.mp3"), &tag));
    EXPECT_FALSE(FileIsThere(dir.File("rest.mp3")));
}

TEST_F(FrameCopyCutterTest, SkipStopsWhenCancelled)
{
    const auto source = Build(dir, MarkedFrames(120));
    RecordingJob cancelling(5);
    ASSERT_TRUE(cutter.Open(source.path));
    cutter.SetCancelFlag(&cancelling);
    EXPECT_FALSE(cutter.SkipDuration(20, endReached));
    EXPECT_EQ(cutter.History().Count(), 5u);
}

TEST_F(FrameCopyCutterTest, OutputThatCannotBeCreatedChangesNothing)
{
    const auto source = Build(dir, MarkedFrames(60));
    OpenCutter(source);
    ASSERT_TRUE(cutter.WritePieceByDuration(dir.File("a.mp3"), 5, &tag, endReached));
    const size_t cursor = cutter.Source().Cursor();
    const size_t history = cutter.History().Count();
    const std::string bad = dir.File("missing/b.mp3");
    EXPECT_FALSE(cutter.WritePieceByDuration(bad, 5, &tag, endReached));
    EXPECT_EQ(cutter.LastFailure(), PieceCutter::Failure::CreateFailed);
    EXPECT_EQ(cutter.FailureText(), "Failed to create file \"" + bad + "\".");
    EXPECT_EQ(cutter.Source().Cursor(), cursor);
    EXPECT_EQ(cutter.History().Count(), history);
}

TEST_F(FrameCopyCutterTest, WriteErrorDeletesThePiece)
{
    const auto source = Build(dir, MarkedFrames(200));
    OpenCutter(source);
    bool written = true;
    {
        FileSizeLimit limit(20000);
        written = cutter.WritePieceBySize(dir.File("big.mp3"), 50000, &tag, endReached);
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(cutter.LastFailure(), PieceCutter::Failure::WriteFailed);
    EXPECT_EQ(cutter.FailureText(), "Failed to write file \"" + dir.File("big.mp3") + "\".");
    EXPECT_FALSE(FileIsThere(dir.File("big.mp3")));
}

TEST_F(FrameCopyCutterTest, ProgressBarSpansTheSourceAndOnlyGrows)
{
    const auto source = Build(dir, MarkedFrames(400));
    OpenCutter(source);
    EXPECT_EQ(job.bar.range, std::make_pair(0, 300));
    ASSERT_TRUE(cutter.WritePieceByDuration(dir.File("a.mp3"), 50, &tag, endReached));
    ASSERT_TRUE(cutter.WriteRest(dir.File("b.mp3"), &tag));
    ASSERT_FALSE(job.bar.positions.empty());
    EXPECT_EQ(job.bar.positions.front(), 0);
    EXPECT_TRUE(std::is_sorted(job.bar.positions.begin(), job.bar.positions.end()));
    EXPECT_EQ(std::adjacent_find(job.bar.positions.begin() + 1, job.bar.positions.end()), job.bar.positions.end());
    EXPECT_GE(job.bar.positions.back(), 298);
    EXPECT_LE(job.bar.positions.back(), 300);
}

TEST_F(FrameCopyCutterTest, IgnoresFadeSettings)
{
    const auto source = Build(dir, MarkedFrames(60));
    OpenCutter(source);
    cutter.SetFadeIn(true, 20);
    cutter.SetFadeOut(true, 20);
    ASSERT_TRUE(cutter.WriteRest(dir.File("a.mp3"), &tag));
    EXPECT_EQ(ReadPiece(dir.File("a.mp3"), source).frameCount, 60u);
}

TEST(FrameCopyCutterEncoded, PiecesOfARealFileCountTheirFramesAndBytes)
{
    // A VBR encoding with the encoder's own "Xing" frame: frames of many sizes.
    TempDir dir;
    ToneSpec shape;
    shape.seconds = 5;
    shape.vbr = true;
    shape.writeInfoFrame = true;
    const Bytes source = EncodeTone(shape);
    WriteFile(dir.File("vbr.mp3"), source);

    FrameCopyCutter cutter;
    ASSERT_TRUE(cutter.Open(dir.File("vbr.mp3")));
    ASSERT_TRUE(cutter.Source().HasInfoFrame());
    const size_t infoLength = cutter.Source().InfoFrameLength();
    const ID3TagInfo tag {};
    bool endReached = false;
    ASSERT_TRUE(cutter.WritePieceBySize(dir.File("a.mp3"), 30000, &tag, endReached));
    ASSERT_TRUE(cutter.WriteRest(dir.File("b.mp3"), &tag));

    size_t previousEnd = 0;
    for (const char* name : { "a.mp3", "b.mp3" }) {
        const Bytes piece = ReadFile(dir.File(name));
        ASSERT_GT(piece.size(), infoLength + 128);
        // The audio after the information frame is one contiguous stretch of the source.
        const Bytes audio(piece.begin() + static_cast<std::ptrdiff_t>(infoLength), piece.end() - 128);
        const size_t at = FindBytes(source, audio, infoLength);
        ASSERT_NE(at, std::string::npos) << name;
        if (previousEnd > 0) {
            EXPECT_LT(at, previousEnd); // priming frames repeat the last frames
        }
        previousEnd = at + audio.size();
        uint32_t frames = 0;
        for (auto frame = FindNextFrame(audio, 0); frame;
             frame = FindNextFrame(audio, frame->position + static_cast<size_t>(frame->header.frameLength)))
            ++frames;
        const size_t fields = 4 + 32 + 8;
        EXPECT_EQ(ReadBigEndian32(piece, fields), frames) << name;
        EXPECT_EQ(ReadBigEndian32(piece, fields + 4), piece.size() - 128) << name;
    }
    // The last piece ends with the source's last frame.
    EXPECT_EQ(previousEnd, source.size());
}
