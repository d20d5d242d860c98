// Pieces cut at times play exactly round(t_end x rate) - round(t_start x rate) samples through a
// decoder that honours the LAME tag, and together play the source.
#include "engine/cut/SplitRun.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/GaplessDecode.h"
#include "tests/support/Mp3Layout.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

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

INSTANTIATE_TEST_SUITE_P(LameEncodings, ExactCutTest, ::testing::ValuesIn(kExactKinds),
    [](const testing::TestParamInfo<ExactKind>& param) { return std::string(param.param.name); });

} // namespace
