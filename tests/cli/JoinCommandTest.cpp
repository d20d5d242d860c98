// sonicrop-cli join end to end: the real program on real files in a temporary folder.
#include "engine/stream/ID3TagInfo.h"
#include "engine/stream/Mp3SourceFile.h"
#include "tests/support/CliRunner.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/ID3v2Builder.h"
#include "tests/support/Mp3Layout.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string ReadText(const std::string& path)
{
    const Bytes bytes = ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// Starts the program in the background with its output going to files in dir; `prefix` is a
// shell command line run before it (for limits and signal dispositions).
pid_t Start(const TempDir& dir, const std::vector<std::string>& args, const std::string& prefix = {})
{
    const char* cli = std::getenv("SONICROP_CLI");
    EXPECT_NE(cli, nullptr);
    std::vector<std::string> argv;
    if (!prefix.empty())
        argv = { "/bin/sh", "-c", prefix + "; exec \"$@\"", "sh" };
    argv.push_back(cli ? cli : "sonicrop-cli");
    argv.push_back("join");
    argv.insert(argv.end(), args.begin(), args.end());
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(dir.File("stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(dir.File("stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        std::vector<char*> pointers;
        for (std::string& arg : argv)
            pointers.push_back(arg.data());
        pointers.push_back(nullptr);
        ::execv(pointers[0], pointers.data());
        ::_exit(127);
    }
    return pid;
}

CliResult Finish(const TempDir& dir, pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    CliResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadText(dir.File("stdout.txt"));
    result.err = ReadText(dir.File("stderr.txt"));
    return result;
}

CliResult Join(const std::vector<std::string>& args)
{
    std::vector<std::string> command { "join" };
    command.insert(command.end(), args.begin(), args.end());
    return RunCli(command);
}

std::string WriteTone(
    const TempDir& dir, const std::string& name, int sampleRate, int channels, int bitrate, double seconds = 1.0)
{
    ToneSpec shape;
    shape.sampleRate = sampleRate;
    shape.channels = channels;
    shape.bitrate = bitrate;
    shape.seconds = seconds;
    WriteFile(dir.File(name), EncodeTone(shape));
    return dir.File(name);
}

// True while the process holds open a file it is writing in folder: an unnamed file ("#<inode>")
// or a hidden temporary one, neither of which shows under the output's name before it is complete.
bool IsWritingIn(pid_t pid, const std::filesystem::path& folder)
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        const auto target = std::filesystem::read_symlink(entry.path(), error);
        const std::string name = target.filename().string();
        if (!error && target.parent_path() == folder && !name.empty() && (name[0] == '#' || name[0] == '.'))
            return true;
    }
    return false;
}

ID3TagInfo TagOf(const std::string& path)
{
    ID3TagInfo tag;
    EXPECT_TRUE(ReadID3v1Tag(path, tag));
    return tag;
}

} // namespace

TEST(JoinCommand, SameFormatIsJoinedByFrameCopyWithTheGivenTag)
{
    TempDir dir;
    const std::string a = WriteTone(dir, "a.mp3", 44100, 2, 128);
    const std::string b = WriteTone(dir, "b.mp3", 44100, 2, 128, 0.5);
    const std::string output = dir.File("joined.mp3");
    const CliResult result
        = Join({ "-o", output, "--title", "A title that is longer than thirty characters", "--artist", "Artist",
            "--album", "Album", "--year", "2024", "--comment", "Comment", "--genre", "Jazz", "--track", "12b", a, b });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "frame copy\n" + output + "\n");

    // The join's ID3v2 tag, the inputs' frames, the ID3v1 block.
    Bytes expected = ReadFile(a);
    Append(expected, ReadFile(b));
    const Bytes joined = ReadFile(output);
    const size_t id3v2Length = ReadMp3Layout(joined).id3v2Length;
    ASSERT_EQ(joined.size(), id3v2Length + expected.size() + 128);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), joined.begin() + static_cast<long>(id3v2Length)));
    const auto id3v2 = ReadID3v2Back(output);
    ASSERT_TRUE(id3v2);
    EXPECT_EQ(id3v2->title, "A title that is longer than thirty characters");
    EXPECT_EQ(id3v2->genre, "Jazz");
    EXPECT_EQ(id3v2->track, "12");
    const ID3TagInfo tag = TagOf(output);
    EXPECT_STREQ(tag.title, "A title that is longer than th");
    EXPECT_STREQ(tag.artist, "Artist");
    EXPECT_STREQ(tag.album, "Album");
    EXPECT_STREQ(tag.year, "2024");
    EXPECT_STREQ(tag.comment, "Comment");
    EXPECT_EQ(tag.genre, 8);
    EXPECT_TRUE(tag.hasTrack);
    EXPECT_EQ(tag.track, 12);
}

