// Pieces of real LAME encodings, decoded as a gapless player decodes them, play back the source
// sample for sample, and join back into the source's frames.
#include "engine/cut/SplitRun.h"
#include "engine/join/ChooseJoinMethod.h"
#include "engine/join/JoinStreamFacts.h"
#include "tests/engine/join/RecordingProgress.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/GaplessDecode.h"
#include "tests/support/Mp3Layout.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

// What a test does to the encoder's information frame before cutting.
enum class Damage {
    None,
    StaleTagCrc, // a tag byte changed, its CRC left as it was
    WipedLameTag, // the LAME tag zeroed: an information frame without one
    HostileFields, // counts past the file, the largest delay and padding, a consistent CRC
};

struct SourceKind {
    const char* name;
    bool vbr; // lame -V 2
    bool tagged; // the encoder's Xing/Info frame with its LAME tag
    Damage damage = Damage::None;
    bool mpeg2 = false; // 22.05 kHz mono: MPEG-2 frames of 576 samples
};

constexpr SourceKind kKinds[] = {
    { "cbr", false, true },
    { "vbr", true, true },
    { "tagless", false, false },
    { "cbr_stale_tag_crc", false, true, Damage::StaleTagCrc },
    { "vbr_wiped_lame_tag", true, true, Damage::WipedLameTag },
    { "vbr_hostile_fields", true, true, Damage::HostileFields },
    { "mpeg2_vbr", true, true, Damage::None, true },
};

void PutBigEndian(Bytes& file, size_t at, uint32_t value, int length)
{
    for (int i = length - 1; i >= 0; --i, value >>= 8)
        file[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value);
}

void DamageInfoFrame(Bytes& file, Damage damage)
{
    const Mp3Layout layout = ReadMp3Layout(file);
    ASSERT_TRUE(layout.lame);
    const size_t tag = layout.id3v2Length + layout.lame->offset;
    switch (damage) {
    case Damage::None:
        break;
    case Damage::StaleTagCrc:
        file[tag + 10] ^= 0x01; // the lowpass byte
        break;
    case Damage::WipedLameTag:
        std::fill(
            file.begin() + static_cast<std::ptrdiff_t>(tag), file.begin() + static_cast<std::ptrdiff_t>(tag + 36), 0);
        break;
    case Damage::HostileFields: {
        // The encoder's frame announces every field: frame and byte count follow "Xing" and the
        // flags word, after the header and 32 bytes of side information.
        const size_t kind = layout.id3v2Length + 4 + 32;
        PutBigEndian(file, kind + 8, 0xFFFFFFFF, 4);
        PutBigEndian(file, kind + 12, 0xFFFFFFFF, 4);
        PutBigEndian(file, tag + 21, 0xFFFFFF, 3); // delay 4095, padding 4095
        PutBigEndian(file, tag + 28, 0xFFFFFFFF, 4);
        PutBigEndian(file, tag + 34, BitwiseCrc16(&file[layout.id3v2Length], layout.lame->offset + 34), 2);
        break;
    }
    }
}

bool IsMpeg1(const Bytes& frame) { return (frame[1] & 0x18) == 0x18; }
int SamplesPerFrame(const Bytes& frame) { return IsMpeg1(frame) ? 1152 : 576; }
// The most priming frames whose delay fits the tag's 12 bits: 4 of 1152 samples, 8 of 576.
size_t MaxPriming(const Bytes& frame) { return static_cast<size_t>((4095 + 529) / SamplesPerFrame(frame)); }

// Frames before frames[index] whose main data holds the bytes it borrows (main_data_begin), read
// here from the side information bits; SIZE_MAX when the file does not hold them.
size_t FramesBorrowedFrom(const std::vector<Bytes>& frames, size_t index)
{
    const Bytes& frame = frames[index];
    // No CRC: main_data_begin follows the header, 9 bits in MPEG-1, 8 in MPEG-2.
    const int borrowed = IsMpeg1(frame) ? (frame[4] << 1) | (frame[5] >> 7) : frame[4];
    int covered = 0;
    size_t walked = 0;
    for (size_t k = index; covered < borrowed; ++walked) {
        if (k == 0)
            return SIZE_MAX;
        --k;
        const bool mono = (frames[k][3] >> 6) == 3;
        const size_t sideInfo = IsMpeg1(frames[k]) ? (mono ? 17 : 32) : (mono ? 9 : 17);
        covered += static_cast<int>(frames[k].size() - 4 - sideInfo);
    }
    return walked;
}

// The frames whose decode the first samples of frames[index] depend on: the frame itself, the
// one before (the overlap of the transform) and, for frames of one granule (576 samples), the one
// before that, still in the synthesis filter.
size_t FramesOverlapped(const std::vector<Bytes>& frames) { return SamplesPerFrame(frames.front()) == 576 ? 2 : 1; }

