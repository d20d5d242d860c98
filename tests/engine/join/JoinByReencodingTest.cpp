#include "engine/join/JoinJob.h"
#include "engine/stream/MpegFrameHeader.h"
#include "tests/engine/join/RecordingProgress.h"
#include "tests/engine/join/ReencodeTestAudio.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/Mp3Layout.h"
#include "tests/support/TempDir.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

std::string WriteTone(const TempDir& dir, const std::string& name, ToneSpec shape)
{
    const std::string path = dir.File(name);
    WriteFile(path, EncodeTone(shape));
    return path;
}

ToneSpec Tone(int sampleRate, int channels, int bitrate, double seconds)
{
    ToneSpec shape;
    shape.sampleRate = sampleRate;
    shape.channels = channels;
    shape.bitrate = bitrate;
    shape.seconds = seconds;
    return shape;
}

JoinJob MakeJob(const std::vector<std::string>& paths)
{
    JoinJob job;
    for (const std::string& path : paths)
        job.AddInput(path);
    job.AssignTag("Joined", "Artist", "", "", "", 255, false, 0);
    return job;
}

// The first frame, which follows the join's ID3v2 tag without junk in between.
MpegFrameHeader FirstHeader(const Bytes& bytes)
{
    const size_t start = ReadMp3Layout(bytes).id3v2Length;
    EXPECT_GT(start, 0u);
    const auto found = FindNextFrame(bytes, start);
    EXPECT_TRUE(found.has_value());
    EXPECT_EQ(found ? found->position : 0, start);
    return found ? found->header : MpegFrameHeader {};
}

// Encoder delay and flush padding of the output, in samples: a generous bound.
constexpr size_t kEncoderSlack = 576 + 529 + 2 * 1152;

} // namespace

TEST(JoinByReencoding, MixedFormatsBecomeOneStreamAtTheRightPitchLevelAndLength)
{
    TempDir dir;
    const std::string stereo = WriteTone(dir, "stereo.mp3", Tone(44100, 2, 128, 1.5));
    const std::string mono = WriteTone(dir, "mono.mp3", Tone(22050, 1, 64, 1.5));
    const Pcm first = DecodeFile(stereo);
    const Pcm second = DecodeFile(mono);
    ASSERT_FALSE(first.left.empty());
    ASSERT_FALSE(second.left.empty());

    JoinJob job = MakeJob({ stereo, mono });
    RecordingProgress progress;
    const std::string output = dir.File("joined.mp3");
    ASSERT_TRUE(job.JoinByReencoding(output, 44100, 128, 0, progress));
    EXPECT_TRUE(job.ErrorText().empty());

    const Bytes bytes = ReadFile(output);
    const MpegFrameHeader header = FirstHeader(bytes);
    EXPECT_EQ(header.sampleRate, 44100);
    EXPECT_EQ(header.bitrate, 128);
    EXPECT_EQ(header.channelMode, 0);
    const Pcm joined = DecodeFile(output);
    ASSERT_EQ(joined.sampleRate, 44100);
    ASSERT_EQ(joined.right.size(), joined.left.size());

    // The 22050 Hz input is upsampled by two, so it lasts as long as before.
    const size_t firstLength = first.left.size();
    const size_t expected = firstLength + 2 * second.left.size();
    EXPECT_GE(joined.left.size(), expected);
    EXPECT_LE(joined.left.size(), expected + kEncoderSlack);

    // The same 440 Hz tone in both parts: a rate left unconverted would sound an octave off.
    const size_t firstBegin = firstLength / 4, firstEnd = firstLength * 3 / 4;
    const size_t secondBegin = firstLength + second.left.size() / 2,
                 secondEnd = firstLength + second.left.size() * 3 / 2;
    EXPECT_NEAR(ZeroCrossingFrequency(joined.left, firstBegin, firstEnd, 44100), 440.0, 4.0);
    EXPECT_NEAR(ZeroCrossingFrequency(joined.left, secondBegin, secondEnd, 44100), 440.0, 4.0);
    EXPECT_NEAR(ZeroCrossingFrequency(joined.right, secondBegin, secondEnd, 44100), 440.0, 4.0);
    // Half-scale sine (RMS 0.354, a little less after two encodings), in both channels of the
    // mono part too, at the level of the part that needed no conversion.
    const double level = RmsLevel(joined.left, firstBegin, firstEnd);
    EXPECT_NEAR(level, 0.5 / std::sqrt(2.0), 0.05);
    EXPECT_NEAR(RmsLevel(joined.left, secondBegin, secondEnd), level, 0.01);
    EXPECT_NEAR(RmsLevel(joined.right, secondBegin, secondEnd), level, 0.01);

    // Between the inputs there is no more silence than their own padding and encoder delay
    // bring with them: one encoder runs through, without a flush or a restart in between.
    const size_t ownGap = TrailingSilence(first.left) + 2 * LeadingSilence(second.left);
    const size_t interior = LongestSilence(joined.left, 3000, joined.left.size() - 3000);
    EXPECT_LE(interior, ownGap + 64);

    // Ends with the job's tag and nothing else follows the frames.
    Bytes tag(128);
    BuildID3v1FromInfo(tag.data(), *job.Tag());
    EXPECT_TRUE(std::equal(tag.begin(), tag.end(), bytes.end() - 128));
}

