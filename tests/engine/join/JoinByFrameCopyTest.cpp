#include "engine/join/JoinJob.h"
#include "engine/stream/ID3v2Fields.h"
#include "tests/engine/join/RecordingProgress.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/Mp3Layout.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

const FrameSpec kSpec {}; // MPEG-1 Layer III, 128 kbit/s, 44100 Hz, joint stereo

Bytes TagBlock(const JoinJob& job)
{
    Bytes block(128);
    BuildID3v1FromInfo(block.data(), *job.Tag());
    return block;
}

// Two inputs and the frames a join must take from them, in order.
struct Inputs {
    std::string first, second;
    Bytes frames;
};

// The first input carries an ID3v2 tag, an information frame and an ID3v1 tag; the second junk
// before and between its frames and a last frame cut short.
Inputs MakeDamagedInputs(const TempDir& dir)
{
    Inputs inputs { dir.File("first.mp3"), dir.File("second.mp3"), {} };
    const Bytes firstFrames = Frames(kSpec, 6);
    Bytes first = ID3v2Block(300);
    Append(first, InfoFrame(kSpec, "Xing", 0x3, 6, static_cast<uint32_t>(firstFrames.size())));
    Append(first, firstFrames);
    Append(first, ID3v1("Source", "Someone", 3, 17));
    WriteFile(inputs.first, first);

    FrameSpec padded = kSpec;
    padded.padding = 1;
    const Bytes run1 = Frames(kSpec, 3);
    const Bytes run2 = Frames(padded, 2);
    Bytes second(37, 0x00);
    Append(second, run1);
    Append(second, Bytes(11, 0x20));
    Append(second, run2);
    Bytes shortFrame = Frame(kSpec);
    shortFrame.resize(200);
    Append(second, shortFrame);
    WriteFile(inputs.second, second);

    inputs.frames = firstFrames;
    Append(inputs.frames, run1);
    Append(inputs.frames, run2);
    return inputs;
}

JoinJob MakeJob(const std::vector<std::string>& paths)
{
    JoinJob job;
    for (const std::string& path : paths)
        job.AddInput(path);
    job.AssignTag("Joined", "Artist", "Album", "2024", "Comment", 255, true, 7);
    return job;
}

} // namespace

TEST(JoinByFrameCopy, WritesExactlyTheInputsFramesThenTheTag)
{
    TempDir dir;
    const Inputs inputs = MakeDamagedInputs(dir);
    JoinJob job = MakeJob({ inputs.first, inputs.second });
    RecordingProgress progress;
    const std::string output = dir.File("joined.mp3");

    // The first input announces a variable bitrate ("Xing"): the result gets an information frame
    // of its own, which counts its frames, and nothing of the inputs' information frames.
    ASSERT_TRUE(job.JoinByFrameCopy(output, progress));
    EXPECT_TRUE(job.ErrorText().empty());
    const Bytes joined = ReadFile(output);
    const Mp3Layout layout = ReadMp3Layout(joined);
    ASSERT_FALSE(layout.infoFrame.empty());
    EXPECT_FALSE(layout.xing); // every frame written is at 128 kbit/s: "Info"
    Bytes expected = BuildID3v2Tag(*job.Tag());
    Append(expected, layout.infoFrame);
    Append(expected, inputs.frames);
    Append(expected, TagBlock(job));
    EXPECT_EQ(joined, expected);
    EXPECT_EQ(layout.frameCount, 11u);
    EXPECT_EQ(layout.byteCount, layout.infoFrame.size() + inputs.frames.size());
    EXPECT_EQ(layout.seekTable, ExpectedSeekTable(layout.frames, layout.infoFrame.size()));
    // Without a LAME tag on the first input the result has none: any delay there, even 0, would
    // make gapless decoders drop the 529 samples the first input's decode starts with.
    EXPECT_FALSE(layout.lame);
}

