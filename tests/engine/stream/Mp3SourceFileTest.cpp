#include "engine/stream/Mp3SourceFile.h"

#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const FrameSpec k128 {}; // MPEG-1 Layer III, 128 kbps, 44100 Hz, joint stereo: 417 bytes

FrameSpec WithBitrate(int index)
{
    FrameSpec shape;
    shape.bitrateIndex = index;
    return shape;
}

class Mp3SourceFileTest : public ::testing::Test {
protected:
    std::string Write(const Bytes& bytes, const std::string& name = "in.mp3")
    {
        const std::string path = dir.File(name);
        WriteFile(path, bytes);
        return path;
    }

    // Every complete frame position the walk yields from the cursor.
    std::vector<size_t> Walk(Mp3SourceFile& source)
    {
        std::vector<size_t> positions;
        for (auto f = source.NextCompleteFrame(source.Cursor()); f;
             f = source.NextCompleteFrame(f->position + static_cast<size_t>(f->header.frameLength)))
            positions.push_back(f->position);
        return positions;
    }

    TempDir dir;
};

} // namespace

TEST_F(Mp3SourceFileTest, CbrFileWithoutInfoFrameStartsAtItsFirstFrame)
{
    Mp3SourceFile source;
    ASSERT_TRUE(source.Open(Write(Frames(k128, 10))));
    EXPECT_EQ(source.Bitrate(), 128);
    EXPECT_EQ(source.SampleRate(), 44100);
    EXPECT_EQ(source.SamplesPerFrame(), 1152);
    EXPECT_EQ(source.Cursor(), 0u);
    EXPECT_FALSE(source.HasInfoFrame());
    EXPECT_FALSE(source.HasID3v2());
    EXPECT_EQ(Walk(source).size(), 10u);
}

TEST_F(Mp3SourceFileTest, SkipsTheID3v2BlockByItsSynchsafeSize)
{
    Bytes file = ID3v2Block(1000);
    Append(file, Frames(k128, 3));
    Mp3SourceFile source;
    ASSERT_TRUE(source.Open(Write(file)));
    EXPECT_EQ(source.ID3v2Length(), 1010u);
    EXPECT_EQ(source.Cursor(), 1010u);

    // "ID3" in a file shorter than a tag header is no tag; the header after it starts a frame
    // cut short by the end of the file, which is no audio.
    Bytes shortFile = { 'I', 'D', '3' };
    Append(shortFile, FrameHeaderBytes(k128));
    EXPECT_FALSE(source.Open(Write(shortFile, "short.mp3")));
    EXPECT_EQ(source.LastOpenError(), Mp3SourceFile::OpenError::NoAudio);
}

TEST_F(Mp3SourceFileTest, InfoFrameIsSavedAndBitrateAveragedOverAudioFrames)
{
    Bytes cbr = InfoFrame(k128, "Info", 0x3, 100, 0);
    Append(cbr, Frames(k128, 100));
    Mp3SourceFile source;
    ASSERT_TRUE(source.Open(Write(cbr)));
    EXPECT_EQ(source.Bitrate(), 128);
    EXPECT_EQ(source.InfoFrameKind(), "Info");
    EXPECT_EQ(source.InfoFrameLength(), 417u);
    EXPECT_EQ(source.Cursor(), 417u);
    EXPECT_EQ(Walk(source).size(), 100u);

    Bytes vbr = InfoFrame(k128, "Xing");
    Append(vbr, Frame(WithBitrate(9))); // 128
    Append(vbr, Frame(WithBitrate(10))); // 160
    Append(vbr, Frame(WithBitrate(11))); // 192
    ASSERT_TRUE(source.Open(Write(vbr, "vbr.mp3")));
    EXPECT_EQ(source.Bitrate(), 160);
    EXPECT_EQ(source.InfoFrameKind(), "Xing");
    EXPECT_EQ(source.InfoFrame(), InfoFrame(k128, "Xing"));

    // Without an information frame a VBR file is described by its first frame.
    Bytes plain = Frame(WithBitrate(7)); // 96
    Append(plain, Frame(WithBitrate(11)));
    ASSERT_TRUE(source.Open(Write(plain, "plain.mp3")));
    EXPECT_EQ(source.Bitrate(), 96);
}

TEST_F(Mp3SourceFileTest, AFrameTooShortForTheTagIsAudioEvenWhenTheNextFrameSpellsXing)
{
    // Layer I, 32 kbps, 48 kHz: 32-byte frames, shorter than the 36 bytes where a tag would start.
    FrameSpec shortFrames;
    shortFrames.layer = 1;
    shortFrames.bitrateIndex = 1;
    shortFrames.sampleRateIndex = 1;
    shortFrames.channelMode = 0;
    ASSERT_EQ(FrameLengthOf(shortFrames), 32);
    Bytes file = Frames(shortFrames, 10);
    std::copy_n("Xing", 4, file.begin() + 36); // inside the second frame's body
    Mp3SourceFile source;
    ASSERT_TRUE(source.Open(Write(file)));
    EXPECT_FALSE(source.HasInfoFrame());
    EXPECT_EQ(source.Cursor(), 0u);
    EXPECT_EQ(Walk(source).size(), 10u);
}

