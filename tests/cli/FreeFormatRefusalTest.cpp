// A free-format stream (a real encoding whose headers all carry bitrate index 0) is refused by
// every command with the reason after the usual failure text, and nothing is written.
#include "tests/support/CliRunner.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

TEST(FreeFormatRefusal, InfoCutAndJoinSayWhyTheStreamIsRefused)
{
    TempDir dir;
    ToneSpec tone;
    tone.seconds = 1.0;
    const std::string freeFormat = dir.File("free.mp3");
    WriteFile(freeFormat, FreeFormatCopy(EncodeTone(tone)));
    const std::string good = dir.File("good.mp3");
    WriteFile(good, EncodeTone(tone));
    const std::string reason = " Reason: free-format streams are not supported.";
    const std::string loadFailure = "Failed to load file \"" + freeFormat + "\"." + reason;

    const CliResult text = RunCli({ "info", freeFormat });
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_NE(text.out.find("  error:         " + loadFailure + "\n"), std::string::npos) << text.out;
    const CliResult json = RunCli({ "info", "--json", freeFormat });
    EXPECT_NE(json.out.find("\"ok\":false,\"error\":\"Failed to load file"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\\\"." + reason + "\",\"size\""), std::string::npos) << json.out;

    for (const char* mode : { "--count", "--time" }) {
        const CliResult cut = RunCli({ "cut", mode, mode == std::string("--count") ? "2" : "0:01", freeFormat });
        EXPECT_EQ(cut.exitCode, 1) << mode;
        EXPECT_NE(cut.err.find(loadFailure), std::string::npos) << cut.err;
    }
    const CliResult join = RunCli({ "join", "-o", dir.File("joined.mp3"), good, freeFormat });
    EXPECT_EQ(join.exitCode, 1);
    EXPECT_EQ(join.err, "Join failure. Failed to open file \"" + freeFormat + "\"." + reason + "\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);

    // Files that hold no audio at all keep the plain message.
    WriteFile(dir.File("text.mp3"), Bytes(3000, 'a'));
    const CliResult plain = RunCli({ "info", dir.File("text.mp3") });
    EXPECT_NE(plain.out.find("Failed to load file \"" + dir.File("text.mp3") + "\".\n"), std::string::npos) << plain.out;
}
