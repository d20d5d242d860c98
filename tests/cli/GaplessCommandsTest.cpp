// The command line on real LAME encodings: what info reports of their LAME tags, a cut into more
// pieces than the file has frames, and joins of tagged files.
#include "tests/support/CliRunner.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/GaplessDecode.h"
#include "tests/support/Mp3Layout.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>

namespace {

bool Has(const std::string& line, const std::string& fragment) { return line.find(fragment) != std::string::npos; }

std::string Encode(const TempDir& dir, const std::string& name, int sampleRate, int bitrate, double seconds)
{
    ToneSpec shape;
    shape.sampleRate = sampleRate;
    shape.bitrate = bitrate;
    shape.seconds = seconds;
    shape.writeInfoFrame = true;
    WriteFile(dir.File(name), EncodeTone(shape));
    return dir.File(name);
}

// Samples per channel ffmpeg decodes from path (it honours the LAME tag's delay and padding); -1
// when ffmpeg is not at hand.
int64_t FfmpegSamples(const std::string& path)
{
    const std::string command = "ffmpeg -v error -i '" + path + "' -f s16le -ac 1 - 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    int64_t bytes = 0;
    char buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        bytes += static_cast<int64_t>(n);
    return ::pclose(pipe) == 0 ? bytes / 2 : -1;
}

// The 16-bit samples ffmpeg decodes from path, channels interleaved; empty when ffmpeg fails.
std::string FfmpegPcm(const std::string& path)
{
    const std::string command = "ffmpeg -v error -i '" + path + "' -f s16le - 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return {};
    std::string pcm;
    char buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        pcm.append(buffer, n);
    return ::pclose(pipe) == 0 ? pcm : std::string {};
}

} // namespace

TEST(GaplessCommands, TimeCutsPlayExactlyTheirDurationInAGaplessDecoder)
{
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no ffmpeg";
    TempDir dir;
    struct Case {
        const char* name;
        int rate;
        int channels;
        bool vbr;
        bool tagged;
        const char* time;
        int64_t pieceMs;
    };
    const Case cases[] = { { "cbr.mp3", 44100, 2, false, true, "0:02", 2000 },
        { "vbr.mp3", 44100, 2, true, true, "1.5", 1500 }, { "mpeg2.mp3", 22050, 1, true, true, "0:01.25", 1250 },
        { "tagless.mp3", 44100, 2, false, false, "2.345", 2345 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string song = dir.File(c.name);
        WriteFile(song, EncodePcm(MakeMusic(5.0, c.rate, c.channels), 128, c.vbr, c.tagged, 2));
        const int64_t total = FfmpegSamples(song);
        ASSERT_GT(total, 0);
        const CliResult cut = RunCli({ "cut", "--time", c.time, song });
        ASSERT_EQ(cut.exitCode, 0) << cut.err;
        const std::vector<std::string> pieces = Lines(cut.out);
        const int64_t rate = c.rate;
        ASSERT_EQ(static_cast<int64_t>(pieces.size()), (total * 1000 / rate + c.pieceMs - 1) / c.pieceMs);
        int64_t played = 0;
        for (size_t i = 0; i < pieces.size(); ++i) {
            const int64_t begin = (static_cast<int64_t>(i) * c.pieceMs * rate + 500) / 1000;
            const int64_t end
                = i + 1 == pieces.size() ? total : ((static_cast<int64_t>(i) + 1) * c.pieceMs * rate + 500) / 1000;
            EXPECT_EQ(FfmpegSamples(pieces[i]), end - begin) << pieces[i];
            played += end - begin;
        }
        EXPECT_EQ(played, total);
    }
}

TEST(GaplessCommands, InfoReportsTheLameTagsDelayPaddingAndWhetherItsCrcHolds)
{
    TempDir dir;
    const std::string tagged = Encode(dir, "tagged.mp3", 44100, 128, 1.0);
    const Mp3Layout layout = ReadMp3Layout(ReadFile(tagged));
    ASSERT_TRUE(layout.lame);
    Bytes stale = ReadFile(tagged);
    stale[layout.lame->offset + 10] ^= 0x01; // the lowpass byte, under the tag CRC
    WriteFile(dir.File("stale.mp3"), stale);
    ToneSpec plain;
    WriteFile(dir.File("plain.mp3"), EncodeTone(plain));

    const CliResult result = RunCli({ "info", "--json", tagged, dir.File("stale.mp3"), dir.File("plain.mp3") });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 3u);
    const std::string fields = "\"delay\":" + std::to_string(layout.lame->delay)
        + ",\"padding\":" + std::to_string(layout.lame->padding) + ",\"lame_tag_crc_ok\":";
    EXPECT_TRUE(Has(lines[0], fields + "true")) << lines[0];
    EXPECT_TRUE(Has(lines[1], fields + "false")) << lines[1];
    EXPECT_TRUE(Has(lines[2], "\"delay\":null,\"padding\":null,\"lame_tag_crc_ok\":null")) << lines[2];
}