TEST_F(Mp3SourceFileTest, RefusesFilesWithoutACompleteAudioFrame)
{
    Mp3SourceFile source;
    EXPECT_FALSE(source.Open(dir.File("missing.mp3")));
    EXPECT_FALSE(source.Open(Write({}, "empty.mp3")));
    EXPECT_FALSE(source.Open(Write(Bytes(5000, 0xFF), "ff.mp3")));
    EXPECT_FALSE(source.Open(Write(Bytes(5000, 0x00), "zero.mp3")));
    EXPECT_FALSE(source.Open(dir.Path().string())); // a folder
    ASSERT_EQ(::mkfifo(dir.File("pipe.mp3").c_str(), 0600), 0);
    EXPECT_FALSE(source.Open(dir.File("pipe.mp3"))); // refused at once, not waiting for a writer

    Bytes infoAlone = InfoFrame(k128, "Info");
    EXPECT_FALSE(source.Open(Write(infoAlone, "info-alone.mp3")));
    // An information frame cut short by the end of the file is never read past the mapping.
    Bytes infoCut(infoAlone.begin(), infoAlone.begin() + 60);
    EXPECT_FALSE(source.Open(Write(infoCut, "info-cut.mp3")));
    // Only an information frame followed by a truncated frame.
    Bytes infoThenCut = infoAlone;
    Bytes next = Frame(k128);
    infoThenCut.insert(infoThenCut.end(), next.begin(), next.begin() + 100);
    EXPECT_FALSE(source.Open(Write(infoThenCut, "info-then-cut.mp3")));

    // A free-format stream: its headers (bitrate index 0) repeat, but carry no frame length.
    Bytes freeFormat;
    for (int i = 0; i < 5; ++i) {
        Append(freeFormat, { 0xFF, 0xFB, 0x00, 0x64 });
        freeFormat.resize(freeFormat.size() + 396, 0x55);
    }
    EXPECT_FALSE(source.Open(Write(freeFormat, "free.mp3")));
    EXPECT_EQ(source.LastOpenError(), Mp3SourceFile::OpenError::FreeFormat);

    Bytes pastEnd = ID3v2Block(10);
    pastEnd[6] = 0x7F; // size far past the end of the file
    Append(pastEnd, Frames(k128, 3));
    EXPECT_FALSE(source.Open(Write(pastEnd, "id3-past-end.mp3")));

    // A failed open leaves the object closed.
    EXPECT_FALSE(source.IsOpen());
    EXPECT_EQ(source.ChannelMode(), Mp3SourceFile::kNoChannelMode);
}

TEST_F(Mp3SourceFileTest, WalkSkipsJunkAndEndsBeforeTruncatedFrameAndID3v1Block)
{
    Bytes file(123, 0x20); // junk before the first header
    Append(file, Frames(k128, 4));
    Append(file, ID3v1("A title", "An artist", 3));
    Bytes last = Frame(k128);
    file.insert(file.end(), last.begin(), last.begin() + 200); // truncated frame at the very end

    Mp3SourceFile source;
    ASSERT_TRUE(source.Open(Write(file)));
    EXPECT_EQ(source.Cursor(), 123u);
    const std::vector<size_t> frames = Walk(source);
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames.back(), 123u + 3 * 417);
}

TEST_F(Mp3SourceFileTest, CloseResetsEveryField)
{
    Bytes file = ID3v2Block(20);
    Append(file, InfoFrame(k128, "Info"));
    Append(file, Frames(k128, 3));
    Mp3SourceFile source;
    ASSERT_TRUE(source.Open(Write(file)));
    EXPECT_EQ(source.ChannelMode(), 1);
    source.Close();
    EXPECT_FALSE(source.IsOpen());
    EXPECT_TRUE(source.Read(0, 4).empty());
    EXPECT_EQ(source.Size(), 0u);
    EXPECT_EQ(source.Cursor(), 0u);
    EXPECT_EQ(source.Bitrate(), 0);
    EXPECT_EQ(source.ID3v2Length(), 0u);
    EXPECT_FALSE(source.HasInfoFrame());
    EXPECT_EQ(source.ChannelMode(), Mp3SourceFile::kNoChannelMode);
}

TEST_F(Mp3SourceFileTest, RealEncoderOutputWalksToTheEncodedLength)
{
    ToneSpec tone;
    tone.seconds = 1.0;
    tone.writeInfoFrame = true;
    Mp3SourceFile source;
    ASSERT_TRUE(source.Open(Write(EncodeTone(tone))));
    EXPECT_EQ(source.InfoFrameKind(), "Info");
    EXPECT_EQ(source.Bitrate(), 128);
    // One second at 44.1 kHz plus the encoder's delay and padding: 39 to 41 frames.
    const size_t frames = Walk(source).size();
    EXPECT_GE(frames, 39u);
    EXPECT_LE(frames, 41u);
}
