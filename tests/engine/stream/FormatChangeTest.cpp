// Streams whose frames change their sample rate, MPEG version or layer part way (real encodings
// laid one after the other): the count says where, durations time every frame at its own rate,
// and a frame-copy join re-encodes rather than put frames of two rates under one header.
#include "engine/join/JoinJob.h"
#include "engine/stream/CountStreamSamples.h"
#include "tests/engine/join/RecordingProgress.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/GaplessDecode.h"
#include "tests/support/Mp3Layout.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

ToneSpec Tone(int sampleRate, int channels, double seconds)
{
    ToneSpec shape;
    shape.sampleRate = sampleRate;
    shape.channels = channels;
    shape.seconds = seconds;
    return shape;
}

int64_t FramesOf(const Bytes& bytes) { return static_cast<int64_t>(ReadMp3Layout(bytes).frames.size()); }

} // namespace

TEST(FormatChange, TheCountNamesTheFirstFrameOfTheNewFormatAndTimesEachFrameAtItsRate)
{
    TempDir dir;
    // Layer II frames built byte by byte: 48 kHz, 1152 samples, 384 bytes at 128 kbit/s.
    FrameSpec layer2;
    layer2.layer = 2;
    layer2.sampleRateIndex = 1;
    struct Case {
        const char* name;
        Bytes first, second;
        bool changes;
    };
    const std::vector<Case> cases {
        { "44100 then 48000", EncodeTone(Tone(44100, 2, 1.0)), EncodeTone(Tone(48000, 2, 1.0)), true },
        { "MPEG-1 then MPEG-2", EncodeTone(Tone(44100, 2, 1.0)), EncodeTone(Tone(22050, 2, 1.0)), true },
        { "Layer III then Layer II", EncodeTone(Tone(48000, 2, 1.0)), Frames(layer2, 30), true },
        { "stereo then mono", EncodeTone(Tone(44100, 2, 1.0)), EncodeTone(Tone(44100, 1, 1.0)), false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes stream = c.first;
        Append(stream, c.second);
        const std::string path = dir.File("stream.mp3");
        WriteFile(path, stream);
        const Mp3Layout layout = ReadMp3Layout(stream);
        const int64_t firstFrames = FramesOf(c.first);

        StreamSampleCount count;
        ASSERT_TRUE(CountStreamSamples(path, count));
        EXPECT_EQ(count.frameCount, static_cast<int64_t>(layout.frames.size()));
        if (c.changes) {
            EXPECT_EQ(count.formatChangeAtFrame, firstFrames);
            EXPECT_EQ(count.formatChangeHeader.sampleRate,
                DecodeFrameHeader(layout.frames[static_cast<size_t>(firstFrames)].data())->sampleRate);
        } else {
            EXPECT_FALSE(count.formatChangeAtFrame.has_value());
        }
        // Each frame's samples at its own rate, in exact fractions of a millisecond.
        double seconds = 0;
        for (const Bytes& frame : layout.frames) {
            const auto header = DecodeFrameHeader(frame.data());
            seconds += static_cast<double>(header->samplesPerFrame) / header->sampleRate;
        }
        EXPECT_EQ(count.DurationMs(), static_cast<int64_t>(seconds * 1000 + 1e-6));
        EXPECT_EQ(count.SamplesAtFirstRate(), static_cast<int64_t>(seconds * count.sampleRate + 1e-6));
    }
}

TEST(FormatChange, AFrameCopyJoinReencodesAnInputThatChangesItsRate)
{
    TempDir dir;
    Bytes changing = EncodeTone(Tone(44100, 2, 1.0));
    const int64_t atFirstRate = FramesOf(changing);
    const Bytes faster = EncodeTone(Tone(48000, 2, 1.0));
    const int64_t atSecondRate = FramesOf(faster);
    Append(changing, faster);
    const std::string changingPath = dir.File("changing.mp3");
    WriteFile(changingPath, changing);
    const std::string plainPath = dir.File("plain.mp3");
    const Bytes plain = EncodeTone(Tone(44100, 2, 1.0));
    WriteFile(plainPath, plain);
    const double inputSamplesAt48000
        = (atFirstRate + FramesOf(plain)) * 1152 * 48000.0 / 44100 + static_cast<double>(atSecondRate * 1152);

    // As the first input and as the second: the inputs' first frames agree, so the method chosen
    // from them is frame copy.
    for (const auto& inputs : { std::vector { changingPath, plainPath }, std::vector { plainPath, changingPath } }) {
        JoinJob job;
        for (const std::string& input : inputs)
            job.AddInput(input);
        job.AssignTag("Joined", "", "", "", "", 255, false, 0);
        RecordingProgress progress;
        const std::string output = dir.File("joined.mp3");
        ASSERT_TRUE(job.JoinByFrameCopy(output, progress)) << job.ErrorText();
        ASSERT_TRUE(job.ReencodedInstead().has_value());
        EXPECT_EQ(job.ReencodedInstead()->sampleRate, 48000);
        EXPECT_EQ(job.ReencodedInstead()->bitrate, 128);

        // One rate throughout, the highest, and all of both inputs in it.
        const Mp3Layout layout = ReadMp3Layout(ReadFile(output));
        ASSERT_FALSE(layout.frames.empty());
        for (const Bytes& frame : layout.frames)
            ASSERT_EQ(DecodeFrameHeader(frame.data())->sampleRate, 48000);
        EXPECT_NEAR(static_cast<double>(DecodeGapless(output).left.size()), inputSamplesAt48000, 64.0);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 3);
    }

    // Inputs that keep their format are still copied.
    JoinJob job;
    job.AddInput(plainPath);
    job.AddInput(plainPath);
    RecordingProgress progress;
    ASSERT_TRUE(job.JoinByFrameCopy(dir.File("copied.mp3"), progress));
    EXPECT_FALSE(job.ReencodedInstead().has_value());
    EXPECT_EQ(ReadMp3Layout(ReadFile(dir.File("copied.mp3"))).frames.size(), 2 * ReadMp3Layout(plain).frames.size());
}
