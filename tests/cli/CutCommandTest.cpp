#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/Mp3Layout.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

struct CliRun {
    int exitCode = -1;
    std::vector<std::string> lines; // stdout
    std::string errors; // stderr
};

class CutCommandTest : public ::testing::Test {
protected:
    CutCommandTest()
    {
        const char* path = std::getenv("SONICROP_CLI");
        cli = path ? path : "";
    }

    void SetUp() override { ASSERT_FALSE(cli.empty()) << "SONICROP_CLI is not set"; }

    CliRun Cut(const std::string& arguments) const
    {
        const std::string out = dir.File("stdout.txt");
        const std::string err = dir.File("stderr.txt");
        const std::string command = "'" + cli + "' cut " + arguments + " >'" + out + "' 2>'" + err + "'";
        CliRun run;
        const int status = std::system(command.c_str());
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::ifstream stdoutFile(out);
        for (std::string line; std::getline(stdoutFile, line);)
            run.lines.push_back(line);
        std::stringstream errors;
        errors << std::ifstream(err).rdbuf();
        run.errors = errors.str();
        std::filesystem::remove(out);
        std::filesystem::remove(err);
        return run;
    }

    // An encoded tone of the given length.
    std::string Tone(const std::string& name, double seconds) const
    {
        ToneSpec shape;
        shape.seconds = seconds;
        WriteFile(dir.File(name), EncodeTone(shape));
        return dir.File(name);
    }

    size_t Mp3FilesIn(const std::filesystem::path& folder) const
    {
        size_t count = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
            count += entry.path().extension() == ".mp3";
        return count;
    }

    std::string cli;
    TempDir dir;
};

} // namespace

TEST_F(CutCommandTest, CountPrintsEachPieceInOrder)
{
    const std::string song = Tone("song.mp3", 6);
    const CliRun run = Cut("--count 3 '" + song + "'");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    ASSERT_EQ(run.lines.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(run.lines[static_cast<size_t>(i)], dir.File("song_0" + std::to_string(i + 1) + ".mp3"));
        EXPECT_TRUE(std::filesystem::exists(run.lines[static_cast<size_t>(i)]));
    }
    // Pieces decode to about the source's length, plus the three repeated frames at each cut.
    double seconds = 0;
    for (const auto& piece : run.lines)
        seconds += static_cast<double>(DecodeFile(piece).left.size()) / 44100;
    EXPECT_NEAR(seconds, 6.0 + 2 * 3 * 1152.0 / 44100, 0.15);
}

TEST_F(CutCommandTest, BadUsageExitsTwoAndWritesNothing)
{
    const std::string song = Tone("song.mp3", 2);
    for (const std::string& arguments : std::vector<std::string> { "'" + song + "'",
             "--count 2 --size 10 '" + song + "'", "--count 2", "--time 1:75 '" + song + "'",
             "--time 9.0001 '" + song + "'", "--count 2 --fade-in 1.25 '" + song + "'", "--count 2 --skip 1 '" + song + "'",
             "--points 2,1 '" + song + "'", "--points 1 --skip 3 '" + song + "'", "--count -2 '" + song + "'",
             "--count 2 --track-rule odd '" + song + "'", "--count 2 --frobnicate '" + song + "'" }) {
        const CliRun run = Cut(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments;
        EXPECT_TRUE(run.lines.empty()) << arguments;
    }
    EXPECT_EQ(Mp3FilesIn(dir.Path()), 1u);
}

TEST_F(CutCommandTest, FailedFileIsReportedAndTheNextGoesOn)
{
    WriteFile(dir.File("noise.mp3"), Bytes(4000, 0x20));
    const std::string song = Tone("song.mp3", 3);
    const CliRun run = Cut("--count 2 '" + dir.File("noise.mp3") + "' '" + song + "'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errors.find("Failed to load file \"" + dir.File("noise.mp3") + "\"."), std::string::npos)
        << run.errors;
    ASSERT_EQ(run.lines.size(), 2u);
    EXPECT_EQ(run.lines[0], dir.File("song_01.mp3"));

    const CliRun refused = Cut("--count 1 '" + song + "'");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.errors.find("The file count should be greater than or equal to 2."), std::string::npos);
}

TEST_F(CutCommandTest, PointsCutAtTheGivenTimesAndSkipPieces)
{
    const std::string song = Tone("song.mp3", 8);
    const CliRun run = Cut("--points 2,0:04.5 --skip 2 --track-rule null '" + song + "'");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    ASSERT_EQ(run.lines.size(), 2u);
    const double first = static_cast<double>(DecodeFile(run.lines[0]).left.size()) / 44100;
    const double last = static_cast<double>(DecodeFile(run.lines[1]).left.size()) / 44100;
    EXPECT_NEAR(first, 2.0, 0.06);
    EXPECT_NEAR(last, 8.0 - 4.5, 0.15);

    const CliRun outside = Cut("--points 2,1:00:00 '" + song + "'");
    EXPECT_EQ(outside.exitCode, 1);
    EXPECT_TRUE(outside.lines.empty());
}