TEST(GaplessCommands, MorePiecesThanFramesGiveOnePlayedFramePerPieceAndJoinBack)
{
    TempDir dir;
    const std::string song = Encode(dir, "song.mp3", 44100, 128, 1.0);
    const Mp3Layout source = ReadMp3Layout(ReadFile(song));
    ASSERT_GT(source.frames.size(), 30u);

    const CliResult cut = RunCli({ "cut", "--count", "1000", song });
    ASSERT_EQ(cut.exitCode, 0) << cut.err;
    const std::vector<std::string> pieces = Lines(cut.out);
    // Every piece advances by at least one frame, so the run ends at the last frame.
    ASSERT_EQ(pieces.size(), source.frames.size());
    for (size_t i = 0; i < pieces.size(); ++i) {
        SCOPED_TRACE(pieces[i]);
        const Mp3Layout piece = ReadMp3Layout(ReadFile(pieces[i]));
        ASSERT_TRUE(piece.lame);
        EXPECT_TRUE(LameCrcsHold(piece));
        const size_t priming = i == 0 ? 0 : static_cast<size_t>((piece.lame->delay + 529) / 1152);
        ASSERT_EQ(piece.frames.size(), priming + 1);
        EXPECT_TRUE(piece.frames.back() == source.frames[i]);
    }

    std::vector<std::string> join = { "join", "-o", dir.File("joined.mp3") };
    join.insert(join.end(), pieces.begin(), pieces.end());
    const CliResult joined = RunCli(join);
    ASSERT_EQ(joined.exitCode, 0) << joined.err;
    EXPECT_EQ(Lines(joined.out).front(), "frame copy");
    const Mp3Layout result = ReadMp3Layout(ReadFile(dir.File("joined.mp3")));
    // Each piece's priming frames reach back over as many pieces as it takes.
    EXPECT_EQ(result.frames.size(), source.frames.size());
    EXPECT_TRUE(result.frames == source.frames);
    ASSERT_TRUE(result.lame);
    EXPECT_EQ(result.lame->delay, source.lame->delay);
    EXPECT_EQ(result.lame->padding, source.lame->padding);
}