TEST(JoinCommand, WithoutGenreAndTrackTheTagHasNeither)
{
    TempDir dir;
    const std::string a = WriteTone(dir, "a.mp3", 44100, 2, 128, 0.5);
    const std::string output = dir.File("joined.mp3");
    const CliResult result = Join({ "--output=" + output, "--comment", "A comment of exactly thirty ch", a, a });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const ID3TagInfo tag = TagOf(output);
    EXPECT_EQ(tag.genre, 255);
    EXPECT_FALSE(tag.hasTrack);
    EXPECT_STREQ(tag.comment, "A comment of exactly thirty ch"); // the ID3v1.0 layout keeps all 30
}

TEST(JoinCommand, MixedFormatsAreReencodedAtTheFormatPickedFromTheInputs)
{
    TempDir dir;
    const std::string stereo = WriteTone(dir, "stereo.mp3", 44100, 2, 128);
    const std::string mono = WriteTone(dir, "mono.mp3", 22050, 1, 64);
    const std::string output = dir.File("joined.mp3");
    const CliResult result = Join({ "-o", output, stereo, mono });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "re-encode 44100 Hz 128 kbps joint\n" + output + "\n");
    const Pcm joined = DecodeFile(output);
    EXPECT_EQ(joined.sampleRate, 44100);
    EXPECT_EQ(joined.right.size(), joined.left.size());
}

TEST(JoinCommand, AFixedEncodingReencodesEvenMatchingInputs)
{
    TempDir dir;
    const std::string a = WriteTone(dir, "a.mp3", 44100, 2, 128);
    const std::string output = dir.File("joined.mp3");
    CliResult result = Join({ "-o", output, "--encoding", "22050:32:mono", a, a });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "re-encode 22050 Hz 32 kbps mono\n" + output + "\n");
    const Pcm joined = DecodeFile(output);
    EXPECT_EQ(joined.sampleRate, 22050);
    EXPECT_TRUE(joined.right.empty());

    result = Join({ "-o", output, "--encoding", "44100:400:stereo", a, a });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "re-encode 44100 Hz 320 kbps stereo\n" + output + "\n");
}

TEST(JoinCommand, TheMethodLineNamesTheBitrateTheEncoderUsed)
{
    // Bitrates outside what a sample rate allows are moved by the encoder to one it can write;
    // the line must name the bitrate the file really has.
    TempDir dir;
    const std::string a = WriteTone(dir, "a.mp3", 44100, 2, 128, 0.5);
    const std::string output = dir.File("joined.mp3");
    for (const std::string encoding : { "48000:8:stereo", "8000:320:joint", "22050:320:mono" }) {
        const CliResult result = Join({ "-o", output, "--encoding", encoding, a, a });
        ASSERT_EQ(result.exitCode, 0) << result.err;
        Mp3SourceFile joined;
        ASSERT_TRUE(joined.Open(output));
        const std::string rate = encoding.substr(0, encoding.find(':'));
        const std::string mode = encoding.substr(encoding.rfind(':') + 1);
        EXPECT_EQ(result.out,
            "re-encode " + rate + " Hz " + std::to_string(joined.Bitrate()) + " kbps " + mode + "\n" + output + "\n");
    }
}

TEST(JoinCommand, ADamagedInputLeavesStandardErrorToTheCommand)
{
    // A stream that changes its sample rate halfway, with noise written over some frames: the
    // decoder resynchronises and reports trouble, which must not reach the command's stderr.
    TempDir dir;
    ToneSpec second;
    second.sampleRate = 22050;
    second.channels = 1;
    second.bitrate = 64;
    second.writeInfoFrame = true;
    Bytes damaged = ReadFile(WriteTone(dir, "a.mp3", 44100, 2, 128));
    Append(damaged, EncodeTone(second));
    for (size_t i = 2000; i < damaged.size(); i += 211)
        damaged[i] ^= 0x5A;
    WriteFile(dir.File("damaged.mp3"), damaged);
    const std::string output = dir.File("joined.mp3");
    const CliResult result
        = Join({ "-o", output, "--encoding", "44100:128:joint", dir.File("damaged.mp3"), dir.File("a.mp3") });
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
}