// Frames a piece must start with so that its first played frame and those it overlaps find all
// their main data.
size_t PrimingNeeded(const std::vector<Bytes>& frames, size_t played)
{
    size_t needed = FramesBorrowedFrom(frames, played);
    for (size_t back = 1; back <= FramesOverlapped(frames) && back <= played; ++back) {
        const size_t borrowed = FramesBorrowedFrom(frames, played - back);
        needed = std::max(needed, borrowed == SIZE_MAX ? SIZE_MAX : borrowed + back);
    }
    return needed;
}

// Played frames of a piece, starting with frames[played] after the priming frames from
// frames[first], whose decode can go wrong: a frame's output needs its own main data and that of
// the frames it overlaps.
size_t FramesDecodedWrong(const std::vector<Bytes>& frames, size_t first, size_t played)
{
    auto misses = [&](size_t index) { return FramesBorrowedFrom(frames, index) > index - first; };
    size_t wrong = 0;
    // The reservoir reaches back at most 511 bytes: a few frames on, every frame finds its data.
    for (size_t index = played; index < std::min(frames.size(), played + 24); ++index) {
        bool missed = misses(index);
        for (size_t back = 1; back <= FramesOverlapped(frames) && index - back >= first; ++back)
            missed = missed || misses(index - back);
        wrong += missed ? 1 : 0;
    }
    return wrong;
}

class GaplessPiecesTest : public ::testing::TestWithParam<SourceKind> {
protected:
    void SetUp() override
    {
        const SourceKind kind = GetParam();
        const Pcm music = kind.mpeg2 ? MakeMusic(8.0, 22050, 1) : MakeMusic(8.0);
        Bytes encoded = EncodePcm(music, 128, kind.vbr, kind.tagged, 2);
        if (kind.damage != Damage::None)
            DamageInfoFrame(encoded, kind.damage);
        WriteFile(dir.File("song.mp3"), encoded);
        sourceLayout = ReadMp3Layout(encoded);
        ASSERT_EQ(sourceLayout.lame.has_value(), kind.tagged && kind.damage != Damage::WipedLameTag);
        if (kind.damage == Damage::StaleTagCrc) {
            ASSERT_FALSE(LameCrcsHold(sourceLayout));
        }
        if (kind.damage == Damage::HostileFields) {
            ASSERT_EQ(sourceLayout.frameCount, UINT32_MAX);
            ASSERT_EQ(sourceLayout.lame->delay, 4095);
        }
        source.path = dir.File("song.mp3");
        source.totalSize = static_cast<uint32_t>(encoded.size());
        source.totalDuration = 80;
        expected = DecodeGapless(source.path);
        ASSERT_GT(expected.left.size(), kind.mpeg2 ? 150000u : 300000u);
        spf = SamplesPerFrame(sourceLayout.frames.front());
        maxPriming = MaxPriming(sourceLayout.frames.front());
    }

    // Checks every piece's information frame and priming frames, and that the pieces' decodes end
    // to end equal the source's: same length, and samples differ only after a boundary that needed
    // more priming than the tag's delay allows. Records the differing samples per boundary.
    void ExpectPiecesPlayTheSource(const std::string& run)
    {
        Pcm joined;
        size_t mayDiffer = 0;
        size_t differences = 0;
        size_t nextFrame = 0;
        for (size_t i = 0; i < source.outputFiles.size(); ++i) {
            SCOPED_TRACE(source.outputFiles[i]);
            const Mp3Layout piece = ReadMp3Layout(ReadFile(source.outputFiles[i]));
            const bool first = i == 0;
            const bool last = i + 1 == source.outputFiles.size();
            // A tagless source's first piece stays without an information frame.
            ASSERT_EQ(piece.lame.has_value(), sourceLayout.lame.has_value() || !first);
            size_t priming = 0;
            if (piece.lame) {
                EXPECT_TRUE(LameCrcsHold(piece));
                EXPECT_EQ(piece.frameCount, piece.frames.size());
                EXPECT_EQ(piece.byteCount, piece.infoFrame.size() + JoinFrames(piece.frames).size());
                EXPECT_EQ(piece.lame->musicLength, piece.byteCount);
                // LAME writes a seek table in its CBR "Info" frames too.
                ASSERT_EQ(
                    piece.seekTable.has_value(), sourceLayout.seekTable.has_value() || sourceLayout.infoFrame.empty());
                if (piece.seekTable) {
                    EXPECT_EQ(*piece.seekTable, ExpectedSeekTable(piece.frames, piece.infoFrame.size()));
                }
                if (first) {
                    EXPECT_EQ(piece.lame->delay, sourceLayout.lame->delay);
                } else {
                    EXPECT_EQ((piece.lame->delay + 529) % spf, 0);
                    priming = static_cast<size_t>((piece.lame->delay + 529) / spf);
                    EXPECT_EQ(
                        priming, std::clamp<size_t>(PrimingNeeded(sourceLayout.frames, nextFrame), 3, maxPriming));
                }
                const int sourcePadding = sourceLayout.lame ? sourceLayout.lame->padding : 529;
                EXPECT_EQ(piece.lame->padding, last ? sourcePadding : 529);
            }
            // The piece plays the source frames that follow the previous piece's, after its priming
            // frames, which are the source frames just before.
            ASSERT_GE(nextFrame, priming);
            EXPECT_EQ(
                JoinFrames(piece.frames), JoinFrames(sourceLayout.frames, nextFrame - priming, piece.frames.size()));
            const size_t wrong = first ? 0 : FramesDecodedWrong(sourceLayout.frames, nextFrame - priming, nextFrame);
            if (wrong > 0) {
                EXPECT_EQ(priming, maxPriming) << "short of priming only where the delay field ends it";
            }
            mayDiffer += wrong * static_cast<size_t>(spf);
            size_t pieceDifferences = 0;
            AppendPcm(
                joined, DecodeGaplessAgainst(source.outputFiles[i], expected, joined.left.size(), pieceDifferences));
            differences += pieceDifferences;
            if (!first)
                RecordProperty(
                    run + "_boundary" + std::to_string(i) + "_wrong_samples", static_cast<int>(pieceDifferences));
            nextFrame += piece.frames.size() - priming;
        }
        EXPECT_EQ(nextFrame, sourceLayout.frames.size());
        ASSERT_EQ(joined.left.size(), expected.left.size()) << "samples repeated or lost at the boundaries";
        ASSERT_EQ(joined.right.size(), expected.right.size());
        EXPECT_LE(differences, mayDiffer);
        EXPECT_EQ(differences, CountDifferences(expected, 0, joined, 0, joined.left.size()));
    }