TEST(GaplessCommands, TaggedFilesOfOneRateJoinByFrameCopyOtherRatesReencode)
{
    TempDir dir;
    const std::string low = Encode(dir, "low.mp3", 44100, 128, 1.0);
    const std::string high = Encode(dir, "high.mp3", 44100, 192, 1.0);
    const std::string half = Encode(dir, "half.mp3", 22050, 64, 1.0);
    const Mp3Layout lowLayout = ReadMp3Layout(ReadFile(low));
    const Mp3Layout highLayout = ReadMp3Layout(ReadFile(high));

    const CliResult copied = RunCli({ "join", "-o", dir.File("copied.mp3"), low, high });
    ASSERT_EQ(copied.exitCode, 0) << copied.err;
    EXPECT_EQ(Lines(copied.out).front(), "frame copy");
    const Mp3Layout joined = ReadMp3Layout(ReadFile(dir.File("copied.mp3")));
    std::vector<Bytes> frames = lowLayout.frames;
    frames.insert(frames.end(), highLayout.frames.begin(), highLayout.frames.end());
    EXPECT_TRUE(joined.frames == frames);
    EXPECT_TRUE(joined.xing); // 128 and 192 kbit/s frames
    EXPECT_EQ(joined.frameCount, frames.size());
    EXPECT_EQ(joined.byteCount, joined.infoFrame.size() + JoinFrames(frames).size());
    ASSERT_TRUE(joined.seekTable);
    EXPECT_EQ(*joined.seekTable, ExpectedSeekTable(joined.frames, joined.infoFrame.size()));
    ASSERT_TRUE(joined.lame);
    EXPECT_TRUE(LameCrcsHold(joined));
    EXPECT_EQ(joined.lame->delay, lowLayout.lame->delay);
    EXPECT_EQ(joined.lame->padding, highLayout.lame->padding);

    const CliResult reencoded = RunCli({ "join", "-o", dir.File("reencoded.mp3"), low, half });
    ASSERT_EQ(reencoded.exitCode, 0) << reencoded.err;
    EXPECT_TRUE(Has(Lines(reencoded.out).front(), "re-encode 44100 Hz")) << reencoded.out;
}

// Pieces cut at points inside frames, joined again in order, are the source: its frames each once,
// its delay and padding, and so its samples in a gapless decoder.
TEST(GaplessCommands, PointCutsJoinBackIntoTheSource)
{
    const bool ffmpeg = std::system("ffmpeg -version >/dev/null 2>&1") == 0;
    TempDir dir;
    struct Case {
        const char* name;
        int rate;
        int channels;
        bool vbr;
    };
    for (const Case& c :
        { Case { "cbr", 44100, 2, false }, Case { "vbr", 44100, 2, true }, Case { "mpeg2", 22050, 1, true } }) {
        SCOPED_TRACE(c.name);
        const std::string song = dir.File(std::string(c.name) + ".mp3");
        WriteFile(song, EncodePcm(MakeMusic(6.0, c.rate, c.channels), 128, c.vbr, true, 2));
        const CliResult cut = RunCli({ "cut", "--points", "2.345,4.1", song });
        ASSERT_EQ(cut.exitCode, 0) << cut.err;
        const std::vector<std::string> pieces = Lines(cut.out);
        ASSERT_EQ(pieces.size(), 3u);
        const std::string joined = dir.File(std::string(c.name) + "_joined.mp3");
        std::vector<std::string> join = { "join", "-o", joined };
        join.insert(join.end(), pieces.begin(), pieces.end());
        const CliResult result = RunCli(join);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(Lines(result.out).front(), "frame copy");

        const Mp3Layout source = ReadMp3Layout(ReadFile(song));
        const Mp3Layout layout = ReadMp3Layout(ReadFile(joined));
        EXPECT_EQ(layout.frames.size(), source.frames.size());
        EXPECT_TRUE(layout.frames == source.frames);
        ASSERT_TRUE(layout.lame && source.lame);
        EXPECT_EQ(layout.lame->delay, source.lame->delay);
        EXPECT_EQ(layout.lame->padding, source.lame->padding);
        EXPECT_EQ(layout.frameCount, source.frames.size());
        const Pcm whole = DecodeGapless(song);
        const Pcm decoded = DecodeGapless(joined);
        EXPECT_EQ(decoded.left.size(), whole.left.size());
        EXPECT_TRUE(decoded.left == whole.left && decoded.right == whole.right);
        if (ffmpeg) {
            const std::string expected = FfmpegPcm(song);
            ASSERT_FALSE(expected.empty());
            EXPECT_EQ(FfmpegPcm(joined).size(), expected.size());
            EXPECT_TRUE(FfmpegPcm(joined) == expected);
        }
    }
}