TEST(JoinCommand, AnInputTheProbeCannotOpenFailsBeforeAnyOutputIsCreated)
{
    TempDir dir;
    const std::string a = WriteTone(dir, "a.mp3", 44100, 2, 128, 0.5);
    WriteFile(dir.File("text.mp3"), Bytes(500, 'x'));
    const std::string output = dir.File("joined.mp3");
    WriteFile(output, Bytes { 1, 2, 3 });
    for (const std::string bad : { "text.mp3", "missing.mp3" }) {
        const CliResult result = Join({ "-o", output, a, dir.File(bad) });
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err, "Join failure. Failed to open file \"" + dir.File(bad) + "\".\n");
        EXPECT_EQ(ReadFile(output), (Bytes { 1, 2, 3 })); // not even replaced
    }
}

TEST(JoinCommand, AnOutputThatIsAnInputIsRefusedAndTheInputKept)
{
    TempDir dir;
    const std::string a = WriteTone(dir, "a.mp3", 44100, 2, 128, 0.5);
    const std::string b = WriteTone(dir, "b.mp3", 22050, 1, 64, 0.5);
    std::filesystem::create_symlink(a, dir.File("link.mp3"));
    const Bytes original = ReadFile(a);
    // Frame copy (a, a) and re-encoding (a, b) alike.
    for (const std::string& other : { a, b }) {
        const CliResult result = Join({ "-o", dir.File("link.mp3"), a, other });
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err, "Join failure. Failed to create file \"" + dir.File("link.mp3") + "\".\n");
        EXPECT_EQ(ReadFile(a), original);
    }
}

TEST(JoinCommand, AFullDiskFailsTheJoinAndLeavesNoOutput)
{
    TempDir dir;
    const std::string a = WriteTone(dir, "a.mp3", 44100, 2, 128);
    const std::string b = WriteTone(dir, "b.mp3", 32000, 2, 96);
    const std::string output = dir.File("joined.mp3");
    for (const std::string& other : { a, b }) {
        // A 4 KiB file-size limit, with the signal for crossing it ignored.
        const CliResult result = Finish(dir, Start(dir, { "-o", output, a, other }, "trap '' XFSZ; ulimit -f 4"));
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err, "Join failure. Failed to write file \"" + output + "\".\n");
        EXPECT_FALSE(std::filesystem::exists(output));
    }
}

TEST(JoinCommand, InterruptCancelsTheJoinAndDeletesTheOutput)
{
    TempDir dir;
    const std::string a = WriteTone(dir, "a.mp3", 44100, 2, 128, 10.0);
    const std::string output = dir.File("joined.mp3");
    // A hundred seconds to re-encode: the join is still running when the signal comes. Ctrl+C,
    // kill's default signal and a closed terminal all cancel it.
    std::vector<std::string> args { "-o", output, "--encoding", "44100:128:joint" };
    args.insert(args.end(), 10, a);
    for (const int signal : { SIGINT, SIGTERM, SIGHUP }) {
        SCOPED_TRACE(signal);
        const pid_t pid = Start(dir, args);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!IsWritingIn(pid, dir.Path()) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_TRUE(IsWritingIn(pid, dir.Path()));
        EXPECT_FALSE(std::filesystem::exists(output)); // nothing under the name while it is written
        ::kill(pid, signal);
        const CliResult result = Finish(dir, pid);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.err.find("cancelled"), std::string::npos) << result.err;
        EXPECT_TRUE(result.out.empty());
        EXPECT_FALSE(std::filesystem::exists(output));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 3); // a.mp3 and the logs
    }
}

