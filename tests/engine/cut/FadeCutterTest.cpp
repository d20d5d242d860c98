#include "engine/cut/FadeCutter.h"
#include "engine/cut/PieceCodec.h"
#include "tests/engine/cut/CutTestSupport.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/Mp3Layout.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class FadeCutterTest : public ::testing::Test {
protected:
    // A tone of the given length written to source.mp3, optionally behind an ID3v2 block.
    std::string WriteTone(double seconds, int channels = 2, size_t id3v2Size = 0)
    {
        ToneSpec shape;
        shape.seconds = seconds;
        shape.channels = channels;
        Bytes file;
        if (id3v2Size > 0)
            file = ID3v2Block(static_cast<uint32_t>(id3v2Size));
        Append(file, EncodeTone(shape));
        WriteFile(dir.File("source.mp3"), file);
        return dir.File("source.mp3");
    }

    void OpenCutter(const std::string& path, int fadeIn, int fadeOut)
    {
        ASSERT_TRUE(cutter.Open(path));
        cutter.SetCancelFlag(&job);
        cutter.SetProgressBar(&job.bar);
        cutter.SetLeadIn(0);
        cutter.SetLeadOut(0);
        cutter.SetFadeIn(fadeIn > 0, fadeIn);
        cutter.SetFadeOut(fadeOut > 0, fadeOut);
    }

    static double Level(const Pcm& pcm, double fromSeconds, double toSeconds)
    {
        const auto rate = static_cast<double>(pcm.sampleRate);
        return RmsLevel(pcm.left, static_cast<size_t>(fromSeconds * rate), static_cast<size_t>(toSeconds * rate));
    }

    TempDir dir;
    RecordingJob job;
    FadeCutter cutter;
    ID3TagInfo tag {};
    bool endReached = false;
};

} // namespace

TEST_F(FadeCutterTest, LevelRisesFromSilenceAndFallsToSilence)
{
    const std::string source = WriteTone(6.0);
    OpenCutter(source, 10, 10);
    ASSERT_TRUE(cutter.WriteRest(dir.File("piece.mp3"), &tag));

    const Pcm original = DecodeFile(source);
    const Pcm piece = DecodeFile(dir.File("piece.mp3"));
    ASSERT_EQ(piece.sampleRate, 44100);
    ASSERT_FALSE(piece.right.empty());
    const double full = Level(original, 2.0, 3.0);
    ASSERT_GT(full, 0.3);
    const double end = static_cast<double>(piece.left.size()) / piece.sampleRate;
    EXPECT_GT(end, 5.5);
    EXPECT_LT(end, 6.3);

    // Fade-in over the first second (the codec delay shifts it by a few milliseconds).
    EXPECT_LT(Level(piece, 0.0, 0.05), 0.08 * full);
    EXPECT_LT(Level(piece, 0.2, 0.3), Level(piece, 0.5, 0.6));
    EXPECT_LT(Level(piece, 0.5, 0.6), Level(piece, 0.8, 0.9));
    EXPECT_NEAR(Level(piece, 0.45, 0.55), 0.5 * full, 0.12 * full);
    // The middle is not attenuated (one more generation of lossy coding costs a few percent).
    EXPECT_NEAR(Level(piece, 2.0, 3.0), full, 0.1 * full);
    EXPECT_NEAR(Level(piece, 1.2, 1.4), Level(piece, 3.5, 3.7), 0.02 * full);
    // Fade-out over the last second, ending in silence.
    EXPECT_GT(Level(piece, end - 0.9, end - 0.8), Level(piece, end - 0.5, end - 0.4));
    EXPECT_GT(Level(piece, end - 0.5, end - 0.4), Level(piece, end - 0.2, end - 0.1));
    EXPECT_LT(Level(piece, end - 0.05, end), 0.08 * full);
    // The fade-in never amplifies a sample.
    for (size_t i = 0; i < static_cast<size_t>(piece.sampleRate); ++i)
        ASSERT_LE(std::abs(piece.left[i]), 0.52 * 32768) << i;
}

TEST_F(FadeCutterTest, BudgetedPieceGetsAnID3v2TagAndLamesInformationFrame)
{
    const std::string source = WriteTone(8.0, 2, 500);
    OpenCutter(source, 5, 5);
    SetTagTitle(tag, "Piece");
    ASSERT_TRUE(cutter.WritePieceByDuration(dir.File("a.mp3"), 30, &tag, endReached));
    EXPECT_FALSE(endReached);
    ASSERT_TRUE(cutter.WriteRest(dir.File("b.mp3"), &tag));

    // The source's empty v2.3 tag, now with the piece's title.
    const Bytes piece = ReadFile(dir.File("a.mp3"));
    const Mp3Layout layout = ReadMp3Layout(piece);
    ASSERT_GT(layout.id3v2Length, 10u);
    EXPECT_EQ(piece[3], 3);
    EXPECT_NE(
        FindBytes(Bytes(piece.begin(), piece.begin() + static_cast<long>(layout.id3v2Length)), { 'T', 'I', 'T', '2' }),
        std::string::npos);
    const uint8_t* first = piece.data() + layout.id3v2Length;
    ASSERT_TRUE(IsFrameHeaderCandidate(first));
    EXPECT_EQ(std::memcmp(first + 36, "Info", 4), 0);
    ASSERT_TRUE(layout.lame);
    EXPECT_TRUE(LameCrcsHold(layout));
    EXPECT_EQ(std::memcmp(piece.data() + piece.size() - 128, "TAG", 3), 0);

    const Pcm decoded = DecodeFile(dir.File("a.mp3"));
    const double seconds = static_cast<double>(decoded.left.size()) / 44100;
    EXPECT_GT(seconds, 2.95);
    EXPECT_LT(seconds, 3.25);
    // The second piece starts three frames before the first one's end and runs to the end.
    const double rest = static_cast<double>(DecodeFile(dir.File("b.mp3")).left.size()) / 44100;
    EXPECT_NEAR(seconds + rest, 8.0 + 3 * 1152.0 / 44100, 0.2);
}

