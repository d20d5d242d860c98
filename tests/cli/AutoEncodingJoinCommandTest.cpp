// The automatic encoding of a re-encoding join from the command line: the inputs' bitrates count
// as the joiner list shows them, a variable-bitrate input by its average.
#include "engine/join/EncoderBitrateFor.h"
#include "engine/join/JoinMethodText.h"
#include "engine/stream/AverageBitrate.h"
#include "engine/stream/Mp3SourceFile.h"
#include "engine/stream/MpegFrameHeader.h"
#include "tests/support/CliRunner.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/Mp3Layout.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>

TEST(AutoEncodingJoinCommand, AVariableBitrateInputCountsByItsAverageAsTheJoinerListShowsIt)
{
    TempDir dir;
    const std::string vbr = dir.File("vbr.mp3");
    WriteFile(vbr, EncodePcm(MakeMusic(4.0), 0, true, true, 0));
    ToneSpec tone;
    tone.sampleRate = 48000;
    tone.bitrate = 64;
    const std::string cbr = dir.File("cbr48.mp3");
    WriteFile(cbr, EncodeTone(tone));

    Mp3SourceFile source;
    ASSERT_TRUE(source.Open(vbr));
    const int average = AverageBitrate(source).bitrate;
    const auto first = source.SyncedFrame(source.AudioStart());
    ASSERT_TRUE(first);
    // The first frame alone would give another encoding.
    ASSERT_NE(EncoderBitrateFor({ 48000, std::max(first->header.bitrate, 64), 1 }),
        EncoderBitrateFor({ 48000, std::max(average, 64), 1 }));

    const JoinEncoding expected { 48000, std::max(average, 64), 1 };
    const std::string joined = dir.File("joined.mp3");
    const CliResult join = RunCli({ "join", "-o", joined, vbr, cbr });
    ASSERT_EQ(join.exitCode, 0) << join.err;
    EXPECT_EQ(join.out, "re-encode " + EncodingText(expected, EncoderBitrateFor(expected)) + "\n" + joined + "\n");
    const auto frames = ReadMp3Layout(ReadFile(joined)).frames;
    ASSERT_GT(frames.size(), 10u);
    EXPECT_EQ(DecodeFrameHeader(frames[5].data())->bitrate, EncoderBitrateFor(expected));
}