TEST_F(CutCommandTest, OutputFolderAndFolderPerFile)
{
    const std::string song = Tone("song.mp3", 3);
    const std::string out = dir.File("out");
    const CliRun run = Cut("--time 0:01 --output-folder '" + out + "' --folder-per-file '" + song + "'");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    ASSERT_EQ(run.lines.size(), 3u);
    EXPECT_EQ(run.lines[0], out + "/song/song_01.mp3");
    EXPECT_EQ(Mp3FilesIn(out), 3u);
}

TEST_F(CutCommandTest, FadedPiecesAreReencoded)
{
    const std::string song = Tone("song.mp3", 4);
    const CliRun run = Cut("--count 2 --fade-in 0.5 --fade-out 0.5 '" + song + "'");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    ASSERT_EQ(run.lines.size(), 2u);
    const Pcm piece = DecodeFile(run.lines[0]);
    ASSERT_GT(piece.left.size(), 44100u);
    EXPECT_LT(RmsLevel(piece.left, 0, 1000), 0.05);
    EXPECT_GT(RmsLevel(piece.left, 30000, 40000), 0.25);
}

TEST_F(CutCommandTest, InterruptCancelsAndRemovesThePieces)
{
    const std::string song = Tone("long.mp3", 90);
    // Fades make the cut slow enough to be interrupted part way.
    const std::string out = dir.File("out.txt");
    std::vector<std::string> arguments = { cli, "cut", "--fade-in", "1", "--count", "4", song };
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, cli.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    // Wait until the first piece exists, then press Ctrl+C.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!std::filesystem::exists(dir.File("long_02.mp3")) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ::kill(child, SIGINT);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 0)
        GTEST_SKIP() << "the cut finished before the interrupt arrived";
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(Mp3FilesIn(dir.Path()), 1u); // only the source
}

TEST_F(CutCommandTest, DamagedFilesFailWithTheLoadMessageAndLeaveNothing)
{
    FrameSpec shape;
    Bytes idTagPastTheEnd = ID3v2Block(100);
    idTagPastTheEnd[6] = 0x7F; // claims far more bytes than the file holds
    Append(idTagPastTheEnd, Frames(shape, 20));
    const std::vector<std::pair<std::string, Bytes>> files = {
        { "empty.mp3", {} },
        { "tag-past-end.mp3", idTagPastTheEnd },
        { "info-alone.mp3", InfoFrame(shape, "Xing", 0x3, 100, 41700) },
        { "junk.mp3", Bytes(3000, 0x00) },
    };
    for (const auto& [name, bytes] : files) {
        WriteFile(dir.File(name), bytes);
        const CliRun run = Cut("--count 2 '" + dir.File(name) + "'");
        EXPECT_EQ(run.exitCode, 1) << name;
        EXPECT_NE(run.errors.find("Failed to load file \"" + dir.File(name) + "\"."), std::string::npos)
            << name << ": " << run.errors;
        EXPECT_TRUE(run.lines.empty()) << name;
        EXPECT_EQ(ReadFile(dir.File(name)), bytes) << name; // the input is untouched
    }
    EXPECT_EQ(Mp3FilesIn(dir.Path()), files.size());
}

TEST_F(CutCommandTest, ASourceWithoutTheMp3ExtensionIsRefused)
{
    // Pieces are named after the source without its ".mp3": "dd/abc" would lose "/abc" and put
    // its pieces outside dd/.
    std::filesystem::create_directory(dir.File("dd"));
    const std::string song = Tone("dd/abc", 2);
    const CliRun run = Cut("--count 2 '" + song + "'");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.errors.find("'" + song + "' is not an .mp3 file"), std::string::npos) << run.errors;
    EXPECT_EQ(Mp3FilesIn(dir.Path()), 0u);

    std::filesystem::rename(song, dir.File("dd/abc.MP3"));
    const CliRun upper = Cut("--count 2 '" + dir.File("dd/abc.MP3") + "'");
    EXPECT_EQ(upper.exitCode, 0) << upper.errors;
    EXPECT_EQ(upper.lines, (std::vector<std::string> { dir.File("dd/abc_01.mp3"), dir.File("dd/abc_02.mp3") }));
}

TEST_F(CutCommandTest, AnOutputFolderThatTakesNoPieceFailsTheCut)
{
    const std::string song = Tone("song.mp3", 2);
    WriteFile(dir.File("file"), { 1 });
    // A file in the folder's place, and a folder where even root cannot make files.
    for (const std::string& folder : { dir.File("file"), std::string("/proc") }) {
        const CliRun run = Cut("--count 2 --output-folder '" + folder + "' '" + song + "'");
        EXPECT_EQ(run.exitCode, 1) << folder;
        EXPECT_NE(run.errors.find("Failed to create file \"" + folder + "/song_01.mp3\"."), std::string::npos)
            << run.errors;
        EXPECT_TRUE(run.lines.empty());
    }
    EXPECT_EQ(Mp3FilesIn(dir.Path()), 1u); // no piece went next to the source instead
}