    TempDir dir;
    CutterSource source;
    Mp3Layout sourceLayout;
    Pcm expected;
    int spf = 1152; // samples per frame
    size_t maxPriming = 4;
    SplitSettings settings;
    std::string errorText;
};

} // namespace

// Pieces at points are cut to the sample, inside frames: ExactCutTest checks those.
TEST_P(GaplessPiecesTest, PiecesByCountDecodeToTheSourceSampleForSample)
{
    ASSERT_TRUE(CutByCount(source, 3, settings, errorText));
    ASSERT_EQ(source.outputFiles.size(), 3u);
    ExpectPiecesPlayTheSource("count");
}

// Pieces by count end on frames; pieces by time share the frame a boundary falls in.
TEST_P(GaplessPiecesTest, PiecesJoinBackIntoTheSourceByFrameCopy)
{
    ASSERT_TRUE(CutByCount(source, 3, settings, errorText));
    ASSERT_EQ(source.outputFiles.size(), 3u);

    std::vector<JoinStreamFacts> facts(source.outputFiles.size());
    JoinJob job;
    int priming = 0;
    for (size_t i = 0; i < facts.size(); ++i) {
        ASSERT_TRUE(ProbeJoinInput(source.outputFiles[i], facts[i]));
        job.AddInput(source.outputFiles[i]);
        const Mp3Layout piece = ReadMp3Layout(ReadFile(source.outputFiles[i]));
        if (i > 0 && piece.lame)
            priming += (piece.lame->delay + 529) / spf;
    }
    EXPECT_GE(priming, 6);
    job.AssignTag("Song", "", "", "", "", 255, false, 0);
    const JoinMethod method = ChooseJoinMethod(EncodingOptions {}, facts);
    ASSERT_TRUE(method.frameCopy);
    RecordingProgress progress;
    const std::string output = dir.File("joined.mp3");
    ASSERT_TRUE(JoinWithMethod(job, method, output, progress));

    const Mp3Layout joined = ReadMp3Layout(ReadFile(output));
    EXPECT_EQ(joined.frames, sourceLayout.frames);
    EXPECT_EQ(job.DroppedPrimingFrames(), priming);
    if (sourceLayout.lame) {
        ASSERT_TRUE(joined.lame);
        EXPECT_TRUE(LameCrcsHold(joined));
        EXPECT_EQ(joined.xing, GetParam().vbr);
        EXPECT_EQ(joined.frameCount, joined.frames.size());
        ASSERT_EQ(joined.seekTable.has_value() || !GetParam().vbr, true);
        if (joined.seekTable) {
            EXPECT_EQ(*joined.seekTable, ExpectedSeekTable(joined.frames, joined.infoFrame.size()));
        }
        EXPECT_EQ(joined.lame->delay, sourceLayout.lame->delay);
        EXPECT_EQ(joined.lame->padding, sourceLayout.lame->padding);
    } else {
        // As the source: nothing for a player to drop; a seek table when the bitrate varies.
        EXPECT_FALSE(joined.lame);
        EXPECT_EQ(joined.infoFrame.empty(), !GetParam().vbr);
    }
    size_t differences = 0;
    const Pcm decoded = DecodeGaplessAgainst(output, expected, 0, differences);
    EXPECT_EQ(decoded.left.size(), expected.left.size());
    EXPECT_EQ(differences, 0u);
}

INSTANTIATE_TEST_SUITE_P(LameEncodings, GaplessPiecesTest, ::testing::ValuesIn(kKinds),
    [](const testing::TestParamInfo<SourceKind>& param) { return std::string(param.param.name); });