TEST(JoinByReencoding, StereoInputsAveragedToMonoKeepTheirLevel)
{
    TempDir dir;
    const std::string a = WriteTone(dir, "a.mp3", Tone(44100, 2, 128, 1.0));
    ToneSpec lowTone = Tone(48000, 2, 160, 1.0);
    lowTone.frequency = 1000;
    const std::string b = WriteTone(dir, "b.mp3", lowTone);

    JoinJob job = MakeJob({ a, b });
    RecordingProgress progress;
    const std::string output = dir.File("mono.mp3");
    ASSERT_TRUE(job.JoinByReencoding(output, 44100, 96, 3, progress));
    const Bytes bytes = ReadFile(output);
    const MpegFrameHeader header = FirstHeader(bytes);
    EXPECT_EQ(header.channelMode, 3);
    EXPECT_EQ(header.bitrate, 96);
    // LAME's own information frame comes first, "Info" for a constant bitrate.
    const size_t tagPosition = ReadMp3Layout(bytes).id3v2Length + 4 + static_cast<size_t>(header.sideInfoSize);
    EXPECT_EQ(std::memcmp(bytes.data() + tagPosition, "Info", 4), 0);

    const Pcm joined = DecodeFile(output);
    ASSERT_EQ(joined.sampleRate, 44100);
    EXPECT_TRUE(joined.right.empty());
    // Averaging two equal channels keeps the level; a sum would double it.
    const double level = RmsLevel(DecodeFile(a).left, 11025, 33075);
    EXPECT_NEAR(RmsLevel(joined.left, 11025, 33075), level, 0.02);
    EXPECT_NEAR(ZeroCrossingFrequency(joined.left, 11025, 33075, 44100), 440.0, 4.0);
    // The 48 kHz input is resampled to 44.1 kHz, not played slower.
    EXPECT_NEAR(ZeroCrossingFrequency(joined.left, 44100 + 11025, 44100 + 33075, 44100), 1000.0, 8.0);
    EXPECT_NEAR(RmsLevel(joined.left, 44100 + 11025, 44100 + 33075), level, 0.02);
}

TEST(JoinByReencoding, AnInputThatChangesItsRateHalfWayIsJoinedWhole)
{
    TempDir dir;
    const std::string a = WriteTone(dir, "a.mp3", Tone(44100, 2, 128, 1.0));
    // The second input changes its sample rate half way: its 32 kHz part is resampled like an
    // input of that rate, not dropped.
    Bytes spliced = EncodeTone(Tone(44100, 2, 128, 0.5));
    const size_t firstHalfFrames = ReadMp3Layout(spliced).frames.size();
    const Bytes slower = EncodeTone(Tone(32000, 2, 128, 2.0));
    const size_t slowerFrames = ReadMp3Layout(slower).frames.size();
    Append(spliced, slower);
    WriteFile(dir.File("spliced.mp3"), spliced);
    const std::string c = WriteTone(dir, "c.mp3", Tone(44100, 2, 128, 1.0));

    JoinJob job = MakeJob({ a, dir.File("spliced.mp3"), c });
    RecordingProgress progress;
    ASSERT_TRUE(job.JoinByReencoding(dir.File("out.mp3"), 44100, 128, 1, progress));
    const Pcm joined = DecodeFile(dir.File("out.mp3"));
    const size_t inputs = DecodeFile(a).left.size() + DecodeFile(c).left.size();
    const size_t second = firstHalfFrames * 1152 + slowerFrames * 1152 * 44100 / 32000;
    EXPECT_GE(joined.left.size(), inputs + second - 64);
    EXPECT_LE(joined.left.size(), inputs + second + 2304 + kEncoderSlack);
    EXPECT_EQ(progress.lowerLabels.size(), 3u);
}

TEST(JoinByReencoding, ReportsPercentOfTheDecodedSamples)
{
    TempDir dir;
    const std::string a = WriteTone(dir, "a.mp3", Tone(44100, 2, 128, 1.0));
    JoinJob job = MakeJob({ a, a });
    RecordingProgress progress;
    ASSERT_TRUE(job.JoinByReencoding(dir.File("out.mp3"), 44100, 128, 1, progress));
    EXPECT_EQ(progress.lowerLabels,
        (std::vector<std::string> {
            "Joining 1 of 2 file(s) into out.mp3...", "Joining 2 of 2 file(s) into out.mp3..." }));
    EXPECT_EQ(progress.lower.positions, (std::vector<int> { 0, 1, 2 }));
    ASSERT_GE(progress.upperLabels.size(), 4u);
    EXPECT_EQ(progress.upperLabels.front(), "Processing a.mp3...0%");
    // The size estimate of a CBR input is close enough for the count to end near 100%.
    const std::string& last = progress.upperLabels.back();
    ASSERT_EQ(last.rfind("Processing a.mp3...", 0), 0u) << last;
    EXPECT_GE(std::atoi(last.c_str() + std::strlen("Processing a.mp3...")), 90) << last;
}

