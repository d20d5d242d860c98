// Pieces cut to the sample share the frames at their boundaries (the next piece's priming frames
// and the frame a cut falls inside); a frame-copy join of neighbours writes those frames once, so
// the pieces join back into the source's frames and play the source sample for sample. Frames
// that merely look alike stay.
#include "engine/cut/SplitRun.h"
#include "engine/join/JoinJob.h"
#include "tests/engine/join/RecordingProgress.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/GaplessDecode.h"
#include "tests/support/Mp3Layout.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

struct SourceKind {
    const char* name;
    bool vbr;
    bool tagged;
    int sampleRate;
    int channels;
};

constexpr SourceKind kKinds[] = {
    { "cbr", false, true, 44100, 2 },
    { "vbr", true, true, 44100, 2 },
    { "mpeg2_vbr", true, true, 22050, 1 },
    { "tagless", false, false, 44100, 2 },
};

int SamplesPerFrame(const Bytes& frame) { return (frame[1] & 0x18) == 0x18 ? 1152 : 576; }

bool Join(const std::vector<std::string>& inputs, const std::string& output, JoinJob& job)
{
    for (const std::string& input : inputs)
        job.AddInput(input);
    RecordingProgress progress;
    return job.JoinByFrameCopy(output, progress);
}

class ExactPiecesJoinTest : public ::testing::TestWithParam<SourceKind> {
protected:
    void SetUp() override
    {
        const SourceKind kind = GetParam();
        const std::string path = dir.File("song.mp3");
        WriteFile(path, EncodePcm(MakeMusic(7.0, kind.sampleRate, kind.channels), 128, kind.vbr, kind.tagged, 2));
        sourceLayout = ReadMp3Layout(ReadFile(path));
        whole = DecodeGapless(path);
        ASSERT_GT(whole.left.size(), 6u * static_cast<size_t>(kind.sampleRate));

        // Three pieces at points inside frames.
        CutterSource source;
        source.path = path;
        source.totalDuration = 70;
        const std::vector<int64_t> bounds = { 0, 2345, 4100, 7000 };
        std::vector<PieceEntry> entries;
        for (size_t i = 0; i + 1 < bounds.size(); ++i) {
            PieceEntry entry;
            entry.startMs = bounds[i];
            entry.endMs = bounds[i + 1];
            entry.start = static_cast<int32_t>(bounds[i] / 100);
            entry.end = static_cast<int32_t>(bounds[i + 1] / 100);
            entry.checked = true;
            entries.push_back(entry);
        }
        SplitSettings settings;
        std::string errorText;
        ASSERT_TRUE(CutBySelection(source, entries, settings, errorText)) << errorText;
        pieces = source.outputFiles;
        ASSERT_EQ(pieces.size(), 3u);
        for (const std::string& piece : pieces)
            pieceLayouts.push_back(ReadMp3Layout(ReadFile(piece)));
    }

    TempDir dir;
    Mp3Layout sourceLayout;
    Pcm whole;
    std::vector<std::string> pieces;
    std::vector<Mp3Layout> pieceLayouts;
};

} // namespace

TEST_P(ExactPiecesJoinTest, NeighboursJoinBackIntoTheSourceSampleForSample)
{
    const int spf = SamplesPerFrame(sourceLayout.frames.front());
    // What the pieces' tags say the boundaries share: padding and the next delay make whole frames.
    int64_t shared = 0;
    for (size_t i = 1; i < pieceLayouts.size(); ++i) {
        ASSERT_TRUE(pieceLayouts[i - 1].lame && pieceLayouts[i].lame);
        const int trimmed = pieceLayouts[i - 1].lame->padding + pieceLayouts[i].lame->delay;
        ASSERT_EQ(trimmed % spf, 0) << "boundary " << i;
        shared += trimmed / spf;
    }
    // Each cut falls inside a frame: more than the priming is shared.
    EXPECT_GE(shared, 8);

    JoinJob job;
    const std::string output = dir.File("joined.mp3");
    ASSERT_TRUE(Join(pieces, output, job)) << job.ErrorText();
    EXPECT_FALSE(job.ReencodedInstead());
    EXPECT_EQ(job.DroppedPrimingFrames(), shared);

    const Mp3Layout joined = ReadMp3Layout(ReadFile(output));
    // A tagless source's first piece starts with frames of its own, which its delay drops (a
    // decoder of the source drops nothing there); then come the source's frames, each once.
    const size_t lead = sourceLayout.lame ? 0 : static_cast<size_t>((pieceLayouts[0].lame->delay + 529) / spf);
    std::vector<Bytes> expected(pieceLayouts[0].frames.begin(), pieceLayouts[0].frames.begin() + lead);
    expected.insert(expected.end(), sourceLayout.frames.begin(), sourceLayout.frames.end());
    EXPECT_TRUE(joined.frames == expected);
    ASSERT_TRUE(joined.lame);
    EXPECT_TRUE(LameCrcsHold(joined));
    EXPECT_EQ(joined.lame->delay, pieceLayouts.front().lame->delay);
    EXPECT_EQ(joined.lame->padding, pieceLayouts.back().lame->padding);
    if (sourceLayout.lame) {
        EXPECT_EQ(joined.lame->delay, sourceLayout.lame->delay);
        EXPECT_EQ(joined.lame->padding, sourceLayout.lame->padding);
    }
    EXPECT_EQ(joined.xing, GetParam().vbr);
    EXPECT_EQ(joined.frameCount, joined.frames.size());
    EXPECT_EQ(joined.byteCount, joined.infoFrame.size() + JoinFrames(joined.frames).size());
    if (joined.seekTable) {
        EXPECT_EQ(*joined.seekTable, ExpectedSeekTable(joined.frames, joined.infoFrame.size()));
    }

    // The same frames under the same delay and padding: the source's decode, exactly.
    size_t differences = 0;
    const Pcm decoded = DecodeGaplessAgainst(output, whole, 0, differences);
    EXPECT_EQ(decoded.left.size(), whole.left.size());
    EXPECT_EQ(decoded.right.size(), whole.right.size());
    EXPECT_EQ(differences, 0u);
}