TEST(JoinCommand, BadUsageExitsWithTwo)
{
    TempDir dir;
    const std::string a = WriteTone(dir, "a.mp3", 44100, 2, 128, 0.3);
    const std::string output = dir.File("joined.mp3");
    const std::vector<std::vector<std::string>> cases {
        { a, a }, // no output
        { "-o", output, a }, // one input
        { "-o", output, "--encoding", "44100:128", a, a }, // no mode
        { "-o", output, "--encoding", "44100:128:quad", a, a }, { "-o", output, "--encoding", "12345:128:joint", a, a },
        { "-o", output, "--genre", "256", a, a }, { "-o", output, "--genre", "Polka Rock", a, a },
        { "-o", output, "--volume", "3", a, a }, { "-o", output, a, a, "--title" }, // a value is missing
    };
    for (const auto& args : cases) {
        const CliResult result = Join(args);
        EXPECT_EQ(result.exitCode, 2) << args[args.size() - 1];
        EXPECT_NE(result.err.find("Usage: sonicrop-cli join"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(output));
    EXPECT_EQ(Join({ "--help" }).exitCode, 0);
}

TEST(JoinCommand, AnOutputThatIsNotARegularFileIsRefusedAtOnceAndLeftAlone)
{
    TempDir dir;
    const std::string a = WriteTone(dir, "a.mp3", 44100, 2, 128, 0.5);
    const std::string b = WriteTone(dir, "b.mp3", 22050, 1, 64, 0.5);
    std::vector<std::pair<std::string, mode_t>> nodes
        = { { dir.File("fifo"), S_IFIFO }, { dir.File("folder"), S_IFDIR } };
    ASSERT_EQ(::mkfifo(nodes[0].first.c_str(), 0644), 0);
    std::filesystem::create_directory(nodes[1].first);
    // A node like /dev/full, where every write fails; making one needs root's privilege.
    if (::mknod(dir.File("full").c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0)
        nodes.emplace_back(dir.File("full"), S_IFCHR);
    else
        std::cout << "No device node made (not permitted here); FIFOs and folders are tested.\n";

    for (const auto& [node, type] : nodes) {
        for (const std::string& other : { a, b }) { // frame copy and re-encoding
            SCOPED_TRACE(node + " + " + other);
            const pid_t pid = Start(dir, { "-o", node, a, other });
            int status = 0;
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (::waitpid(pid, &status, WNOHANG) == 0 && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            if (::kill(pid, 0) == 0) { // still waiting for a reader, or writing into the node
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                ADD_FAILURE() << "the join did not end";
                continue;
            }
            ASSERT_TRUE(WIFEXITED(status));
            EXPECT_EQ(WEXITSTATUS(status), 1);
            EXPECT_EQ(ReadText(dir.File("stderr.txt")), "Join failure. Failed to create file \"" + node + "\".\n");
            struct stat info { };
            ASSERT_EQ(::lstat(node.c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & S_IFMT, type);
        }
    }
}

TEST(JoinCommand, AFailedOrCancelledJoinKeepsTheFileItWouldHaveReplaced)
{
    TempDir dir;
    const std::string a = WriteTone(dir, "a.mp3", 44100, 2, 128);
    const std::string b = WriteTone(dir, "b.mp3", 32000, 2, 96);
    const std::string output = dir.File("joined.mp3");
    const Bytes earlier = ReadFile(a);
    WriteFile(output, earlier);
    for (const std::string& other : { a, b }) {
        const CliResult full = Finish(dir, Start(dir, { "-o", output, a, other }, "trap '' XFSZ; ulimit -f 4"));
        EXPECT_EQ(full.exitCode, 1);
        EXPECT_EQ(full.err, "Join failure. Failed to write file \"" + output + "\".\n");
        EXPECT_EQ(ReadFile(output), earlier);
    }
    // Cancelled part way through a long re-encoding.
    std::vector<std::string> args { "-o", output, "--encoding", "44100:128:joint" };
    args.insert(args.end(), 20, a);
    const pid_t pid = Start(dir, args);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!IsWritingIn(pid, dir.Path()) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ::kill(pid, SIGINT);
    EXPECT_EQ(Finish(dir, pid).exitCode, 1);
    EXPECT_EQ(ReadFile(output), earlier);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 5); // a, b, output, logs

    // A join that succeeds replaces it.
    EXPECT_EQ(Join({ "-o", output, a, a }).exitCode, 0);
    EXPECT_GT(ReadFile(output).size(), 2 * earlier.size() - 1000);
}
