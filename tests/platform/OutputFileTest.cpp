#include "platform/OutputFile.h"
#include "platform/PathHelpers.h"
#include "platform/ReadWindow.h"

#include "tests/support/TempDir.h"

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Lowers the process file-size limit for one scope; writes past it fail with EFBIG.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit saved_ {};
    void (*previousHandler_)(int) = nullptr;
};

std::string Contents(const std::string& path)
{
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

// Every name in the folder, hidden ones included, sorted.
std::vector<std::string> Entries(const TempDir& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class OutputFileStaging : public ::testing::TestWithParam<OutputFile::Staging> { };

} // namespace

TEST_P(OutputFileStaging, TheNameShowsTheOldFileUntilTheNewOneIsComplete)
{
    TempDir dir;
    const std::string path = dir.File("out.bin");
    std::ofstream(path) << "old content that is longer";
    ::chmod(path.c_str(), 0600);
    OutputFile out;
    ASSERT_TRUE(out.Create(path, GetParam()));
    ASSERT_TRUE(out.Write("new", 3));
    ASSERT_TRUE(out.WriteAt(0, "N", 1));
    EXPECT_EQ(Contents(path), "old content that is longer");
    EXPECT_EQ(out.BytesWritten(), 3u);
    EXPECT_TRUE(out.Close());
    EXPECT_EQ(Contents(path), "New");
    EXPECT_EQ(Entries(dir), std::vector<std::string> { "out.bin" }); // no temporary file is left
    struct stat info { };
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // A new name appears only when closed.
    OutputFile fresh;
    ASSERT_TRUE(fresh.Create(dir.File("fresh.bin"), GetParam()));
    fresh.Write("x", 1);
    EXPECT_FALSE(FileExists(dir.File("fresh.bin")));
    EXPECT_TRUE(fresh.Close());
    EXPECT_EQ(Contents(dir.File("fresh.bin")), "x");
}

TEST_P(OutputFileStaging, AFailedOrAbandonedFileLeavesTheOldOneAndNoTrace)
{
    TempDir dir;
    const std::string path = dir.File("out.bin");
    std::ofstream(path) << "keep me";
    std::vector<uint8_t> data(64 * 1024, 0x5A);
    {
        FileSizeLimit limit(100 * 1024);
        OutputFile out;
        ASSERT_TRUE(out.Create(path, GetParam()));
        EXPECT_TRUE(out.Write(data.data(), data.size()));
        EXPECT_FALSE(out.Write(data.data(), data.size())); // would pass the limit
        out.Discard();
        EXPECT_FALSE(out.Close()); // nothing is open any more
    }
    EXPECT_EQ(Contents(path), "keep me");
    {
        OutputFile abandoned; // neither closed nor discarded
        ASSERT_TRUE(abandoned.Create(path, GetParam()));
        ASSERT_TRUE(abandoned.Create(dir.File("other.bin"), GetParam())); // a second Create drops the first
        abandoned.Write("x", 1);
    }
    EXPECT_EQ(Contents(path), "keep me");
    EXPECT_EQ(Entries(dir), std::vector<std::string> { "out.bin" });
}

TEST_P(OutputFileStaging, ANameThatStopsBeingARegularFileIsNotReplaced)
{
    TempDir dir;
    const std::string path = dir.File("out.bin");
    OutputFile out;
    ASSERT_TRUE(out.Create(path, GetParam()));
    out.Write("data", 4);
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0); // another program puts a FIFO there meanwhile
    EXPECT_FALSE(out.Close());
    struct stat info { };
    ASSERT_EQ(::lstat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_EQ(Entries(dir), std::vector<std::string> { "out.bin" });
}

INSTANTIATE_TEST_SUITE_P(
    BothStagings, OutputFileStaging, ::testing::Values(OutputFile::Staging::Unnamed, OutputFile::Staging::HiddenName));

// Appends go through buffers that another thread writes: mixed with the calls that write at
// once, the bytes must land in the order given, whatever the chunk sizes.
TEST(OutputFileAppend, KeepsTheOrderOfAppendsWritesAndCopies)
{
    TempDir dir;
    std::vector<uint8_t> source(3 * 1024 * 1024);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<uint8_t>(i * 7 + i / 251);
    const std::string sourcePath = dir.File("source.bin");
    std::ofstream(sourcePath, std::ios::binary).write(reinterpret_cast<const char*>(source.data()),
        static_cast<std::streamsize>(source.size()));
    ReadWindow window;
    ASSERT_TRUE(window.Open(sourcePath));

    OutputFile out;
    ASSERT_TRUE(out.Create(dir.File("out.bin")));
    std::string expected;
    auto append = [&](size_t from, size_t length) {
        ASSERT_TRUE(out.Append(source.data() + from, length));
        expected.append(reinterpret_cast<const char*>(source.data()) + from, length);
    };
    ASSERT_TRUE(out.Write("head", 4));
    expected += "head";
    // Frame-sized chunks over more than four buffers' worth, then a write and a kernel copy
    // between appends, then a chunk larger than a buffer.
    size_t at = 0;
    for (size_t chunk = 417; at + chunk <= 1500000; chunk = 417 + (at % 7) * 101) {
        append(at, chunk);
        at += chunk;
    }
    ASSERT_TRUE(out.Write("mid", 3));
    expected += "mid";
    append(at, 5000);
    ASSERT_EQ(out.CopyFrom(window, 100, 70000), OutputFile::CopyResult::Copied);
    expected.append(reinterpret_cast<const char*>(source.data()) + 100, 70000);
    append(1600000, 1000000);
    // Ranges the kernel copies through the writing thread, in frame-sized runs that follow each
    // other in the source (gathered into copies of up to a megabyte), one that does not, then appends again.
    auto appendFrom = [&](size_t from, size_t length) {
        ASSERT_TRUE(out.AppendFrom(window, from, length));
        expected.append(reinterpret_cast<const char*>(source.data()) + from, length);
    };
    for (size_t from = 1900000; from < 1900000 + 700 * 1700; from += 1700)
        appendFrom(from, 1700);
    appendFrom(7, 300000);
    append(20, 30);
    appendFrom(400, 1);
    ASSERT_TRUE(out.Flush());
    EXPECT_EQ(out.BytesWritten(), expected.size());
    ASSERT_TRUE(out.WriteAt(0, "HEAD", 4));
    expected.replace(0, 4, "HEAD");
    append(0, 10); // buffered bytes written by Close
    ASSERT_TRUE(out.Close());
    EXPECT_EQ(Contents(dir.File("out.bin")), expected);
}

// Bytes read straight into the append buffers: runs that fill a buffer to its end, runs that leave
// less than the least room asked for (the buffer is handed over part full), rooms filled only in
// part, all mixed with appends, writes and copies.
TEST(OutputFileAppend, KeepsTheOrderOfBytesFilledInPlace)
{
    TempDir dir;
    std::vector<uint8_t> source(12 * 1024 * 1024); // more than the fills below take
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<uint8_t>(i * 13 + i / 509);
    const std::string sourcePath = dir.File("source.bin");
    std::ofstream(sourcePath, std::ios::binary).write(reinterpret_cast<const char*>(source.data()),
        static_cast<std::streamsize>(source.size()));
    ReadWindow window;
    ASSERT_TRUE(window.Open(sourcePath));

    OutputFile out;
    ASSERT_TRUE(out.Create(dir.File("out.bin")));
    std::string expected;
    size_t at = 0;
    // Fills up to length bytes of a room of at least minimum bytes, and commits them.
    auto fill = [&](size_t minimum, size_t length) {
        const auto room = out.AppendRoom(minimum);
        ASSERT_GE(room.size(), minimum);
        length = std::min(length, room.size());
        std::copy_n(source.begin() + static_cast<std::ptrdiff_t>(at), length, room.begin());
        ASSERT_TRUE(out.CommitAppend(length));
        expected.append(reinterpret_cast<const char*>(source.data()) + at, length);
        at += length;
    };
    ASSERT_TRUE(out.Write("head", 4));
    expected += "head";
    for (int i = 0; i < 6; ++i)
        fill(65536, SIZE_MAX); // whole rooms
    for (int i = 0; i < 40; ++i)
        fill(65536, 30000 + static_cast<size_t>(i) * 977); // part rooms, some buffers handed over part full
    ASSERT_TRUE(out.Append("tail", 4));
    expected += "tail";
    fill(1, 3);
    ASSERT_EQ(out.CopyFrom(window, 5, 1000), OutputFile::CopyResult::Copied);
    expected.append(reinterpret_cast<const char*>(source.data()) + 5, 1000);
    ASSERT_TRUE(out.AppendFrom(window, 9, 70000));
    expected.append(reinterpret_cast<const char*>(source.data()) + 9, 70000);
    fill(65536, 12345);
    // A commit beyond the room is refused and appends nothing.
    const auto room = out.AppendRoom(10);
    EXPECT_FALSE(out.CommitAppend(room.size() + 1));
    fill(10, 7);
    ASSERT_TRUE(out.Close());
    EXPECT_EQ(Contents(dir.File("out.bin")), expected);
}

TEST(OutputFileAppend, AWriteThatFailsOnTheWritingThreadFailsTheFileAndLeavesNoTrace)
{
    TempDir dir;
    const std::string path = dir.File("out.bin");
    std::ofstream(path) << "keep me";
    std::vector<uint8_t> chunk(1000, 0x33);
    {
        FileSizeLimit limit(2 * 1024 * 1024);
        OutputFile out;
        ASSERT_TRUE(out.Create(path));
        bool appended = true;
        for (int i = 0; i < 4000 && appended; ++i) // 4 MB, twice the limit
            appended = out.Append(chunk.data(), chunk.size());
        EXPECT_FALSE(appended && out.Flush());
        EXPECT_FALSE(out.Close());
    }
    EXPECT_EQ(Contents(path), "keep me");
    {
        // Discarded while the thread may still be writing.
        OutputFile out;
        ASSERT_TRUE(out.Create(path));
        for (int i = 0; i < 3000; ++i)
            ASSERT_TRUE(out.Append(chunk.data(), chunk.size()));
        out.Discard();
        EXPECT_FALSE(out.Append(chunk.data(), chunk.size()));
    }
    EXPECT_EQ(Contents(path), "keep me");
    EXPECT_EQ(Entries(dir), std::vector<std::string> { "out.bin" });
    {
        // The next file gets the writing thread those failures left behind, and is whole.
        OutputFile out;
        ASSERT_TRUE(out.Create(path));
        for (int i = 0; i < 3000; ++i)
            ASSERT_TRUE(out.Append(chunk.data(), chunk.size()));
        ASSERT_TRUE(out.Close());
    }
    EXPECT_EQ(Contents(path), std::string(3000 * chunk.size(), '\x33'));
    {
        // Bytes filled in place past the limit fail the same way: the room runs dry.
        FileSizeLimit limit(1024 * 1024);
        OutputFile out;
        ASSERT_TRUE(out.Create(path));
        bool filled = true;
        for (int i = 0; i < 40 && filled; ++i) { // 10 MB
            const auto room = out.AppendRoom(65536);
            filled = !room.empty() && out.CommitAppend(room.size());
        }
        EXPECT_FALSE(filled && out.Flush());
        EXPECT_FALSE(out.Close());
    }
    EXPECT_EQ(Contents(path), std::string(3000 * chunk.size(), '\x33'));
}

// A source cut short before the writing thread copies its range: the file fails, the source is
// marked failed for its reader, and nothing is left.
TEST(OutputFileAppend, ACopyThatMeetsTheSourcesEndFailsTheFileAndTheSource)
{
    TempDir dir;
    const std::string sourcePath = dir.File("source.bin");
    std::ofstream(sourcePath, std::ios::binary) << std::string(1 << 20, 'x');
    ReadWindow window;
    ASSERT_TRUE(window.Open(sourcePath));
    ASSERT_EQ(::truncate(sourcePath.c_str(), 1000), 0);
    OutputFile out;
    ASSERT_TRUE(out.Create(dir.File("out.bin")));
    ASSERT_TRUE(out.Append("ab", 2));
    const bool appended = out.AppendFrom(window, 0, 500000);
    EXPECT_FALSE(appended && out.Flush());
    EXPECT_TRUE(window.ReadFailed());
    out.Discard();
    EXPECT_EQ(Entries(dir), std::vector<std::string> { "source.bin" });
}

TEST(OutputFile, RefusesAndKeepsWhatIsNotARegularFile)
{
    TempDir dir;
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::filesystem::create_directory(dir.File("folder"));
    std::filesystem::create_symlink(dir.File("nowhere.mp3"), dir.File("dangling"));
    std::filesystem::create_symlink(fifo, dir.File("link-to-fifo"));
    std::vector<std::string> refused = { fifo, dir.File("folder"), dir.File("dangling"), dir.File("link-to-fifo"),
        dir.File("folder/"), dir.File("missing/out.bin"), dir.File("fifo/out.bin"), dir.File(std::string(300, 'a')) };
    // A device node like /dev/full; making one needs root's privilege to make nodes.
    const bool haveNode = ::mknod(dir.File("full").c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0;
    if (haveNode)
        refused.push_back(dir.File("full"));
    else
        std::cout << "No device node made (not permitted here); FIFOs and folders are tested.\n";
    const std::vector<std::string> before = Entries(dir);

    for (const std::string& path : refused) {
        for (const auto staging : { OutputFile::Staging::Unnamed, OutputFile::Staging::HiddenName }) {
            OutputFile out;
            EXPECT_FALSE(out.Create(path, staging)) << path; // at once: a FIFO does not wait for a reader
            EXPECT_FALSE(out.IsOpen());
            EXPECT_FALSE(out.Write("x", 1));
            EXPECT_FALSE(out.Close());
        }
    }
    EXPECT_EQ(Entries(dir), before);
    struct stat info { };
    ASSERT_EQ(::lstat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    if (haveNode) {
        ASSERT_EQ(::lstat(dir.File("full").c_str(), &info), 0);
        EXPECT_TRUE(S_ISCHR(info.st_mode));
    }
}

TEST(OutputFile, ALinkToARegularFileReplacesTheFileAndKeepsTheLink)
{
    TempDir dir;
    std::filesystem::create_directory(dir.File("real"));
    std::ofstream(dir.File("real/song.mp3")) << "old";
    std::filesystem::create_symlink(dir.File("real/song.mp3"), dir.File("link.mp3"));
    OutputFile out;
    ASSERT_TRUE(out.Create(dir.File("link.mp3")));
    out.Write("new", 3);
    ASSERT_TRUE(out.Close());
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.mp3")));
    EXPECT_EQ(Contents(dir.File("real/song.mp3")), "new");
    EXPECT_EQ(Entries(dir), (std::vector<std::string> { "link.mp3", "real" }));
}

TEST(OutputFile, AProcessThatDiesWhileWritingLeavesNothingUnderTheName)
{
    TempDir dir;
    const std::string path = dir.File("out.bin");
    std::ofstream(dir.File("old.bin")) << "old";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        OutputFile out;
        OutputFile replacing;
        const bool created = out.Create(path) && replacing.Create(dir.File("old.bin"));
        out.Write("partial", 7);
        replacing.Write("partial", 7);
        std::raise(SIGKILL); // no destructor, no cleanup
        ::_exit(created ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(Entries(dir), std::vector<std::string> { "old.bin" });
    EXPECT_EQ(Contents(dir.File("old.bin")), "old");
}
