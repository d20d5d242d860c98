// The command line under a file-size limit (ulimit -f) with SIGXFSZ at its default action, which
// would kill a process at its first write past the limit.
#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/TempDir.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct LimitedRun {
    int status = 0;
    std::string err;
};

// Runs the program with the limit in a child whose SIGXFSZ is reset to the default.
LimitedRun RunLimited(const TempDir& dir, std::vector<std::string> args, rlim_t limitBytes)
{
    const char* cli = std::getenv("SONICROP_CLI");
    EXPECT_NE(cli, nullptr);
    args.insert(args.begin(), cli ? cli : "sonicrop-cli");
    const std::string errPath = dir.File("stderr.txt");
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_DFL);
        const rlimit limit { limitBytes, limitBytes };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    LimitedRun run;
    ::waitpid(pid, &run.status, 0);
    const Bytes err = ReadFile(errPath);
    run.err.assign(err.begin(), err.end());
    std::filesystem::remove(errPath);
    return run;
}

size_t FilesIn(const TempDir& dir)
{
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir.Path()), {}));
}

} // namespace

TEST(FileSizeLimit, CutAndJoinFailWithTheWriteMessageAndLeaveNoPartialFile)
{
    TempDir dir;
    ToneSpec shape;
    shape.seconds = 3;
    WriteFile(dir.File("song.mp3"), EncodeTone(shape)); // about 48 KB
    const rlim_t limit = 8 * 1024;

    const LimitedRun cut = RunLimited(dir, { "cut", "--count", "2", dir.File("song.mp3") }, limit);
    ASSERT_TRUE(WIFEXITED(cut.status)) << "killed by signal " << WTERMSIG(cut.status);
    EXPECT_EQ(WEXITSTATUS(cut.status), 1);
    EXPECT_NE(cut.err.find("Failed to write file \"" + dir.File("song_01.mp3") + "\"."), std::string::npos) << cut.err;

    for (const char* encoding : { "auto", "22050:64:mono" }) { // frame copy and re-encoding
        const std::string output = dir.File("joined.mp3");
        const LimitedRun join = RunLimited(
            dir, { "join", "-o", output, "--encoding", encoding, dir.File("song.mp3"), dir.File("song.mp3") }, limit);
        ASSERT_TRUE(WIFEXITED(join.status)) << "killed by signal " << WTERMSIG(join.status);
        EXPECT_EQ(WEXITSTATUS(join.status), 1);
        EXPECT_EQ(join.err, "Join failure. Failed to write file \"" + output + "\".\n");
    }
    EXPECT_EQ(FilesIn(dir), 1u); // only the source
}
