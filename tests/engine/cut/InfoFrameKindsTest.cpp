// Pieces of sources whose first frame is no ordinary Xing/Info frame with a LAME tag: a VBRI frame,
// a Xing frame without room for a LAME tag, and Layer I/II streams, which know no information frame.
#include "engine/cut/SplitRun.h"
#include "engine/join/JoinJob.h"
#include "engine/join/Mp3StreamDecoder.h"
#include "engine/stream/Mp3SourceFile.h"
#include "tests/engine/cut/CutTestSupport.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/Mp3Layout.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

class InfoFrameKindsTest : public ::testing::Test {
protected:
    // Cuts the file in three by count; the pieces' layouts.
    std::vector<Mp3Layout> CutInThree(const Bytes& file)
    {
        source.path = dir.File("song.mp3");
        WriteFile(source.path, file);
        source.totalSize = file.size();
        std::string error;
        EXPECT_TRUE(CutByCount(source, 3, settings, error)) << error;
        std::vector<Mp3Layout> pieces;
        for (const auto& path : source.outputFiles)
            pieces.push_back(ReadMp3Layout(ReadFile(path)));
        return pieces;
    }

    // The encoder's audio frames of a 128 kbit/s tone, without an information frame.
    static Bytes Audio()
    {
        ToneSpec tone;
        tone.seconds = 3.0;
        return EncodeTone(tone);
    }

    TempDir dir;
    CutterSource source;
    SplitSettings settings;
};

// The frames of a piece that a decoder plays, by the LAME tag's delay.
size_t PrimingOf(const Mp3Layout& piece)
{
    return piece.lame ? static_cast<size_t>((piece.lame->delay + 529) / 1152) : 0;
}

} // namespace

TEST_F(InfoFrameKindsTest, AVbriFrameIsAnInformationFrameNeverCopiedAsAudio)
{
    const Bytes audio = Audio();
    const Mp3Layout plain = ReadMp3Layout(audio);
    const auto frames = static_cast<uint32_t>(plain.frames.size());
    const Bytes vbri = VbriFrame(FrameSpec {}, frames, static_cast<uint32_t>(audio.size()));
    Bytes file = vbri;
    Append(file, audio);

    Mp3SourceFile opened;
    WriteFile(dir.File("probe.mp3"), file);
    ASSERT_TRUE(opened.Open(dir.File("probe.mp3")));
    EXPECT_EQ(opened.InfoFrameKind(), "VBRI");
    EXPECT_EQ(opened.InfoFrameCount(), frames);
    EXPECT_EQ(opened.AudioStart(), vbri.size());
    Mp3StreamDecoder decoder;
    ASSERT_TRUE(decoder.Open(dir.File("probe.mp3")));
    EXPECT_TRUE(decoder.IsVbr());
    EXPECT_EQ(decoder.TotalSamples(), uint64_t { frames } * 1152);

    const std::vector<Mp3Layout> pieces = CutInThree(file);
    ASSERT_EQ(pieces.size(), 3u);
    size_t played = 0;
    for (size_t i = 0; i < pieces.size(); ++i) {
        SCOPED_TRACE(i);
        const Mp3Layout& piece = pieces[i];
        EXPECT_EQ(std::find(piece.frames.begin(), piece.frames.end(), vbri), piece.frames.end());
        EXPECT_NE(piece.infoFrame, vbri);
        // As for a source without an information frame: the first piece has none, the others a
        // new one whose LAME tag drops their priming frames.
        EXPECT_EQ(piece.infoFrame.empty(), i == 0);
        if (i > 0) {
            ASSERT_TRUE(piece.lame.has_value());
            EXPECT_GE(PrimingOf(piece), 3u);
            EXPECT_EQ(piece.frameCount, piece.frames.size());
        }
        played += piece.frames.size() - PrimingOf(piece);
    }
    EXPECT_EQ(played, plain.frames.size());
}

TEST_F(InfoFrameKindsTest, AXingFrameWithoutRoomForALameTagStillAnnouncesThePriming)
{
    const Bytes audio = Audio();
    const Mp3Layout plain = ReadMp3Layout(audio);
    Bytes xing = InfoFrame(FrameSpec {}, "Xing", 0x3, static_cast<uint32_t>(plain.frames.size()),
        static_cast<uint32_t>(audio.size()));
    // Bytes after the fields are in use (another encoder's notes), so no tag can be put there.
    std::fill(xing.begin() + 4 + 32 + 16, xing.end(), uint8_t { 0x55 });
    Bytes file = xing;
    Append(file, audio);

    const std::vector<Mp3Layout> pieces = CutInThree(file);
    ASSERT_EQ(pieces.size(), 3u);
    size_t played = 0;
    for (size_t i = 0; i < pieces.size(); ++i) {
        SCOPED_TRACE(i);
        const Mp3Layout& piece = pieces[i];
        ASSERT_FALSE(piece.infoFrame.empty());
        if (i > 0) {
            ASSERT_TRUE(piece.lame.has_value());
            EXPECT_GE(PrimingOf(piece), 3u);
            EXPECT_TRUE(LameCrcsHold(piece));
        }
        played += piece.frames.size() - PrimingOf(piece);
    }
    EXPECT_EQ(played, plain.frames.size());
}

TEST_F(InfoFrameKindsTest, LayerOneAndTwoPiecesArePlainCopiesThatJoinBackToTheSource)
{
    for (const int layer : { 1, 2 }) {
        SCOPED_TRACE(layer);
        FrameSpec shape;
        shape.layer = layer;
        shape.bitrateIndex = 10;
        const std::vector<Bytes> frames = MarkedFrames(300, shape);
        const Bytes audio = Join(frames, 0, frames.size());
        Bytes file = audio;
        Append(file, ID3v1("Song"));

        const std::vector<Mp3Layout> pieces = CutInThree(file);
        ASSERT_EQ(pieces.size(), 3u);
        std::vector<Bytes> copied;
        for (const Mp3Layout& piece : pieces) {
            EXPECT_TRUE(piece.infoFrame.empty());
            copied.insert(copied.end(), piece.frames.begin(), piece.frames.end());
        }
        // Each piece starts where the one before ended: no priming, no repeated frame.
        EXPECT_EQ(copied, frames);

        JoinJob join;
        for (const auto& path : source.outputFiles)
            join.AddInput(path);
        RecordingJob progress;
        const std::string joined = dir.File("joined.mp3");
        ASSERT_TRUE(join.JoinByFrameCopy(joined, progress)) << join.ErrorText();
        const Mp3Layout back = ReadMp3Layout(ReadFile(joined));
        EXPECT_TRUE(back.infoFrame.empty());
        EXPECT_EQ(back.frames, frames);
    }
}
