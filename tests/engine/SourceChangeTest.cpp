// Sources that change while a cut or a join reads them: truncated under the reader, or replaced by
// a file of another format between the join's scan and its turn. Each change happens at a chosen
// pump of the job, so the runs are deterministic.
#include "engine/cut/SplitRun.h"
#include "engine/join/JoinJob.h"
#include "tests/engine/cut/CutTestSupport.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Runs an action once, at a chosen pump of the job.
class ChangingJob : public JobProgress {
public:
    ChangingJob(long atPump, std::function<void()> action)
        : atPump_(atPump)
        , action_(std::move(action))
    {
    }
    bool IsCancelled() const override { return false; }
    void Pump() override
    {
        if (++pumps == atPump_)
            action_();
    }
    ProgressBar* Bar(Slot) override { return nullptr; }
    void SetLabel(Slot, const std::string&) override { }

    long pumps = 0;

private:
    long atPump_;
    std::function<void()> action_;
};

// 3000 frames of 417 bytes: 1.25 MB, more than one read window.
constexpr int kFrames = 3000;

std::vector<std::string> FilesIn(const TempDir& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class TruncatedCut : public ::testing::TestWithParam<bool> { };

} // namespace

// Truncated in the second of three pieces, by frame copy or by re-encoding with fades: the run
// fails with the read message naming the source, and no piece of it is left, the first included.
TEST_P(TruncatedCut, FailsWithTheReadMessageAndLeavesNoPiece)
{
    TempDir dir;
    const std::string path = dir.File("song.mp3");
    WriteFile(path, Frames({}, kFrames));
    CutterSource source;
    source.path = path;
    source.totalSize = static_cast<uint32_t>(kFrames * 417);
    source.totalDuration = kFrames * 1152 / 4410;
    ChangingJob job(kFrames / 2, [&] { ASSERT_EQ(::truncate(path.c_str(), 417 * 200), 0); });
    SplitSettings settings;
    settings.job = &job;
    settings.options.EnableFadeIn = GetParam();
    settings.options.FadeInLen = 5;
    std::string errorText;

    EXPECT_FALSE(CutByCount(source, 3, settings, errorText));
    EXPECT_EQ(errorText, "Failed to read file \"" + path + "\".");
    EXPECT_TRUE(source.outputFiles.empty());
    EXPECT_EQ(FilesIn(dir), std::vector<std::string> { "song.mp3" });
}

INSTANTIATE_TEST_SUITE_P(FrameCopyAndFade, TruncatedCut, ::testing::Bool());

TEST(TruncatedCut, ASourceCutShortBeforeItsLastPieceFailsTheSelection)
{
    TempDir dir;
    const std::string path = dir.File("song.mp3");
    WriteFile(path, Frames({}, kFrames));
    CutterSource source;
    source.path = path;
    // Truncated while the unchecked first entry is passed over.
    ChangingJob job(10, [&] { ASSERT_EQ(::truncate(path.c_str(), 417 * 100), 0); });
    SplitSettings settings;
    settings.job = &job;
    std::vector<PieceEntry> entries(3);
    for (int32_t i = 0; i < 3; ++i) {
        entries[static_cast<size_t>(i)].start = i * 200;
        entries[static_cast<size_t>(i)].end = (i + 1) * 200;
        entries[static_cast<size_t>(i)].checked = i > 0;
    }
    std::string errorText;
    EXPECT_FALSE(CutBySelection(source, entries, settings, errorText));
    EXPECT_EQ(errorText, "Failed to read file \"" + path + "\".");
    EXPECT_EQ(FilesIn(dir), std::vector<std::string> { "song.mp3" });
}

namespace {

struct JoinRun {
    TempDir dir;
    std::string first = dir.File("a.mp3");
    std::string second = dir.File("b.mp3");
    std::string output = dir.File("joined.mp3");