TEST_F(CutCommandTest, ThousandsOfPiecesAreNamedInOrder)
{
    WriteFile(dir.File("many.mp3"), Frames(FrameSpec {}, 4000)); // 1.6 MB of 417-byte frames
    const CliRun run = Cut("--count 2000 '" + dir.File("many.mp3") + "'");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    ASSERT_EQ(run.lines.size(), 2000u);
    for (size_t i = 0; i < run.lines.size(); i += 111) {
        char name[32];
        std::snprintf(name, sizeof name, "many_%02zu.mp3", i + 1);
        EXPECT_EQ(run.lines[i], dir.File(name));
    }
    EXPECT_EQ(run.lines.back(), dir.File("many_2000.mp3"));
    EXPECT_EQ(Mp3FilesIn(dir.Path()), 2001u);
}

TEST_F(CutCommandTest, VbrWithoutInfoFrameIsTimedByItsFramesNotItsFirstBitrate)
{
    // A 320 kbps frame, then 2000 frames of 32 kbps: 52.3 s, though the first frame's bitrate makes
    // the file's bytes look like 5.2 s.
    FrameSpec high;
    high.bitrateIndex = 14;
    FrameSpec low;
    low.bitrateIndex = 1;
    Bytes file = Frame(high);
    Append(file, Frames(low, 2000));
    WriteFile(dir.File("vbr.mp3"), file);
    const double seconds = 2001 * 1152.0 / 44100;

    const CliRun byTime = Cut("--time 0:10 '" + dir.File("vbr.mp3") + "'");
    EXPECT_EQ(byTime.exitCode, 0) << byTime.errors;
    ASSERT_EQ(byTime.lines.size(), 6u);
    // The last piece holds the remainder (and the priming frames it starts with), not the misjudged
    // rest of the file.
    const size_t lastFrames = ReadMp3Layout(ReadFile(byTime.lines.back())).frames.size();
    EXPECT_NEAR(static_cast<double>(lastFrames) * 1152 / 44100, seconds - 50 + 3 * 1152.0 / 44100, 0.1);

    for (const auto& piece : byTime.lines)
        std::filesystem::remove(piece);
    const CliRun atPoints = Cut("--points 30,50 '" + dir.File("vbr.mp3") + "'");
    EXPECT_EQ(atPoints.exitCode, 0) << atPoints.errors;
    EXPECT_EQ(atPoints.lines.size(), 3u);
}

TEST_F(CutCommandTest, AFileOfMoreThanTwoToTheThirtyTwoSamplesIsCutAnywhere)
{
    // 52 hours of 24-byte frames (MPEG-2 Layer III, 8 kbps, 24 kHz, mono): 187 MB holding
    // 4,492,800,000 samples, which a 32-bit count would take for 2.3 hours.
    struct statvfs space { };
    if (::statvfs(dir.Path().c_str(), &space) != 0 || space.f_bavail * space.f_frsize < (uint64_t { 1 } << 30))
        GTEST_SKIP() << "less than 1 GiB free for a 187 MB source and its pieces";
    FrameSpec shape;
    shape.version = 2;
    shape.bitrateIndex = 1;
    shape.sampleRateIndex = 1;
    shape.channelMode = 3;
    ASSERT_EQ(FrameLengthOf(shape), 24);
    const Bytes block = Frames(shape, 100000, false);
    {
        std::ofstream file(dir.File("long.mp3"), std::ios::binary);
        for (int i = 0; i < 78; ++i)
            file.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size()));
    }
    // 40-50 hours and 50 hours to the end: 6,000,000 frames skipped, 1,500,000 written, then the
    // rest. Each piece starts with priming frames, here the most a LAME tag's delay can describe
    // (8: the filler bytes make every frame borrow more main data than the frames before it hold),
    // after a new 192-byte "Info" frame that tells players to drop them.
    const CliRun late = Cut("--points 40:00:00,50:00:00 --skip 1 '" + dir.File("long.mp3") + "'");
    EXPECT_EQ(late.exitCode, 0) << late.errors;
    ASSERT_EQ(late.lines.size(), 2u);
    EXPECT_EQ(std::filesystem::file_size(late.lines[0]), 192 + (8 + 1500000u) * 24 + 128);
    EXPECT_EQ(std::filesystem::file_size(late.lines[1]), 192 + (8 + 300000u) * 24 + 128);
    for (const auto& piece : late.lines)
        std::filesystem::remove(piece);

    // Ten-hour pieces: five and the rest.
    const CliRun byTime = Cut("--time 600:00 '" + dir.File("long.mp3") + "'");
    EXPECT_EQ(byTime.exitCode, 0) << byTime.errors;
    EXPECT_EQ(byTime.lines.size(), 6u);
}
