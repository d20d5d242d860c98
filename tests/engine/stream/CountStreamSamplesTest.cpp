#include "engine/stream/CountStreamSamples.h"

#include "tests/support/EncodedAudio.h"
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

class CountStreamSamplesTest : public ::testing::Test {
protected:
    std::string Write(const Bytes& bytes, const std::string& name = "in.mp3")
    {
        const std::string path = dir.File(name);
        WriteFile(path, bytes);
        return path;
    }

    TempDir dir;
};

} // namespace

TEST_F(CountStreamSamplesTest, CountsEveryFrameOfAVariableBitrateStreamWithoutInfoFrame)
{
    // Bitrates rising from 32 to 320 kbps: the first frame's bitrate says nothing about the length.
    Bytes file = ID3v2Block(300);
    size_t frames = 0;
    for (int round = 0; round < 20; ++round) {
        for (int index = 1; index <= 14; ++index, ++frames)
            Append(file, Frame(WithBitrate(index)));
    }
    Append(file, ID3v1());

    StreamSampleCount count;
    std::vector<StreamFrame> index;
    ASSERT_TRUE(CountStreamSamples(Write(file), count, &index));
    EXPECT_EQ(count.frameCount, static_cast<int64_t>(frames));
    EXPECT_EQ(count.totalSamples, static_cast<int64_t>(frames) * 1152);
    EXPECT_EQ(count.sampleRate, 44100);
    EXPECT_EQ(count.channels, 2);
    EXPECT_EQ(count.DurationMs(), static_cast<int64_t>(frames) * 1152 * 1000 / 44100);
    ASSERT_EQ(index.size(), frames);
    EXPECT_EQ(index[0].position, 310u);
    EXPECT_EQ(index[1].position, 310u + static_cast<size_t>(FrameLengthOf(WithBitrate(1))));
    EXPECT_EQ(index[1].firstSample, 1152);
    EXPECT_EQ(index.back().firstSample, count.totalSamples - 1152);
}

TEST_F(CountStreamSamplesTest, LeavesOutTheInformationFrameJunkATruncatedFrameAndTheID3v1Block)
{
    const FrameSpec shape;
    Bytes file = InfoFrame(shape, "Info", 0x3, 1000, 1); // its counts are not trusted
    Append(file, Bytes(37, 0x11)); // junk between frames
    Append(file, Frames(shape, 10));
    Bytes tag = ID3v1();
    // A tag whose text holds bytes that decode as a frame header.
    const Bytes header = FrameHeaderBytes(WithBitrate(1));
    std::copy(header.begin(), header.end(), tag.begin() + 3);
    Bytes truncated = Frame(shape);
    truncated.resize(100);
    Append(file, truncated);
    Append(file, tag);

    StreamSampleCount count;
    ASSERT_TRUE(CountStreamSamples(Write(file), count));
    EXPECT_EQ(count.frameCount, 10);
    EXPECT_EQ(count.totalSamples, 11520);
}

TEST_F(CountStreamSamplesTest, UsesTheSamplesOfEachVersionAndTheChannelsOfTheFirstFrame)
{
    FrameSpec mpeg2;
    mpeg2.version = 2; // 576 samples per Layer III frame, 22050 Hz
    mpeg2.channelMode = 3;
    StreamSampleCount count;
    ASSERT_TRUE(CountStreamSamples(Write(Frames(mpeg2, 25)), count));
    EXPECT_EQ(count.totalSamples, 25 * 576);
    EXPECT_EQ(count.sampleRate, 22050);
    EXPECT_EQ(count.channels, 1);
    EXPECT_EQ(count.DurationMs(), 25 * 576 * 1000 / 22050);
}

TEST_F(CountStreamSamplesTest, RefusesFilesWithoutAudio)
{
    StreamSampleCount count;
    std::vector<StreamFrame> index = { StreamFrame {} };
    EXPECT_FALSE(CountStreamSamples(dir.File("missing.mp3"), count, &index));
    EXPECT_TRUE(index.empty());
    EXPECT_FALSE(CountStreamSamples(Write({}, "empty.mp3"), count));
    EXPECT_FALSE(CountStreamSamples(Write(Bytes(5000, 0x20), "text.mp3"), count));
    EXPECT_FALSE(CountStreamSamples(Write(InfoFrame(FrameSpec {}), "info-only.mp3"), count));
    EXPECT_FALSE(CountStreamSamples(dir.Path().string(), count));
    EXPECT_EQ(count.totalSamples, 0);
    EXPECT_EQ(count.DurationMs(), 0);
}

TEST_F(CountStreamSamplesTest, MatchesTheEncodersFrameCountForRealVbrAudioWithAndWithoutInfoFrame)
{
    ToneSpec shape;
    shape.vbr = true;
    shape.seconds = 3.0;
    shape.writeInfoFrame = true;
    const Bytes encoded = EncodeTone(shape);
    Mp3SourceFile source;
    ASSERT_TRUE(source.Open(Write(encoded)));
    ASSERT_TRUE(source.HasInfoFrame());
    // The encoder's own count of the audio frames it wrote, from its information frame.
    const auto& info = source.InfoFrame();
    const size_t at = 4 + static_cast<size_t>(source.SideInfoSize()) + 8;
    const int64_t encodedFrames
        = (int64_t { info[at] } << 24) | (info[at + 1] << 16) | (info[at + 2] << 8) | info[at + 3];

    StreamSampleCount withInfo;
    ASSERT_TRUE(CountStreamSamples(source, withInfo));
    EXPECT_EQ(withInfo.frameCount, encodedFrames);
    EXPECT_EQ(withInfo.totalSamples, encodedFrames * 1152);

    const Bytes withoutInfoFrame(encoded.begin() + static_cast<long>(source.InfoFrameLength()), encoded.end());
    StreamSampleCount plain;
    ASSERT_TRUE(CountStreamSamples(Write(withoutInfoFrame, "plain.mp3"), plain));
    EXPECT_EQ(plain.totalSamples, withInfo.totalSamples);
    EXPECT_GE(plain.DurationMs(), 3000);
}

TEST(StreamSampleCount, DurationOfMoreThan27HoursDoesNotOverflow)
{
    StreamSampleCount count;
    count.sampleRate = 44100;
    // 100 hours and 10 ms of samples at 44.1 kHz, 320 ticks each.
    count.durationTicks = (int64_t { 44100 } * 100 * 3600 + 441) * 320;
    EXPECT_EQ(count.DurationMs(), int64_t { 100 } * 3600 * 1000 + 10);
    EXPECT_EQ(count.SamplesAtFirstRate(), int64_t { 44100 } * 100 * 3600 + 441);
    count.durationTicks = INT64_MAX / 2;
    EXPECT_GT(count.DurationMs(), 0);
}