TEST_F(FadeCutterTest, SizeBudgetCountsEncodedBytes)
{
    const std::string source = WriteTone(8.0);
    OpenCutter(source, 5, 5);
    ASSERT_TRUE(cutter.WritePieceBySize(dir.File("a.mp3"), 40000, nullptr, endReached));
    const auto size = ReadFile(dir.File("a.mp3")).size();
    // The fade-out pass adds about its share (half a second at 128 kbit/s: 8000 bytes) after the body.
    EXPECT_GE(size, 40000u - 8000u);
    EXPECT_LT(size, 40000u + 2000u);
}

TEST_F(FadeCutterTest, MonoSourceGivesMonoPieces)
{
    const std::string source = WriteTone(3.0, 1);
    OpenCutter(source, 5, 0);
    ASSERT_TRUE(cutter.WriteRest(dir.File("mono.mp3"), &tag));
    const Pcm decoded = DecodeFile(dir.File("mono.mp3"));
    EXPECT_GT(decoded.left.size(), 44100u * 2);
    EXPECT_TRUE(decoded.right.empty());
}

TEST_F(FadeCutterTest, CancelDuringTheFadeOutLeavesNoFile)
{
    const std::string source = WriteTone(4.0);
    OpenCutter(source, 0, 10);
    ASSERT_TRUE(cutter.WriteRest(dir.File("probe.mp3"), &tag));
    const long pumps = job.pumps;

    // The fade-out pass pumps after each of its last ~39 frames.
    for (long cancelAt : { pumps - 20, pumps }) {
        RecordingJob cancelling(cancelAt);
        FadeCutter writer;
        ASSERT_TRUE(writer.Open(source));
        writer.SetCancelFlag(&cancelling);
        writer.SetFadeOut(true, 10);
        EXPECT_FALSE(writer.WriteRest(dir.File("piece.mp3"), &tag)) << cancelAt;
        EXPECT_EQ(writer.LastFailure(), PieceCutter::Failure::Cancelled);
        EXPECT_FALSE(FileIsThere(dir.File("piece.mp3")));
    }
    // And in the body, before the fades.
    RecordingJob early(3);
    FadeCutter writer;
    ASSERT_TRUE(writer.Open(source));
    writer.SetCancelFlag(&early);
    writer.SetFadeIn(true, 10);
    bool reached = false;
    EXPECT_FALSE(writer.WritePieceByDuration(dir.File("piece.mp3"), 20, &tag, reached));
    EXPECT_FALSE(FileIsThere(dir.File("piece.mp3")));
}

TEST_F(FadeCutterTest, WriteErrorDeletesThePiece)
{
    const std::string source = WriteTone(4.0);
    OpenCutter(source, 10, 10);
    bool written = true;
    {
        FileSizeLimit limit(10000);
        written = cutter.WriteRest(dir.File("piece.mp3"), &tag);
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(cutter.LastFailure(), PieceCutter::Failure::WriteFailed);
    EXPECT_FALSE(FileIsThere(dir.File("piece.mp3")));
}

TEST(FadeEncoderBitrate, RoundsAVbrAverageUpToAStandardRate)
{
    EXPECT_EQ(FadeEncoderBitrate(true, 150), 160);
    EXPECT_EQ(FadeEncoderBitrate(true, 128), 128);
    EXPECT_EQ(FadeEncoderBitrate(true, 7), 8);
    EXPECT_EQ(FadeEncoderBitrate(true, 330), 0); // above 320: the encoder's default
    EXPECT_EQ(FadeEncoderBitrate(false, 112), 112);
}

TEST(PieceCodec, AcceptsEveryChannelMode)
{
    for (int mode = 0; mode < 4; ++mode) {
        PieceCodec codec(44100, mode, 128);
        EXPECT_TRUE(codec.Ready()) << mode;
        EXPECT_EQ(codec.IsMono(), mode == 3);
    }
}

TEST(FadeCutterDamaged, LayerOneAndTwoFramesOfNoiseEndCleanly)
{
    // The decoder is not trusted with Layer I and II: frames of random bytes in every mode must
    // give a piece (of whatever the decoder made of them) or a clear failure, never a crash.
    TempDir dir;
    uint32_t seed = 12345;
    for (const int layer : { 1, 2 }) {
        for (const int bitrateIndex : { 1, 4, 8, 14 }) {
            for (const int channelMode : { 0, 2, 3 }) {
                FrameSpec shape;
                shape.layer = layer;
                shape.bitrateIndex = bitrateIndex;
                shape.channelMode = channelMode;
                Bytes all;
                for (int i = 0; i < 40; ++i) {
                    Bytes frame = Frame(shape);
                    for (size_t k = 4; k < frame.size(); ++k) {
                        seed = seed * 1103515245u + 12345u;
                        frame[k] = static_cast<uint8_t>((seed >> 16) % 0xFF); // never 0xFF
                    }
                    Append(all, frame);
                }
                WriteFile(dir.File("noise.mp3"), all);
                FadeCutter cutter;
                ASSERT_TRUE(cutter.Open(dir.File("noise.mp3")));
                cutter.SetFadeIn(true, 2);
                cutter.SetFadeOut(true, 2);
                const bool written = cutter.WriteRest(dir.File("piece.mp3"), nullptr);
                EXPECT_EQ(written, FileIsThere(dir.File("piece.mp3")));
                EXPECT_TRUE(written || !cutter.FailureText().empty());
            }
        }
    }
}
