// Pieces cut at times play exactly round(t_end x rate) - round(t_start x rate) samples through a
// decoder that honours the LAME tag, and together play the source.
#include "engine/cut/SplitRun.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/GaplessDecode.h"
#include "tests/support/Mp3Layout.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

struct ExactKind {
    const char* name;
    bool vbr;
    bool tagged;
    int sampleRate;
    int channels;
};

constexpr ExactKind kExactKinds[] = {
    { "cbr", false, true, 44100, 2 },
    { "vbr", true, true, 44100, 2 },
    { "tagless", false, false, 44100, 2 },
    { "tagless_vbr", true, false, 44100, 2 },
    { "mpeg2_vbr", true, true, 22050, 1 },
    { "mpeg2_tagless", false, false, 24000, 1 },
};

class ExactCutTest : public ::testing::TestWithParam<ExactKind> { };

int64_t SampleAt(int64_t ms, int rate) { return (ms * rate + 500) / 1000; }

TEST_P(ExactCutTest, PiecesPlayExactlyTheirSpanAndTogetherTheSource)
{
    const ExactKind kind = GetParam();
    TempDir dir;
    const std::string path = dir.File("song.mp3");
    WriteFile(path, EncodePcm(MakeMusic(7.0, kind.sampleRate, kind.channels), 128, kind.vbr, kind.tagged, 2));
    const Pcm whole = DecodeGapless(path);
    ASSERT_GT(whole.left.size(), 6u * static_cast<size_t>(kind.sampleRate));

    CutterSource source;
    source.path = path;
    source.totalDuration = 70;
    // Points inside frames, one on a tenth, and a skipped piece: first, middle and last pieces.
    const std::vector<int64_t> bounds = { 0, 1234, 2500, 3007, 4321, 7000 };
    std::vector<PieceEntry> entries;
    for (size_t i = 0; i + 1 < bounds.size(); ++i) {
        PieceEntry entry;
        entry.startMs = bounds[i];
        entry.endMs = bounds[i + 1];
        entry.start = static_cast<int32_t>(bounds[i] / 100);
        entry.end = static_cast<int32_t>(bounds[i + 1] / 100);
        entry.checked = i != 2;
        entries.push_back(entry);
    }
    SplitSettings settings;
    std::string errorText;
    ASSERT_TRUE(CutBySelection(source, entries, settings, errorText)) << errorText;
    ASSERT_EQ(source.outputFiles.size(), 4u);

    size_t piece = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!entries[i].checked)
            continue;
        SCOPED_TRACE(entries[i].outputPath);
        const int64_t begin = SampleAt(bounds[i], kind.sampleRate);
        const bool last = i + 1 == entries.size();
        const int64_t end = last ? static_cast<int64_t>(whole.left.size()) : SampleAt(bounds[i + 1], kind.sampleRate);
        size_t differences = 0;
        const Pcm decoded = DecodeGaplessAgainst(entries[i].outputPath, whole, static_cast<size_t>(begin), differences);
        EXPECT_EQ(static_cast<int64_t>(decoded.left.size()), end - begin);
        // The bit reservoir of a VBR boundary may reach further back than the tag's delay lets
        // priming go: then the first frames may differ, never more.
        EXPECT_LE(differences, kind.vbr ? 2u * 1152u * static_cast<size_t>(kind.channels) : 0u);
        const Mp3Layout layout = ReadMp3Layout(ReadFile(entries[i].outputPath));
        ASSERT_TRUE(layout.lame);
        EXPECT_LE(layout.lame->delay, 4095);
        EXPECT_LE(layout.lame->padding, 4095);
        ++piece;
    }
    EXPECT_EQ(piece, 4u);
}

// Each piece of outputs plays the source's samples between its bounds (milliseconds; the last
// piece to the end of the source), from the first piece to the last.
void ExpectPiecesPlay(const std::vector<std::string>& outputs, const std::vector<int64_t>& boundsMs, const Pcm& whole,
    const ExactKind& kind)
{
    ASSERT_EQ(outputs.size() + 1, boundsMs.size());
    for (size_t i = 0; i < outputs.size(); ++i) {
        SCOPED_TRACE(outputs[i]);
        const int64_t begin = SampleAt(boundsMs[i], kind.sampleRate);
        const int64_t end = i + 1 == outputs.size() ? static_cast<int64_t>(whole.left.size())
                                                    : SampleAt(boundsMs[i + 1], kind.sampleRate);
        size_t differences = 0;
        const Pcm decoded = DecodeGaplessAgainst(outputs[i], whole, static_cast<size_t>(begin), differences);
        EXPECT_EQ(static_cast<int64_t>(decoded.left.size()), end - begin);
        EXPECT_LE(differences, kind.vbr ? 2u * 1152u * static_cast<size_t>(kind.channels) : 0u);
    }
}