// The first and the last piece are no neighbours: every frame of both stays.
TEST_P(ExactPiecesJoinTest, PiecesThatAreNoNeighboursKeepEveryFrame)
{
    JoinJob job;
    const std::string output = dir.File("ends.mp3");
    ASSERT_TRUE(Join({ pieces[0], pieces[2] }, output, job)) << job.ErrorText();
    EXPECT_EQ(job.DroppedPrimingFrames(), 0);
    const Mp3Layout joined = ReadMp3Layout(ReadFile(output));
    std::vector<Bytes> both = pieceLayouts[0].frames;
    both.insert(both.end(), pieceLayouts[2].frames.begin(), pieceLayouts[2].frames.end());
    EXPECT_TRUE(joined.frames == both);
    EXPECT_EQ(joined.frameCount, both.size());
}

INSTANTIATE_TEST_SUITE_P(LameEncodings, ExactPiecesJoinTest, ::testing::ValuesIn(kKinds),
    [](const testing::TestParamInfo<SourceKind>& param) { return std::string(param.param.name); });

namespace {

void PutBigEndian(Bytes& file, size_t at, uint32_t value, int length)
{
    for (int i = length - 1; i >= 0; --i, value >>= 8)
        file[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value);
}

// The encoder's file with the last `repeated` of its frames put in front of its own, and a LAME tag
// that says `delay`: its first frames are byte for byte the ones that end the original.
Bytes WithItsEndInFront(const Mp3Layout& layout, size_t repeated, int delay)
{
    Bytes info = layout.infoFrame;
    const size_t tag = layout.lame->offset;
    // "Info", the flags, then the frame and byte counts, after the header and 32 bytes of side
    // information.
    const auto frames = static_cast<uint32_t>(layout.frames.size() + repeated);
    const Bytes front = JoinFrames(layout.frames, layout.frames.size() - repeated);
    PutBigEndian(info, 4 + 32 + 8, frames, 4);
    PutBigEndian(info, 4 + 32 + 12, static_cast<uint32_t>(*layout.byteCount + front.size()), 4);
    PutBigEndian(info, tag + 21, static_cast<uint32_t>(delay << 12 | layout.lame->padding), 3);
    PutBigEndian(info, tag + 34, BitwiseCrc16(info.data(), tag + 34), 2);
    Bytes file = info;
    Append(file, front);
    Append(file, JoinFrames(layout.frames));
    return file;
}

} // namespace

// Frames equal to the end of the input before are left out only where the two tags trim exactly
// those frames' samples; a file joined to itself keeps every frame.
TEST(ExactPiecesJoin, FramesThatOnlyLookAlikeStay)
{
    TempDir dir;
    const std::string song = dir.File("song.mp3");
    WriteFile(song, EncodePcm(MakeMusic(2.0), 128, false, true));
    const Mp3Layout layout = ReadMp3Layout(ReadFile(song));
    ASSERT_TRUE(layout.lame && layout.byteCount);
    const int padding = layout.lame->padding;
    const size_t repeated = 3;
    ASSERT_LT(padding, 3 * 1152);
    const int sharedDelay = 3 * 1152 - padding;

    struct Case {
        const char* name;
        int delay;
        bool shared;
    };
    for (const Case& c : { Case { "off_by_one", sharedDelay + 1, false }, Case { "one_short", sharedDelay - 1, false },
             Case { "shared", sharedDelay, true } }) {
        SCOPED_TRACE(c.name);
        const std::string next = dir.File(std::string(c.name) + ".mp3");
        WriteFile(next, WithItsEndInFront(layout, repeated, c.delay));
        const Mp3Layout nextLayout = ReadMp3Layout(ReadFile(next));
        ASSERT_TRUE(nextLayout.lame);
        ASSERT_EQ(nextLayout.lame->delay, c.delay);

        JoinJob job;
        const std::string output = dir.File(std::string(c.name) + "_joined.mp3");
        ASSERT_TRUE(Join({ song, next }, output, job)) << job.ErrorText();
        const Mp3Layout joined = ReadMp3Layout(ReadFile(output));
        std::vector<Bytes> expected = layout.frames;
        expected.insert(expected.end(), nextLayout.frames.begin() + (c.shared ? repeated : 0), nextLayout.frames.end());
        EXPECT_TRUE(joined.frames == expected);
        EXPECT_EQ(joined.frameCount, expected.size());
        EXPECT_EQ(job.DroppedPrimingFrames(), c.shared ? static_cast<int64_t>(repeated) : 0);
        if (c.shared) {
            // The left-out frames were the ones the two tags trimmed: the join plays both inputs whole.
            EXPECT_EQ(
                DecodeGapless(output).left.size(), DecodeGapless(song).left.size() + DecodeGapless(next).left.size());
        }
    }

    // The encoder's own delay and padding do not make whole frames here: nothing is left out.
    ASSERT_NE((padding + layout.lame->delay) % 1152, 0);
    JoinJob job;
    const std::string twice = dir.File("twice.mp3");
    ASSERT_TRUE(Join({ song, song }, twice, job)) << job.ErrorText();
    std::vector<Bytes> expected = layout.frames;
    expected.insert(expected.end(), layout.frames.begin(), layout.frames.end());
    EXPECT_TRUE(ReadMp3Layout(ReadFile(twice)).frames == expected);
    EXPECT_EQ(job.DroppedPrimingFrames(), 0);
}