    JoinRun()
    {
        WriteFile(first, Frames({}, kFrames));
        WriteFile(second, Frames({}, kFrames));
        WriteFile(output, Bytes(5, 0x42)); // an earlier result the failed join must keep
    }
    bool Join(ChangingJob& job, JoinJob& joinJob)
    {
        joinJob.AddInput(first);
        joinJob.AddInput(second);
        return joinJob.JoinByFrameCopy(output, job);
    }
};

} // namespace

TEST(ChangedJoinInput, ATruncatedInputFailsTheJoinWithTheReadMessage)
{
    for (const bool firstInput : { true, false }) {
        JoinRun run;
        const std::string& victim = firstInput ? run.first : run.second;
        // Two scan pumps, then one pump per frame; truncated a third of the way into its input.
        const long at = 2 + (firstInput ? kFrames / 3 : kFrames + kFrames / 3);
        ChangingJob job(at, [&] { ASSERT_EQ(::truncate(victim.c_str(), 417 * 10), 0); });
        JoinJob joinJob;
        EXPECT_FALSE(run.Join(job, joinJob));
        EXPECT_EQ(joinJob.ErrorText(), "Failed to read file \"" + victim + "\".");
        EXPECT_EQ(ReadFile(run.output), Bytes(5, 0x42));
        EXPECT_EQ(FilesIn(run.dir), (std::vector<std::string> { "a.mp3", "b.mp3", "joined.mp3" }));
    }
}

TEST(ChangedJoinInput, AnInputReplacedByAnotherFormatFailsAtItsTurn)
{
    FrameSpec half {};
    half.version = 2; // MPEG-2 Layer III: 22050 Hz
    half.bitrateIndex = 8;
    FrameSpec mono {};
    mono.channelMode = 3;
    FrameSpec layer2 {};
    layer2.layer = 2;
    for (const FrameSpec& other : { half, mono, layer2 }) {
        JoinRun run;
        // Replaced while the first input is copied, after the scan found both alike.
        ChangingJob job(100, [&] { WriteFile(run.second, Frames(other, 50)); });
        JoinJob joinJob;
        EXPECT_FALSE(run.Join(job, joinJob));
        EXPECT_EQ(joinJob.ErrorText(), "Failed to open file \"" + run.second + "\".");
        EXPECT_EQ(ReadFile(run.output), Bytes(5, 0x42));
        EXPECT_EQ(FilesIn(run.dir), (std::vector<std::string> { "a.mp3", "b.mp3", "joined.mp3" }));
    }
    // The same check at the scan: inputs of two formats are never copied into one stream.
    JoinRun run;
    WriteFile(run.second, Frames(half, 50));
    ChangingJob job(0, [] {});
    JoinJob joinJob;
    EXPECT_FALSE(run.Join(job, joinJob));
    EXPECT_EQ(joinJob.ErrorText(), "Failed to open file \"" + run.second + "\".");
    EXPECT_EQ(ReadFile(run.output), Bytes(5, 0x42));
}

// The re-encoding join reads its inputs through the decoder: a truncation there ends the decode
// before the audio does, which fails the join instead of writing a shorter file.
TEST(ChangedJoinInput, ATruncatedInputFailsTheReencodingJoinWithTheReadMessage)
{
    TempDir dir;
    ToneSpec tone;
    tone.seconds = 80; // 1.3 MB: more than the reader holds at once
    const std::string input = dir.File("long.mp3");
    WriteFile(input, EncodeTone(tone));
    const std::string output = dir.File("joined.mp3");
    WriteFile(output, Bytes(5, 0x42));
    // One pump per decoded frame; truncated 500 frames into the first input.
    ChangingJob job(500, [&] { ASSERT_EQ(::truncate(input.c_str(), 417 * 10), 0); });
    JoinJob joinJob;
    joinJob.AddInput(input);
    joinJob.AddInput(input);
    EXPECT_FALSE(joinJob.JoinByReencoding(output, 44100, 128, 1, job));
    EXPECT_EQ(joinJob.ErrorText(), "Failed to read file \"" + input + "\".");
    EXPECT_EQ(ReadFile(output), Bytes(5, 0x42));
    EXPECT_EQ(FilesIn(dir), (std::vector<std::string> { "joined.mp3", "long.mp3" }));
}
