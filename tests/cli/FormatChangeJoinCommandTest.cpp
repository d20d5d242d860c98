// Re-encoding joins of a stream that changes its channel mode or sample rate inside (two real
// encodings, one after the other frame by frame), end to end: its own pieces joined back, and
// two copies joined at a fixed encoding, keep all of its audio.
#include "engine/stream/MpegFrameHeader.h"
#include "tests/support/CliRunner.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/GaplessDecode.h"
#include "tests/support/Mp3Layout.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

ToneSpec Tone(int sampleRate, int channels, double seconds, double frequency)
{
    ToneSpec shape;
    shape.sampleRate = sampleRate;
    shape.channels = channels;
    shape.seconds = seconds;
    shape.frequency = frequency;
    return shape;
}

// Samples of a file's frames, each at its own rate, counted at 44.1 kHz.
double FrameSamplesAt44100(const std::string& path)
{
    double total = 0;
    for (const Bytes& frame : ReadMp3Layout(ReadFile(path)).frames) {
        const auto header = DecodeFrameHeader(frame.data());
        total += header->samplesPerFrame * 44100.0 / header->sampleRate;
    }
    return total;
}

// What a gapless player plays of a piece: its frames less the delay and padding its LAME tag states.
double GaplessSamplesAt44100(const std::string& path)
{
    const Mp3Layout layout = ReadMp3Layout(ReadFile(path));
    const auto header = DecodeFrameHeader(layout.frames.front().data());
    const double stated = layout.lame ? layout.lame->delay + layout.lame->padding : 0;
    return FrameSamplesAt44100(path) - stated * 44100.0 / header->sampleRate;
}

struct Case {
    const char* name;
    ToneSpec first, second;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class FormatChangeJoinCommand : public ::testing::TestWithParam<Case> { };

} // namespace

TEST_P(FormatChangeJoinCommand, PiecesJoinedBackAndTwoCopiesAtAFixedEncodingKeepAllTheAudio)
{
    TempDir dir;
    const Case& c = GetParam();
    Bytes stream = EncodeTone(c.first);
    Append(stream, EncodeTone(c.second));
    const std::string source = dir.File("source.mp3");
    WriteFile(source, stream);
    const double sourceSamples = FrameSamplesAt44100(source);

    const CliResult cut = RunCli({ "cut", "--count", "3", source });
    ASSERT_EQ(cut.exitCode, 0) << cut.err;
    const std::vector<std::string> pieces = Lines(cut.out);
    ASSERT_EQ(pieces.size(), 3u);
    double pieceFrames = 0, pieceGapless = 0;
    for (const std::string& piece : pieces) {
        pieceFrames += FrameSamplesAt44100(piece);
        pieceGapless += GaplessSamplesAt44100(piece);
    }
    // The pieces hold the source once, and their priming frames besides.
    EXPECT_NEAR(pieceGapless, sourceSamples, 1.0);
    // The last piece lies wholly after the change: its information frame is in its own format, and
    // its delay drops its priming frames, so it decodes to the frames of its span.
    const Mp3Layout last = ReadMp3Layout(ReadFile(pieces[2]));
    ASSERT_TRUE(last.lame);
    const int lastRate = DecodeFrameHeader(last.frames.front().data())->sampleRate;
    EXPECT_EQ(lastRate, c.second.sampleRate);
    EXPECT_GT(last.lame->delay, 0);
    EXPECT_EQ((last.lame->delay + 529) % 1152, 0);
    const Pcm lastDecoded = DecodeGapless(pieces[2]);
    EXPECT_EQ(lastDecoded.sampleRate, lastRate);
    EXPECT_EQ(lastDecoded.left.size(), last.frames.size() * 1152 - (last.lame->delay + last.lame->padding));
    const CliResult info = RunCli({ "info", "--json", pieces[2] });
    EXPECT_EQ(info.out.find("\"info_frame\":null"), std::string::npos) << info.out;

    const std::string joined = dir.File("joined.mp3");
    const CliResult joinPieces = RunCli({ "join", "-o", joined, pieces[0], pieces[1], pieces[2] });
    ASSERT_EQ(joinPieces.exitCode, 0) << joinPieces.err;
    EXPECT_EQ(joinPieces.out.rfind("re-encode 48000", 0) == 0 || joinPieces.out.rfind("re-encode 44100", 0) == 0, true)
        << joinPieces.out;
    const Pcm joinedPieces = DecodeGapless(joined);
    const double joinedRate = joinedPieces.sampleRate;
    const double joinedAt44100 = static_cast<double>(joinedPieces.left.size()) * 44100.0 / joinedRate;
    // Each piece gives only its own samples: its LAME tag's priming and padding are left out, so
    // the pieces join back to the source's length, not to the sum of their frames.
    const double slack = 1.0;
    EXPECT_NEAR(joinedAt44100, sourceSamples, slack);
    EXPECT_LT(joinedAt44100, pieceFrames - 1000.0);

    const std::string fixed = dir.File("fixed.mp3");
    const CliResult joinFixed
        = RunCli({ "join", "-o", fixed, "--encoding", "44100:128:joint", pieces[0], pieces[1], pieces[2] });
    ASSERT_EQ(joinFixed.exitCode, 0) << joinFixed.err;
    const Pcm fixedPieces = DecodeGapless(fixed);
    EXPECT_EQ(fixedPieces.sampleRate, 44100);
    EXPECT_NEAR(static_cast<double>(fixedPieces.left.size()), sourceSamples, slack);

    const std::string twice = dir.File("twice.mp3");
    const CliResult joinTwice = RunCli({ "join", "-o", twice, "--encoding", "44100:128:joint", source, source });
    ASSERT_EQ(joinTwice.exitCode, 0) << joinTwice.err;
    const Pcm twoCopies = DecodeGapless(twice);
    EXPECT_EQ(twoCopies.sampleRate, 44100);
    EXPECT_NEAR(static_cast<double>(twoCopies.left.size()), 2 * sourceSamples, 64.0);
    EXPECT_EQ(twoCopies.right.size(), twoCopies.left.size());
    std::printf("[ FIGURES  ] %s: source %.0f samples at 44.1 kHz; pieces joined %zu at %d Hz (%.0f at 44.1 kHz, "
                "pieces' frames %.0f); at 44100:128:joint %zu; two copies at 44100:128:joint %zu of %.0f\n",
        c.name, sourceSamples, joinedPieces.left.size(), joinedPieces.sampleRate, joinedAt44100, pieceFrames,
        fixedPieces.left.size(), twoCopies.left.size(), 2 * sourceSamples);
}

