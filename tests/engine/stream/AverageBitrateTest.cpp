#include "engine/stream/AverageBitrate.h"

#include "tests/support/FrameBuilder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

FrameSpec WithBitrate(int index)
{
    FrameSpec shape;
    shape.bitrateIndex = index;
    return shape;
}

// 50 frames at 128 kbit/s (417 bytes) then 50 at 64 (208 bytes), 44.1 kHz: 31,250 bytes over
// 100 × 1152 samples, 95.7 kbit/s.
Bytes Varying()
{
    Bytes frames = Frames(WithBitrate(9), 50);
    Append(frames, Frames(WithBitrate(5), 50));
    return frames;
}
constexpr uint32_t kVaryingBytes = 50 * 417 + 50 * 208;

class AverageBitrateTest : public ::testing::Test {
protected:
    StreamBitrate Average(const Bytes& bytes)
    {
        const std::string path = dir.File("in.mp3");
        WriteFile(path, bytes);
        Mp3SourceFile source;
        EXPECT_TRUE(source.Open(path));
        return AverageBitrate(source);
    }

    static Bytes WithInfo(const Bytes& info)
    {
        Bytes file = info;
        Append(file, Varying());
        return file;
    }

    TempDir dir;
};

} // namespace

TEST_F(AverageBitrateTest, ConstantStreamsKeepTheFirstFramesBitrateWithoutAWalk)
{
    const StreamBitrate cbr = Average(Frames(WithBitrate(9), 100));
    EXPECT_EQ(cbr.bitrate, 128);
    EXPECT_FALSE(cbr.varies);
    EXPECT_FALSE(cbr.walkedSamples);
    EXPECT_EQ(BitrateOf(0, 1152, 44100), 0);
    EXPECT_EQ(BitrateOf(417, 0, 44100), 0);
}

TEST_F(AverageBitrateTest, VaryingStreamsAverageFromTheCountsOrElseFromEveryFrame)
{
    const int infoLength = FrameLengthOf(WithBitrate(9));
    // Without an information frame, every frame is walked, which measures the length too.
    const StreamBitrate walked = Average(Varying());
    EXPECT_EQ(walked.bitrate, 96);
    EXPECT_TRUE(walked.varies);
    EXPECT_EQ(walked.walkedSamples, 100u * 1152);

    // Counts that fit: no walk. Xing's byte count covers its own frame; VBRI's the same way.
    const StreamBitrate xing = Average(WithInfo(InfoFrame(WithBitrate(9), "Xing", 0x3, 100, kVaryingBytes + infoLength)));
    EXPECT_EQ(xing.bitrate, 96);
    EXPECT_FALSE(xing.walkedSamples);
    const StreamBitrate vbri = Average(WithInfo(VbriFrame(WithBitrate(9), 100, kVaryingBytes + infoLength)));
    EXPECT_EQ(vbri.bitrate, 96);
    EXPECT_FALSE(vbri.walkedSamples);

    // Counts that are missing, zero or impossible are not used: the frames decide.
    for (const Bytes& info : { InfoFrame(WithBitrate(9), "Xing", 0x1, 100, 0),
             InfoFrame(WithBitrate(9), "Xing", 0x3, 0, kVaryingBytes),
             InfoFrame(WithBitrate(9), "Xing", 0x3, 100, 0xFFFFFFFFu),
             InfoFrame(WithBitrate(9), "Xing", 0x3, 0xFFFFFFFFu, kVaryingBytes),
             VbriFrame(WithBitrate(9), 1, 0xFFFFFFFFu) }) {
        const StreamBitrate result = Average(WithInfo(info));
        EXPECT_EQ(result.bitrate, 96);
        EXPECT_EQ(result.walkedSamples, 100u * 1152);
    }
}

TEST_F(AverageBitrateTest, AChangeAnywhereInALongStreamIsSeen)
{
    // The bitrate changes only near the middle, then only near the end.
    for (const int changeAt : { 500, 990 }) {
        Bytes frames = Frames(WithBitrate(9), changeAt);
        Append(frames, Frames(WithBitrate(14), 1000 - changeAt));
        const StreamBitrate result = Average(frames);
        EXPECT_TRUE(result.varies) << changeAt;
        EXPECT_GT(result.bitrate, 128) << changeAt;
    }
}
