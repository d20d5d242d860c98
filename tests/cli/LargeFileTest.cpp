// Sources over 4 GiB, made as sparse files: a run of frames, a hole of zeros past the 4 GiB mark,
// another run of frames and an ID3v1 block. Skipped where the file system has no sparse files.
#include "tests/support/CliRunner.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/Mp3Layout.h"
#include "tests/support/TempDir.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

constexpr uint64_t kSecondRun = (uint64_t { 9 } << 29) + 5; // 4.5 GiB and a few bytes
constexpr int kRunFrames = 1000; // 417 bytes each

bool MakeSparseSource(const std::string& path)
{
    const Bytes run = Frames({}, kRunFrames);
    Bytes tail = run;
    Append(tail, ID3v1("Long", "Band"));
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return false;
    const bool made = ::pwrite(fd, run.data(), run.size(), 0) == static_cast<ssize_t>(run.size())
        && ::pwrite(fd, tail.data(), tail.size(), static_cast<off_t>(kSecondRun)) == static_cast<ssize_t>(tail.size());
    ::close(fd);
    return made;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

} // namespace

TEST(LargeFile, InfoCutAndJoinWorkPastFourGibibytes)
{
    TempDir dir;
    const std::string source = dir.File("long.mp3");
    if (!MakeSparseSource(source)) {
        std::filesystem::remove(source);
        GTEST_SKIP() << "no sparse file over 4 GiB here";
    }
    const uint64_t size = kSecondRun + uint64_t { kRunFrames } * 417 + 128;

    const CliResult info = RunCli({ "info", "--json", source });
    EXPECT_EQ(info.exitCode, 0) << info.err;
    EXPECT_TRUE(Has(info.out, "\"size\":" + std::to_string(size))) << info.out;
    EXPECT_TRUE(Has(info.out, "\"frames\":" + std::to_string(2 * kRunFrames))) << info.out;
    // The text report formats the whole size, not its low 32 bits.
    const CliResult text = RunCli({ "info", source });
    char shown[64];
    std::snprintf(shown, sizeof shown, "%llu bytes (%.2f GB)", static_cast<unsigned long long>(size),
        static_cast<double>(size) / 1073741824.0);
    EXPECT_TRUE(Has(text.out, shown)) << text.out;

    // 30 s of 52: the first piece reaches across the hole into the second run.
    const CliResult cut = RunCli({ "cut", "--time", "0:30", source });
    EXPECT_EQ(cut.exitCode, 0) << cut.err;
    const std::vector<std::string> pieces = Lines(cut.out);
    ASSERT_EQ(pieces.size(), 2u) << cut.out;
    const Mp3Layout first = ReadMp3Layout(ReadFile(pieces[0]));
    const Mp3Layout second = ReadMp3Layout(ReadFile(pieces[1]));
    EXPECT_GT(first.frames.size(), static_cast<size_t>(kRunFrames));
    ASSERT_TRUE(second.lame);
    const auto priming = static_cast<size_t>((second.lame->delay + 529) / 1152);
    // The first piece starts with a silent frame its tag drops (the source has no tag of its own),
    // and both pieces hold the frame 30 s falls in; the first plays exactly 30 s.
    EXPECT_EQ(first.frames.size() + second.frames.size() - priming, static_cast<size_t>(2 * kRunFrames) + 2);
    ASSERT_TRUE(first.lame);
    EXPECT_EQ(static_cast<int64_t>(first.frames.size()) * 1152 - first.lame->delay - first.lame->padding, 30 * 44100);
    for (const auto& piece : pieces)
        std::filesystem::remove(piece);

    // A frame-copy join of the large file and a small one holds every frame of both.
    WriteFile(dir.File("short.mp3"), Frames({}, 10));
    const std::string output = dir.File("joined.mp3");
    const CliResult join = RunCli({ "join", "-o", output, source, dir.File("short.mp3") });
    EXPECT_EQ(join.exitCode, 0) << join.err;
    EXPECT_EQ(ReadMp3Layout(ReadFile(output)).frames.size(), static_cast<size_t>(2 * kRunFrames + 10));
}