TEST(JoinByFrameCopy, InputsWithoutInformationFramesAtOneBitrateGetNone)
{
    TempDir dir;
    const Bytes frames = Frames(kSpec, 6);
    WriteFile(dir.File("a.mp3"), frames);
    WriteFile(dir.File("b.mp3"), frames);
    JoinJob job = MakeJob({ dir.File("a.mp3"), dir.File("b.mp3") });
    RecordingProgress progress;
    ASSERT_TRUE(job.JoinByFrameCopy(dir.File("joined.mp3"), progress));
    Bytes expected = BuildID3v2Tag(*job.Tag());
    Append(expected, frames);
    Append(expected, frames);
    Append(expected, TagBlock(job));
    EXPECT_EQ(ReadFile(dir.File("joined.mp3")), expected);
}

TEST(JoinByFrameCopy, ReplacesAnExistingOutputAndAlwaysEndsWithTheJobsTag)
{
    TempDir dir;
    const Bytes frames = Frames(kSpec, 4);
    WriteFile(dir.File("a.mp3"), frames);
    WriteFile(dir.File("b.mp3"), frames);
    WriteFile(dir.File("out.mp3"), Bytes(100000, 0x11));
    JoinJob job;
    job.AddInput(dir.File("a.mp3"));
    job.AddInput(dir.File("b.mp3"));
    job.AssignTag("", "", "", "", "", 255, false, 0);
    RecordingProgress progress;

    ASSERT_TRUE(job.JoinByFrameCopy(dir.File("out.mp3"), progress));
    const Bytes joined = ReadFile(dir.File("out.mp3"));
    ASSERT_EQ(joined.size(), 2 * frames.size() + 128);
    EXPECT_TRUE(std::equal(frames.begin(), frames.end(), joined.begin()));
    EXPECT_TRUE(std::equal(frames.begin(), frames.end(), joined.begin() + static_cast<long>(frames.size())));
    EXPECT_EQ(Bytes(joined.end() - 128, joined.end() - 125), (Bytes { 'T', 'A', 'G' }));
    EXPECT_EQ(joined.back(), 255);
}

TEST(JoinByFrameCopy, ReportsEachInputOnTheLabelsAndBars)
{
    TempDir dir;
    const Inputs inputs = MakeDamagedInputs(dir);
    JoinJob job = MakeJob({ inputs.first, inputs.second });
    RecordingProgress progress;
    ASSERT_TRUE(job.JoinByFrameCopy(dir.File("joined.mp3"), progress));

    EXPECT_EQ(progress.lowerLabels,
        (std::vector<std::string> {
            "Joining 1 of 2 file(s) into joined.mp3...", "Joining 2 of 2 file(s) into joined.mp3..." }));
    EXPECT_EQ(progress.lower.range, (std::pair { 0, 2 }));
    EXPECT_EQ(progress.lower.positions, (std::vector<int> { 0, 1, 2 }));
    EXPECT_EQ(progress.upper.range, (std::pair { 0, progress.upper.width }));
    ASSERT_FALSE(progress.upperLabels.empty());
    EXPECT_EQ(progress.upperLabels.front(), "Processing first.mp3...0%");
    // Percentages only grow within an input, and the second input starts again at 0%.
    int second = -1;
    for (size_t i = 0; i < progress.upperLabels.size(); ++i) {
        if (progress.upperLabels[i] == "Processing second.mp3...0%")
            second = static_cast<int>(i);
    }
    EXPECT_GT(second, 1);
    EXPECT_EQ(progress.upperLabels[static_cast<size_t>(second) - 1].rfind("Processing first.mp3...", 0), 0u);
    for (int position : progress.upper.positions)
        EXPECT_LE(position, progress.upper.width);
    EXPECT_GT(progress.pumps, 12); // at least one per frame
}

TEST(JoinByFrameCopy, AnInputThatCannotBeOpenedFailsAndDeletesTheOutput)
{
    TempDir dir;
    WriteFile(dir.File("good.mp3"), Frames(kSpec, 5));
    WriteFile(dir.File("zeros.mp3"), Bytes(5000, 0x00)); // no frame at all
    WriteFile(dir.File("empty.mp3"), Bytes {});
    const std::string output = dir.File("joined.mp3");

    for (const std::string bad : { "missing.mp3", "zeros.mp3", "empty.mp3" }) {
        SCOPED_TRACE(bad);
        JoinJob job = MakeJob({ dir.File("good.mp3"), dir.File(bad), dir.File("good.mp3") });
        RecordingProgress progress;
        EXPECT_FALSE(job.JoinByFrameCopy(output, progress));
        EXPECT_EQ(job.ErrorText(), "Failed to open file \"" + dir.File(bad) + "\".");
        EXPECT_FALSE(std::filesystem::exists(output));
    }
}

