// Re-encoded outputs carry LAME's information frame: a gapless decode gives exactly the samples
// that were encoded, and a faded piece from the middle of a source starts at its first frame's
// first sample.
#include "engine/cut/FadeCutter.h"
#include "engine/join/JoinJob.h"
#include "tests/engine/join/RecordingProgress.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/GaplessDecode.h"
#include "tests/support/Mp3Layout.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

// The offset within ±range at which b's samples [begin, end) match a's from base on best.
long BestOffset(
    const std::vector<int16_t>& a, size_t base, const std::vector<int16_t>& b, size_t begin, size_t end, long range)
{
    long best = 0;
    double bestError = -1;
    for (long offset = -range; offset <= range; ++offset) {
        double error = 0;
        for (size_t i = begin; i < end; ++i) {
            const double d = static_cast<double>(a[base + i + offset]) - b[i];
            error += d * d;
        }
        if (bestError < 0 || error < bestError) {
            bestError = error;
            best = offset;
        }
    }
    return best;
}

} // namespace

TEST(GaplessFade, APieceFromTheMiddleDecodesToExactlyItsFramesFromTheirFirstSample)
{
    TempDir dir;
    const std::string source = dir.File("music.mp3");
    WriteFile(source, EncodePcm(MakeMusic(8.0), 128));
    const size_t sourceFrames = ReadMp3Layout(ReadFile(source)).frames.size();
    const Pcm whole = DecodeFile(source);

    FadeCutter cutter;
    RecordingProgress job;
    ASSERT_TRUE(cutter.Open(source));
    cutter.SetCancelFlag(&job);
    cutter.SetFadeIn(true, 5);
    cutter.SetFadeOut(false, 0);
    bool endReached = false;
    ASSERT_TRUE(cutter.SkipDuration(30, endReached)); // 132,300 samples: 115 frames
    constexpr size_t kFirstFrame = 115;
    ID3TagInfo tag {};
    const std::string piece = dir.File("piece.mp3");
    ASSERT_TRUE(cutter.WriteRest(piece, &tag));

    const Mp3Layout layout = ReadMp3Layout(ReadFile(piece));
    ASSERT_TRUE(layout.lame);
    EXPECT_TRUE(LameCrcsHold(layout));
    const Pcm decoded = DecodeGapless(piece);
    EXPECT_EQ(decoded.left.size(), (sourceFrames - kFirstFrame) * 1152);

    // After the half-second fade-in the piece plays the source's samples from the piece's first
    // frame on, at the same place.
    const size_t base = kFirstFrame * 1152;
    EXPECT_EQ(BestOffset(whole.left, base, decoded.left, 30000, 34000, 1800), 0);
    // The fade begins at the piece's first sample: silence there, half the level halfway.
    EXPECT_LT(RmsLevel(decoded.left, 0, 441), 0.05 * RmsLevel(whole.left, base, base + 441) + 0.002);
    const double half = RmsLevel(decoded.left, 10800, 11250) / RmsLevel(whole.left, base + 10800, base + 11250);
    EXPECT_NEAR(half, 0.5, 0.1);
}

TEST(GaplessFade, AReencodingJoinDecodesToExactlyTheSamplesOfItsInputs)
{
    TempDir dir;
    ToneSpec a;
    a.seconds = 1.3;
    ToneSpec b = a;
    b.frequency = 660;
    b.bitrate = 192;
    WriteFile(dir.File("a.mp3"), EncodeTone(a));
    WriteFile(dir.File("b.mp3"), EncodeTone(b));
    JoinJob job;
    job.AddInput(dir.File("a.mp3"));
    job.AddInput(dir.File("b.mp3"));
    job.AssignTag("Joined", "", "", "", "", 255, false, 0);
    RecordingProgress progress;
    const std::string output = dir.File("joined.mp3");
    ASSERT_TRUE(job.JoinByReencoding(output, 44100, 128, 1, progress)); // no conversion: every sample as decoded
    const Mp3Layout layout = ReadMp3Layout(ReadFile(output));
    ASSERT_TRUE(layout.lame);
    EXPECT_TRUE(LameCrcsHold(layout));
    const size_t given = (ReadMp3Layout(ReadFile(dir.File("a.mp3"))).frames.size()
                             + ReadMp3Layout(ReadFile(dir.File("b.mp3"))).frames.size())
        * 1152;
    EXPECT_EQ(DecodeGapless(output).left.size(), given);
}

TEST(GaplessFade, APieceCutByDurationDecodesToItsLengthWithAnyFades)
{
    struct Case {
        int channels;
        bool infoFrame;
        bool fadeIn, fadeOut;
        int32_t tenths;
    };
    // 4.0 s is 153.1 frames, 3.3 s 126.3: the piece ends at the end of the frame holding its end,
    // and the next piece starts right after it.
    for (const Case& c : { Case { 2, true, true, true, 40 }, Case { 2, false, true, true, 40 },
             Case { 1, true, true, false, 33 }, Case { 1, true, false, true, 33 }, Case { 2, false, true, true, 33 } }) {
        SCOPED_TRACE(::testing::Message() << c.channels << " channels, info frame " << c.infoFrame << ", fades "
                                          << c.fadeIn << c.fadeOut << ", " << c.tenths);
        TempDir dir;
        const std::string source = dir.File("tone.mp3");
        // A plain tone: the encoder holds back the bytes of some frames (they need few bits).
        ToneSpec shape;
        shape.channels = c.channels;
        shape.seconds = 10.0;
        shape.writeInfoFrame = c.infoFrame;
        WriteFile(source, EncodeTone(shape));
        FadeCutter cutter;
        RecordingProgress job;
        ASSERT_TRUE(cutter.Open(source));
        cutter.SetCancelFlag(&job);
        cutter.SetLeadIn(0);
        cutter.SetLeadOut(0);
        cutter.SetFadeIn(c.fadeIn, 5);
        cutter.SetFadeOut(c.fadeOut, 7);
        ID3TagInfo tag {};
        bool endReached = false;
        const std::string first = dir.File("first.mp3");
        const std::string second = dir.File("second.mp3");
        ASSERT_TRUE(cutter.WritePieceByDuration(first, c.tenths, &tag, endReached));
        ASSERT_TRUE(cutter.WritePieceByDuration(second, c.tenths, &tag, endReached));
        const size_t asked = static_cast<size_t>(c.tenths) * 4410;
        const size_t frames = (asked + 1151) / 1152;
        ASSERT_TRUE(ReadMp3Layout(ReadFile(first)).lame);
        EXPECT_EQ(DecodeGapless(first).left.size(), frames * 1152);
        EXPECT_NEAR(static_cast<double>(DecodeGapless(second).left.size()), static_cast<double>(asked), 1152);
    }
}
