// sonicrop-cli levels: the level overview as text and JSON, and its refusals.
#include "tests/support/CliRunner.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

// Four seconds of music, then two of digital silence, then two of music.
std::string WriteMusicWithGap(const TempDir& dir)
{
    Pcm pcm = MakeMusic(8.0);
    for (size_t i = 4 * 44100; i < 6 * 44100; ++i)
        pcm.left[i] = pcm.right[i] = 0;
    const std::string path = dir.File("gap.mp3");
    WriteFile(path, EncodePcm(pcm, 128, false, true));
    return path;
}

std::vector<double> JsonLevels(const std::string& out)
{
    std::vector<double> levels;
    const size_t open = out.find("\"levels_db\":[");
    if (open == std::string::npos)
        return levels;
    std::stringstream list(out.substr(open + 13, out.find(']', open) - open - 13));
    for (std::string item; std::getline(list, item, ',');)
        levels.push_back(std::strtod(item.c_str(), nullptr));
    return levels;
}

} // namespace

TEST(LevelsCommand, PrintsOneLevelPerWindowAsJsonAndText)
{
    TempDir dir;
    const std::string path = WriteMusicWithGap(dir);

    const CliResult json = RunCli({ "levels", "--json", path });
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_NE(json.out.find("{\"file\":\"" + path + "\",\"window_ms\":100,"), std::string::npos) << json.out;
    const auto levels = JsonLevels(json.out);
    ASSERT_EQ(levels.size(), 80u); // 8 s in windows of 100 ms
    for (size_t k = 42; k < 58; ++k)
        EXPECT_LT(levels[k], -45) << "window " << k;
    for (size_t k = 0; k < 24; ++k) // the music turns quiet from 2.4 s to 3 s
        EXPECT_GT(levels[k], -40) << "window " << k;
    EXPECT_EQ(levels[50], -100); // digital silence codes no values at all
    // Every level with one decimal, as "%.1f" writes it.
    const size_t open = json.out.find("\"levels_db\":[") + 13;
    std::stringstream items(json.out.substr(open, json.out.find(']', open) - open));
    for (std::string item; std::getline(items, item, ',');) {
        char expected[32];
        std::snprintf(expected, sizeof expected, "%.1f", std::strtod(item.c_str(), nullptr));
        EXPECT_EQ(item, expected);
    }

    const CliResult text = RunCli({ "levels", "--window", "50", path });
    ASSERT_EQ(text.exitCode, 0) << text.err;
    const auto lines = Lines(text.out);
    ASSERT_EQ(lines.size(), 160u);
    EXPECT_EQ(lines[0].substr(0, 6), "0.000\t");
    EXPECT_EQ(lines[100].substr(0, 6), "5.000\t");
}

TEST(LevelsCommand, RefusesBadUsageAndFilesWithoutAudio)
{
    TempDir dir;
    WriteFile(dir.File("junk.mp3"), Bytes(5000, 0x20));
    const CliResult junk = RunCli({ "levels", dir.File("junk.mp3") });
    EXPECT_EQ(junk.exitCode, 1);
    EXPECT_NE(junk.err.find("holds no MPEG audio frames"), std::string::npos) << junk.err;
    EXPECT_EQ(RunCli({ "levels", dir.File("missing.mp3") }).exitCode, 1);

    for (const auto& window : { "0", "-5", "abc", "10x", "" })
        EXPECT_EQ(RunCli({ "levels", "--window", window, dir.File("junk.mp3") }).exitCode, 2) << window;
    EXPECT_EQ(RunCli({ "levels" }).exitCode, 2);
    EXPECT_EQ(RunCli({ "levels", "--loud", dir.File("junk.mp3") }).exitCode, 2);
    EXPECT_EQ(RunCli({ "levels", dir.File("a.mp3"), dir.File("b.mp3") }).exitCode, 2);
}