INSTANTIATE_TEST_SUITE_P(Streams, FormatChangeJoinCommand,
    ::testing::Values(Case { "StereoThenMono", Tone(44100, 2, 3.0, 440), Tone(44100, 1, 3.0, 660) },
        Case { "At44100Then48000", Tone(44100, 2, 3.0, 440), Tone(48000, 2, 3.0, 660) }),
    [](const ::testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

TEST(FormatChangeInfoCommand, InfoNamesTheFrameWhereTheFormatChangesAndTimesEachFrameAtItsRate)
{
    TempDir dir;
    Bytes stream = EncodeTone(Tone(44100, 2, 1.0, 440));
    const size_t firstFrames = ReadMp3Layout(stream).frames.size();
    Append(stream, EncodeTone(Tone(48000, 2, 1.0, 660)));
    const std::string path = dir.File("changing.mp3");
    WriteFile(path, stream);
    const size_t frames = ReadMp3Layout(stream).frames.size();
    const auto ms = static_cast<long long>((firstFrames * 1152 / 44100.0 + (frames - firstFrames) * 1152 / 48000.0) * 1000);
    const std::string plain = dir.File("plain.mp3");
    WriteFile(plain, EncodeTone(Tone(44100, 2, 1.0, 440)));

    const CliResult json = RunCli({ "info", "--json", path, plain });
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const std::vector<std::string> lines = Lines(json.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find(",\"duration_ms\":" + std::to_string(ms) + ",\"format_change_at_frame\":"
                  + std::to_string(firstFrames) + ","),
        std::string::npos)
        << lines[0];
    EXPECT_NE(lines[1].find(",\"format_change_at_frame\":null,"), std::string::npos) << lines[1];

    const CliResult text = RunCli({ "info", path });
    EXPECT_NE(text.out.find("  format change: at frame " + std::to_string(firstFrames) + ", to MPEG-1 Layer III, 48000 Hz\n"),
        std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find(" (each frame at its own rate)\n"), std::string::npos) << text.out;

    // Joined with a copy of itself: re-encoded at the higher rate, never copied under one header.
    const std::string joined = dir.File("joined.mp3");
    const CliResult join = RunCli({ "join", "-o", joined, path, path });
    ASSERT_EQ(join.exitCode, 0) << join.err;
    EXPECT_EQ(join.out, "re-encode 48000 Hz 128 kbps joint\n" + joined + "\n");
    for (const Bytes& frame : ReadMp3Layout(ReadFile(joined)).frames)
        ASSERT_EQ(DecodeFrameHeader(frame.data())->sampleRate, 48000);
}

// Pieces by time of a stream that changes its rate: each frame counts by its own duration, so a
// piece of the 48 kHz part lasts as long as one of the 44.1 kHz part.
TEST(FormatChangeCutCommand, PiecesByTimeLastTheirTimeOnBothSidesOfTheChange)
{
    TempDir dir;
    Bytes stream = EncodeTone(Tone(44100, 2, 3.0, 440));
    Append(stream, EncodeTone(Tone(48000, 2, 3.0, 660)));
    const std::string source = dir.File("source.mp3");
    WriteFile(source, stream);

    const CliResult cut = RunCli({ "cut", "--time", "0:02", source });
    ASSERT_EQ(cut.exitCode, 0) << cut.err;
    const std::vector<std::string> pieces = Lines(cut.out);
    ASSERT_EQ(pieces.size(), 3u);
    double total = 0;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const double seconds = GaplessSamplesAt44100(pieces[i]) / 44100;
        total += seconds;
        // Within a frame of the cut points; the last piece holds the rest (with the encoders' own
        // delay and padding of both parts).
        EXPECT_NEAR(seconds, i + 1 < pieces.size() ? 2.0 : FrameSamplesAt44100(source) / 44100 - 4.0, 0.03)
            << pieces[i];
    }
    EXPECT_NEAR(total, FrameSamplesAt44100(source) / 44100, 0.001);
}
