#include "tests/support/CliRunner.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

bool Has(const std::string& line, const std::string& fragment) { return line.find(fragment) != std::string::npos; }

} // namespace

TEST(InfoCommand, ReportsTheStreamModelProbeAndTagAsJsonLines)
{
    TempDir dir;
    const FrameSpec k128;
    Bytes tagged = ID3v2Block(90);
    Append(tagged, Frames(k128, 20));
    Bytes tag = ID3v1("Caf\xE9 \"live\"", "Band", 7, 17);
    Append(tagged, tag);
    WriteFile(dir.File("tagged.mp3"), tagged);

    Bytes vbr = InfoFrame(k128, "Xing");
    FrameSpec k160;
    k160.bitrateIndex = 10;
    Append(vbr, Frames(k128, 1));
    Append(vbr, Frames(k160, 1));
    WriteFile(dir.File("vbr.mp3"), vbr);

    FrameSpec mpeg2;
    mpeg2.version = 2;
    mpeg2.bitrateIndex = 8; // 64 kbps
    mpeg2.channelMode = 3;
    WriteFile(dir.File("mpeg2.mp3"), Frames(mpeg2, 10));
    WriteFile(dir.File("junk.mp3"), Bytes(1000, 0x20));

    const CliResult result = RunCli(
        { "info", "--json", dir.File("tagged.mp3"), dir.File("vbr.mp3"), dir.File("mpeg2.mp3"), dir.File("junk.mp3") });
    EXPECT_EQ(result.exitCode, 1); // one file was not ok
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 4u);

    const std::string& t = lines[0];
    EXPECT_TRUE(Has(t, "\"ok\":true")) << t;
    EXPECT_TRUE(Has(t, "\"size\":" + std::to_string(tagged.size())));
    EXPECT_TRUE(Has(t, "\"id3v2_length\":100,\"audio_start\":100,\"info_frame\":null"));
    EXPECT_TRUE(Has(t, "\"version\":\"1\",\"layer\":3,\"sample_rate\":44100,\"bitrate\":128"));
    EXPECT_TRUE(Has(t, "\"frames\":20,\"samples\":23040,\"duration_ms\":522"));
    EXPECT_TRUE(Has(t, "\"title\":\"Caf\xC3\xA9 \\\"live\\\"\"")) << t; // Latin-1 in, UTF-8 and escapes out
    EXPECT_TRUE(Has(t, "\"genre\":17,\"track\":7"));
    EXPECT_TRUE(Has(t, "\"probe\":{\"sample_rate\":44100,\"bitrate\":128,\"channel_mode\":1"));

    EXPECT_TRUE(Has(lines[1], "\"info_frame\":\"Xing\"")) << lines[1];
    EXPECT_TRUE(Has(lines[1], "\"bitrate\":144,\"frames\":2"));
    EXPECT_TRUE(Has(lines[1], "\"id3v1\":null"));

    EXPECT_TRUE(Has(lines[2], "\"version\":\"2\",\"layer\":3,\"sample_rate\":22050,\"bitrate\":64")) << lines[2];
    EXPECT_TRUE(Has(lines[2], "\"samples\":5760"));

    EXPECT_TRUE(Has(lines[3], "\"ok\":false,\"error\":\"Failed to load file \\\"" + dir.File("junk.mp3") + "\\\".\""))
        << lines[3];
    EXPECT_TRUE(Has(lines[3], "\"probe\":null"));
}

TEST(InfoCommand, PrintsAReadableReportAndExitsZeroWhenAllFilesOpen)
{
    TempDir dir;
    ToneSpec tone;
    tone.seconds = 1.0;
    tone.writeInfoFrame = true;
    WriteFile(dir.File("tone.mp3"), EncodeTone(tone));
    const CliResult result = RunCli({ "info", dir.File("tone.mp3") });
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(Has(result.out, "MPEG-1 Layer III, 44100 Hz, 128 kbps")) << result.out;
    EXPECT_TRUE(Has(result.out, "after the \"Info\" frame"));
    EXPECT_TRUE(Has(result.out, "duration:      0:01."));
    EXPECT_TRUE(Has(result.out, "ID3v1 tag:     none"));
}

TEST(InfoCommand, AFileThatIsNotARegularFileIsReportedNotOkWithoutWaiting)
{
    // A pipe without a writer would block every open; a folder cannot be read as bytes.
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.File("pipe.mp3").c_str(), 0600), 0);
    const CliResult result = RunCli({ "info", "--json", dir.File("pipe.mp3"), dir.Path().string() });
    EXPECT_EQ(result.exitCode, 1);
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 2u);
    for (const std::string& line : lines) {
        EXPECT_TRUE(Has(line, "\"ok\":false,\"error\":\"Failed to load file")) << line;
        EXPECT_TRUE(Has(line, "\"probe\":null,\"id3v1\":null")) << line;
    }
}

TEST(InfoCommand, JsonIsValidUtf8WhateverBytesTheFileNameHolds)
{
    TempDir dir;
    // A stray byte, an overlong "/", a surrogate, a sequence cut short; then "é" and an emoji,
    // which are kept.
    const std::string name = "x\xFF-\xC0\xAF-\xED\xA0\x80-\xE2\x82\xC3\xA9\xF0\x9F\x98\x80.mp3";
    const std::string shown = "x\uFFFD-\uFFFD\uFFFD-\uFFFD\uFFFD\uFFFD-\uFFFD\xC3\xA9\xF0\x9F\x98\x80.mp3";
    WriteFile(dir.File(name), Frames(FrameSpec {}, 5));
    const CliResult result = RunCli({ "info", "--json", dir.File(name), dir.File("gone\xFE.mp3") });
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(Has(lines[0], "{\"file\":\"" + dir.File(shown) + "\",\"ok\":true,")) << lines[0];
    EXPECT_TRUE(Has(lines[1], "\"error\":\"Failed to load file \\\"" + dir.File("gone\uFFFD.mp3") + "\\\".\""))
        << lines[1];
}

TEST(InfoCommand, TheProbesTotalIsNotCutToThirtyTwoBits)
{
    // 400 MB at 32 kbps and 48 kHz: 27.8 hours, 4,800,000,000 samples; the hole costs no disk.
    TempDir dir;
    FrameSpec low;
    low.bitrateIndex = 1;
    low.sampleRateIndex = 1;
    WriteFile(dir.File("long.mp3"), Frames(low, 20));
    std::filesystem::resize_file(dir.File("long.mp3"), 400000000);
    const CliResult json = RunCli({ "info", "--json", dir.File("long.mp3") });
    EXPECT_TRUE(Has(json.out, "\"total_samples\":4800000000,")) << json.out;
}

TEST(InfoCommand, AVbriFrameIsReportedWithItsFrameCountAndNotWalkedAsAudio)
{
    TempDir dir;
    const FrameSpec k128;
    Bytes file = VbriFrame(k128, 30, 30 * 417);
    Append(file, Frames(k128, 30));
    WriteFile(dir.File("vbri.mp3"), file);
    const CliResult result = RunCli({ "info", "--json", dir.File("vbri.mp3") });
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(Has(result.out, "\"info_frame\":\"VBRI\",\"info_frame_count\":30")) << result.out;
    EXPECT_TRUE(Has(result.out, "\"audio_start\":417")) << result.out;
    EXPECT_TRUE(Has(result.out, "\"frames\":30,")) << result.out;
    EXPECT_TRUE(Has(result.out, "\"is_vbr\":true")) << result.out;
}