TEST(JoinByFrameCopy, AnOutputThatCannotBeCreatedFailsWithItsPath)
{
    TempDir dir;
    WriteFile(dir.File("a.mp3"), Frames(kSpec, 5));
    JoinJob job = MakeJob({ dir.File("a.mp3"), dir.File("a.mp3") });
    RecordingProgress progress;
    const std::string output = dir.File("no-such-folder/joined.mp3");
    EXPECT_FALSE(job.JoinByFrameCopy(output, progress));
    EXPECT_EQ(job.ErrorText(), "Failed to create file \"" + output + "\".");
}

TEST(JoinByFrameCopy, CancelStopsAtTheChosenFrameAndDeletesTheOutput)
{
    TempDir dir;
    const Inputs inputs = MakeDamagedInputs(dir);
    const std::string output = dir.File("joined.mp3");
    for (const auto& [input, frame] : std::vector<std::pair<int, int>> { { 1, 0 }, { 1, 3 }, { 2, 0 }, { 2, 4 } }) {
        SCOPED_TRACE(testing::Message() << "input " << input << " frame " << frame);
        JoinJob job = MakeJob({ inputs.first, inputs.second });
        RecordingProgress progress;
        progress.CancelAt(input, frame);
        EXPECT_FALSE(job.JoinByFrameCopy(output, progress));
        EXPECT_TRUE(job.ErrorText().empty());
        EXPECT_FALSE(std::filesystem::exists(output));
        EXPECT_EQ(static_cast<int>(progress.lowerLabels.size()), input);
    }
}

TEST(JoinByFrameCopy, AFailedWriteDeletesTheOutputAndSaysSo)
{
    TempDir dir;
    const Bytes frames = Frames(kSpec, 20);
    WriteFile(dir.File("a.mp3"), frames);
    const std::string output = dir.File("joined.mp3");
    // A limit inside the frames, and one that lets the frames through but not the tag.
    for (const rlim_t limit : { rlim_t { 3000 }, static_cast<rlim_t>(2 * frames.size() + 60) }) {
        SCOPED_TRACE(limit);
        JoinJob job = MakeJob({ dir.File("a.mp3"), dir.File("a.mp3") });
        RecordingProgress progress;
        bool joined = true;
        {
            FileSizeLimit full(limit);
            joined = job.JoinByFrameCopy(output, progress);
        }
        EXPECT_FALSE(joined);
        EXPECT_EQ(job.ErrorText(), "Failed to write file \"" + output + "\".");
        EXPECT_FALSE(std::filesystem::exists(output));
    }
}

TEST(JoinByFrameCopy, RefusesAnOutputThatIsOneOfTheInputsUnderAnyName)
{
    TempDir dir;
    const Bytes original = Frames(kSpec, 8);
    WriteFile(dir.File("a.mp3"), original);
    WriteFile(dir.File("b.mp3"), original);
    std::filesystem::create_directory(dir.Path() / "sub");
    std::filesystem::create_symlink(dir.Path() / "b.mp3", dir.Path() / "link.mp3");
    std::filesystem::create_hard_link(dir.Path() / "b.mp3", dir.Path() / "hard.mp3");

    for (const std::string& output :
        { dir.File("b.mp3"), dir.File("sub/../b.mp3"), dir.File("link.mp3"), dir.File("hard.mp3") }) {
        SCOPED_TRACE(output);
        JoinJob job = MakeJob({ dir.File("a.mp3"), dir.File("b.mp3") });
        RecordingProgress progress;
        EXPECT_FALSE(job.JoinByFrameCopy(output, progress));
        EXPECT_EQ(job.ErrorText(), "Failed to create file \"" + output + "\".");
        EXPECT_EQ(ReadFile(dir.File("b.mp3")), original);
        EXPECT_TRUE(progress.lowerLabels.empty());
    }
}
