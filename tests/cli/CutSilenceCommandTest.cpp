#include "engine/stream/ID3TagInfo.h"
#include "tests/support/CliRunner.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/GaplessDecode.h"
#include "tests/support/ID3v2Builder.h"
#include "tests/support/TempDir.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>

namespace {

constexpr int kRate = 44100;

// Passages of a tone, noise, and a tone again, each `seconds` long at `amplitude` of full scale,
// with 2 s of digital silence between them (and 0.5 s of it before the first and after the last).
Pcm Passages(double quietAmplitude = 0.0)
{
    Pcm pcm;
    pcm.sampleRate = kRate;
    std::mt19937 noise(7);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    const auto append = [&](double seconds, int kind) {
        const auto count = static_cast<size_t>(seconds * kRate);
        for (size_t i = 0; i < count; ++i) {
            double value = 0;
            if (kind == 1)
                value = 0.5 * std::sin(2 * M_PI * 440.0 * static_cast<double>(i) / kRate);
            else if (kind == 2)
                value = 0.3 * uniform(noise);
            else if (kind == 3)
                value = quietAmplitude * std::sin(2 * M_PI * 220.0 * static_cast<double>(i) / kRate);
            const auto sample = static_cast<int16_t>(std::lround(value * 32767));
            pcm.left.push_back(sample);
            pcm.right.push_back(sample);
        }
    };
    append(0.5, 0);
    append(3.0, 1);
    append(2.0, 3); // silence, or a quiet passage
    append(3.0, 2);
    append(2.0, 0);
    append(3.0, 1);
    append(0.5, 0);
    return pcm;
}

std::string Write(const TempDir& dir, const std::string& name, const Pcm& pcm, int bitrate = 128, bool vbr = false)
{
    WriteFile(dir.File(name), EncodePcm(pcm, bitrate, vbr, true));
    return dir.File(name);
}

// Where each piece starts in the source, from the decoded lengths of the pieces before it.
std::vector<double> CutTimes(const std::vector<std::string>& pieces)
{
    std::vector<double> cuts;
    size_t at = 0;
    for (size_t i = 0; i + 1 < pieces.size(); ++i) {
        at += DecodeGapless(pieces[i]).left.size();
        cuts.push_back(static_cast<double>(at) / kRate);
    }
    return cuts;
}

} // namespace

TEST(CutSilenceCommand, CutsOnePiecePerPassageInsideEachSilence)
{
    TempDir dir;
    for (const bool vbr : { false, true }) {
        const std::string source = Write(dir, vbr ? "vbr.mp3" : "cbr.mp3", Passages(), vbr ? 0 : 320, vbr);
        const CliResult run = RunCli({ "cut", "--silence", source, "--output-folder", dir.File("out") });
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const auto pieces = Lines(run.out);
        ASSERT_EQ(pieces.size(), 3u) << run.out;
        const auto cuts = CutTimes(pieces);
        // The silences lie at 3.5-5.5 s and 8.5-10.5 s; their middles at 4.5 s and 9.5 s.
        EXPECT_NEAR(cuts[0], 4.5, 0.1);
        EXPECT_NEAR(cuts[1], 9.5, 0.1);
        // The pieces together are the source, the lead-in and the tail silence in the first and last.
        size_t total = 0;
        for (const auto& piece : pieces)
            total += DecodeGapless(piece).left.size();
        EXPECT_EQ(total, DecodeGapless(source).left.size());
        std::filesystem::remove_all(dir.File("out"));
    }
}

TEST(CutSilenceCommand, TagValuesFromTheCommandLineGoIntoEveryPiece)
{
    TempDir dir;
    const std::string source = Write(dir, "show.mp3", Passages());
    const CliResult run = RunCli({ "cut", "--silence", "--title", "Sendung \xE2\x80\x94 Teil", "--artist", "Radio",
        "--year", "2021", "--genre", "Speech", source });
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto pieces = Lines(run.out);
    ASSERT_EQ(pieces.size(), 3u) << run.out;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const auto back = ReadID3v2Back(pieces[i]); // the source has no ID3v2 tag: a new one
        ASSERT_TRUE(back) << pieces[i];
        EXPECT_EQ(back->title, "Sendung \xE2\x80\x94 Teil");
        EXPECT_EQ(back->artist, "Radio");
        EXPECT_EQ(back->year, "2021");
        EXPECT_EQ(back->genre, "Speech");
        EXPECT_EQ(back->track, std::to_string(i + 1));
        ID3TagInfo tag;
        ASSERT_TRUE(ReadID3v1Tag(pieces[i], tag));
        EXPECT_STREQ(tag.title, "Sendung ? Teil");
        EXPECT_EQ(tag.genre, 101);
    }
}

TEST(CutSilenceCommand, KeepsToTheThresholdAndTheMinimum)
{
    TempDir dir;
    // The first gap holds a tone at -42 dBFS: silence only under a threshold above it. The levels are
    // estimated from the side information: this tone reads about -41 dB, the noise passage about
    // -28 dB (white noise reads well below its level), so the thresholds keep 6 dB clear of both.
    const std::string source = Write(dir, "quiet.mp3", Passages(0.00794 * std::sqrt(2.0)));
    EXPECT_EQ(Lines(RunCli({ "cut", "--silence", source, "--output-folder", dir.File("a") }).out).size(), 2u);
    const CliResult loose
        = RunCli({ "cut", "--silence", "--silence-threshold", "-35", source, "--output-folder", dir.File("b") });
    ASSERT_EQ(Lines(loose.out).size(), 3u) << loose.err;
    const auto cuts = CutTimes(Lines(loose.out));
    EXPECT_GT(cuts[0], 3.6); // inside the quiet passage, 3.5-5.5 s
    EXPECT_LT(cuts[0], 5.4);
    EXPECT_NEAR(cuts[1], 9.5, 0.1);
    // Gaps of 2 s are too short for a minimum of 2.5 s.
    const CliResult longer = RunCli({ "cut", "--silence", "--silence-min", "2.5", "--silence-threshold", "-35.5",
        source, "--output-folder", dir.File("c") });
    EXPECT_EQ(longer.exitCode, 1);
    EXPECT_EQ(longer.err,
        "sonicrop-cli cut: " + source
            + ": No silence of at least 2.5 s below -35.5 dBFS was found; the file stays one piece.\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("c")) && !std::filesystem::is_empty(dir.File("c")));

    for (const std::vector<std::string>& bad :
        std::vector<std::vector<std::string>> { { "--silence", "--silence-threshold", "-120", source },
            { "--silence", "--silence-threshold", "-4x", source }, { "--silence", "--silence-min", "0", source },
            { "--silence-min", "2", "--count", "2", source }, { "--silence", "--count", "2", source } }) {
        std::vector<std::string> args = { "cut" };
        args.insert(args.end(), bad.begin(), bad.end());
        EXPECT_EQ(RunCli(args).exitCode, 2) << bad[1];
    }
}

TEST(CutSilenceCommand, AFileWithoutSilenceIsOnePieceNotWritten)
{
    TempDir dir;
    const std::string source = dir.File("music.mp3");
    WriteFile(source, EncodePcm(MakeMusic(8.0), 128));
    const CliResult run = RunCli({ "cut", "--silence", source });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err,
        "sonicrop-cli cut: " + source
            + ": No silence of at least 1.0 s below -48 dBFS was found; the file stays one piece.\n");
    EXPECT_EQ(run.out, "");
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        ++files;
    EXPECT_EQ(files, 1u);
}