TEST_P(ExactCutTest, PiecesByTimePlayExactlyTheirDuration)
{
    const ExactKind kind = GetParam();
    TempDir dir;
    const std::string path = dir.File("song.mp3");
    WriteFile(path, EncodePcm(MakeMusic(7.0, kind.sampleRate, kind.channels), 128, kind.vbr, kind.tagged, 2));
    const Pcm whole = DecodeGapless(path);
    SplitSettings settings;
    std::string errorText;

    // The batch page's row: a duration with a fraction, as the command line gives it.
    BatchFileSource row { path, {}, static_cast<uint64_t>(whole.left.size()), kind.sampleRate, {} };
    ASSERT_TRUE(CutByDuration(row, 2345, settings, errorText)) << errorText;
    ExpectPiecesPlay(row.outputFiles, { 0, 2345, 4690, 7035 }, whole, kind);

    // The cutter page: whole seconds, and a last piece of the second left over.
    CutterSource source;
    source.path = path;
    source.totalDuration = 70;
    source.outputFiles = row.outputFiles; // the batch run's pieces go first
    ASSERT_TRUE(CutByTime(source, 0, 2, settings, errorText)) << errorText;
    ExpectPiecesPlay(source.outputFiles, { 0, 2000, 4000, 6000, 7000 }, whole, kind);
}

INSTANTIATE_TEST_SUITE_P(LameEncodings, ExactCutTest, ::testing::ValuesIn(kExactKinds),
    [](const testing::TestParamInfo<ExactKind>& param) { return std::string(param.param.name); });

} // namespace

namespace {

class ExactCutRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteFile(path, EncodePcm(MakeMusic(7.0), 128, false, true, 2));
        whole = DecodeGapless(path);
        source.path = path;
        source.totalDuration = 70;
    }

    // The samples piece plays against [begin, end) of the source.
    void ExpectPlays(const std::string& piece, int64_t begin, int64_t end) const
    {
        SCOPED_TRACE(piece);
        size_t differences = 0;
        const Pcm decoded = DecodeGaplessAgainst(piece, whole, static_cast<size_t>(begin), differences);
        EXPECT_EQ(static_cast<int64_t>(decoded.left.size()), end - begin);
        EXPECT_EQ(differences, 0u);
    }

    TempDir dir;
    const std::string path = dir.File("song.mp3");
    Pcm whole;
    CutterSource source;
    SplitSettings settings;
    std::string errorText;
};

// Overlaps widen each exact piece by their samples, however the pieces' spans were given.
TEST_F(ExactCutRunTest, OverlapsWidenEachPieceToTheSample)
{
    settings.options.ForwardOverlap = 5; // tenths
    settings.options.BackwardOverlap = 3;
    const int64_t total = static_cast<int64_t>(whole.left.size());
    auto widened = [&](int64_t beginMs, int64_t endMs, bool last) {
        return std::pair { std::max<int64_t>(0, SampleAt(beginMs, 44100) - 22050),
            last ? total : std::min(total, SampleAt(endMs, 44100) + 13230) };
    };

    ASSERT_TRUE(CutByTime(source, 0, 2, settings, errorText)) << errorText;
    ASSERT_EQ(source.outputFiles.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        const auto [begin, end] = widened(static_cast<int64_t>(i) * 2000, static_cast<int64_t>(i + 1) * 2000, i == 3);
        ExpectPlays(source.outputFiles[i], begin, end);
    }

    const std::vector<int64_t> bounds = { 0, 1234, 3007, 7000 };
    std::vector<PieceEntry> entries;
    for (size_t i = 0; i + 1 < bounds.size(); ++i) {
        PieceEntry entry;
        entry.startMs = bounds[i];
        entry.endMs = bounds[i + 1];
        entry.start = static_cast<int32_t>(bounds[i] / 100);
        entry.end = static_cast<int32_t>(bounds[i + 1] / 100);
        entry.checked = true;
        entries.push_back(entry);
    }
    ASSERT_TRUE(CutBySelection(source, entries, settings, errorText)) << errorText;
    ASSERT_EQ(source.outputFiles.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        const auto [begin, end] = widened(bounds[i], bounds[i + 1], i == 2);
        ExpectPlays(source.outputFiles[i], begin, end);
    }
}

// A piece the source ends before is neither written nor listed: after a skipped piece that runs
// past the end, and when the page's duration is longer than the audio.
TEST_F(ExactCutRunTest, PiecesPastTheSourcesEndAreNotListed)
{
    const std::vector<int64_t> bounds = { 0, 3000, 8000, 9000 };
    std::vector<PieceEntry> entries;
    for (size_t i = 0; i + 1 < bounds.size(); ++i) {
        PieceEntry entry;
        entry.startMs = bounds[i];
        entry.endMs = bounds[i + 1];
        entry.start = static_cast<int32_t>(bounds[i] / 100);
        entry.end = static_cast<int32_t>(bounds[i + 1] / 100);
        entry.checked = i != 1;
        entries.push_back(entry);
    }
    ASSERT_TRUE(CutBySelection(source, entries, settings, errorText)) << errorText;
    ASSERT_EQ(source.outputFiles.size(), 1u);
    EXPECT_EQ(source.outputFiles[0], dir.File("song_01.mp3"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("song_02.mp3")));
    ExpectPlays(source.outputFiles[0], 0, SampleAt(3000, 44100));

    // A duration of 12 s for 7 s of audio: pieces of 4 s, the third would start after the end.
    source.totalDuration = 120;
    ASSERT_TRUE(CutByTime(source, 0, 4, settings, errorText)) << errorText;
    ASSERT_EQ(source.outputFiles.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(dir.File("song_03.mp3")));
    ExpectPlays(source.outputFiles[1], SampleAt(4000, 44100), static_cast<int64_t>(whole.left.size()));
}

} // namespace