TEST(JoinByReencoding, CancelAtAChosenFrameDeletesTheOutput)
{
    TempDir dir;
    const std::string a = WriteTone(dir, "a.mp3", Tone(44100, 2, 128, 0.5));
    const std::string b = WriteTone(dir, "b.mp3", Tone(22050, 1, 64, 0.5));
    const std::string output = dir.File("out.mp3");
    for (const auto& [input, frame] : std::vector<std::pair<int, int>> { { 1, 0 }, { 2, 5 }, { 3, 3 } }) {
        SCOPED_TRACE(testing::Message() << "input " << input << " frame " << frame);
        JoinJob job = MakeJob({ a, b, a });
        RecordingProgress progress;
        progress.CancelAt(input, frame);
        EXPECT_FALSE(job.JoinByReencoding(output, 44100, 128, 1, progress));
        EXPECT_TRUE(job.ErrorText().empty());
        EXPECT_FALSE(std::filesystem::exists(output));
    }
}

TEST(JoinByReencoding, ABadInputFailsWithItsPathAndDeletesTheOutput)
{
    TempDir dir;
    const std::string a = WriteTone(dir, "a.mp3", Tone(44100, 2, 128, 0.5));
    WriteFile(dir.File("junk.mp3"), Bytes(3000, 0x41));
    const std::string output = dir.File("out.mp3");
    for (const std::string bad : { "junk.mp3", "missing.mp3" }) {
        JoinJob job = MakeJob({ a, dir.File(bad) });
        RecordingProgress progress;
        EXPECT_FALSE(job.JoinByReencoding(output, 44100, 128, 1, progress));
        EXPECT_EQ(job.ErrorText(), "Failed to open file \"" + dir.File(bad) + "\".");
        EXPECT_FALSE(std::filesystem::exists(output));
    }
}

TEST(JoinByReencoding, FailedWritesAndRefusedOutputsLeaveNoFileBehind)
{
    TempDir dir;
    const std::string a = WriteTone(dir, "a.mp3", Tone(44100, 2, 128, 1.0));
    const std::string output = dir.File("out.mp3");
    uint64_t fullSize = 0;
    {
        JoinJob job = MakeJob({ a, a });
        RecordingProgress progress;
        ASSERT_TRUE(job.JoinByReencoding(output, 44100, 128, 1, progress));
        fullSize = std::filesystem::file_size(output);
    }
    const Bytes complete = ReadFile(output);
    // Full disk in the middle of the frames, and just before the tag: the complete file written
    // before stays as it was, and nothing else is left in the folder.
    for (const rlim_t limit : { rlim_t { 4000 }, static_cast<rlim_t>(fullSize - 60) }) {
        SCOPED_TRACE(limit);
        JoinJob job = MakeJob({ a, a });
        RecordingProgress progress;
        bool joined = true;
        {
            FileSizeLimit full(limit);
            joined = job.JoinByReencoding(output, 44100, 128, 1, progress);
        }
        EXPECT_FALSE(joined);
        EXPECT_EQ(job.ErrorText(), "Failed to write file \"" + output + "\".");
        EXPECT_EQ(ReadFile(output), complete);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
    }

    // The output named by another spelling of an input.
    const Bytes original = ReadFile(a);
    JoinJob job = MakeJob({ a, a });
    RecordingProgress progress;
    const std::string sameFile = dir.File("./a.mp3");
    EXPECT_FALSE(job.JoinByReencoding(sameFile, 44100, 128, 1, progress));
    EXPECT_EQ(job.ErrorText(), "Failed to create file \"" + sameFile + "\".");
    EXPECT_EQ(ReadFile(a), original);
}

TEST(JoinByReencoding, ASampleRateThatIsNotPositiveIsRefusedWithoutAMessage)
{
    TempDir dir;
    const std::string a = WriteTone(dir, "a.mp3", Tone(44100, 2, 128, 0.3));
    JoinJob job = MakeJob({ a, a });
    RecordingProgress progress;
    const std::string output = dir.File("out.mp3");
    EXPECT_FALSE(job.JoinByReencoding(output, 0, 128, 1, progress));
    EXPECT_TRUE(job.ErrorText().empty());
    EXPECT_FALSE(std::filesystem::exists(output));
}
