#include "platform/ReadWindow.h"
#include "platform/OutputFile.h"
#include "tests/support/TempDir.h"

#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::vector<uint8_t> Pattern(size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
    return bytes;
}

void Write(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), {} };
}

} // namespace

TEST(ReadWindow, RefusesWhatIsNotANonEmptyRegularFile)
{
    TempDir dir;
    std::ofstream(dir.File("empty"));
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    ReadWindow file;
    EXPECT_FALSE(file.Open(dir.File("empty")));
    EXPECT_FALSE(file.Open(dir.File("missing")));
    EXPECT_FALSE(file.Open(dir.Path().string()));
    EXPECT_FALSE(file.Open(dir.File("fifo"))); // at once: no wait for a writer
    EXPECT_FALSE(file.IsOpen());
}

TEST(ReadWindow, ReadsAnyRangeAcrossWindowsAndClipsAtTheEnd)
{
    TempDir dir;
    const auto bytes = Pattern(ReadWindow::kWindowBytes * 2 + 1000);
    Write(dir.File("f"), bytes);
    ReadWindow file;
    ASSERT_TRUE(file.Open(dir.File("f")));
    EXPECT_EQ(file.Size(), bytes.size());
    // Forward, across the first window's end, backward, longer than a window, past the end.
    for (const auto& [at, length] :
        std::vector<std::pair<uint64_t, size_t>> { { 0, 10 }, { ReadWindow::kWindowBytes - 2, 4 }, { 5, 3 },
            { 100, ReadWindow::kWindowBytes + 500 }, { bytes.size() - 3, 10 } }) {
        const auto span = file.Read(at, length);
        const size_t expected = std::min<size_t>(length, bytes.size() - at);
        ASSERT_EQ(span.size(), expected) << at;
        EXPECT_TRUE(std::equal(span.begin(), span.end(), bytes.begin() + static_cast<ptrdiff_t>(at))) << at;
    }
    EXPECT_TRUE(file.Read(bytes.size(), 1).empty());
    EXPECT_FALSE(file.ReadFailed());
}

TEST(ReadWindow, AFileTruncatedWhileOpenFailsItsReadsForGood)
{
    TempDir dir;
    const auto bytes = Pattern(ReadWindow::kWindowBytes * 3);
    Write(dir.File("f"), bytes);
    ReadWindow file;
    ASSERT_TRUE(file.Open(dir.File("f")));
    ASSERT_EQ(file.Read(0, 16).size(), 16u);
    ASSERT_EQ(::truncate(dir.File("f").c_str(), 100), 0);
    EXPECT_TRUE(file.Read(ReadWindow::kWindowBytes * 2, 16).empty());
    EXPECT_TRUE(file.ReadFailed());
    EXPECT_TRUE(file.Read(0, 16).empty()); // even where bytes are still there

    // A copy past the new end fails as a read, leaving what was copied to be discarded.
    ReadWindow again;
    ASSERT_TRUE(again.Open(dir.File("f")));
    OutputFile output;
    ASSERT_TRUE(output.Create(dir.File("out")));
    ASSERT_EQ(::truncate(dir.File("f").c_str(), 50), 0);
    EXPECT_EQ(output.CopyFrom(again, 0, 100), OutputFile::CopyResult::ReadFailed);
    EXPECT_TRUE(again.ReadFailed());
    output.Discard();
    EXPECT_FALSE(std::filesystem::exists(dir.File("out")));
}

TEST(ReadWindow, CopiesRangesBetweenFilesAndFileSystems)
{
    TempDir dir;
    const auto bytes = Pattern(700000);
    Write(dir.File("f"), bytes);
    // The second folder may lie on another file system, where the copy reads and writes instead.
    std::vector<std::string> folders { dir.Path().string() };
    if (std::filesystem::is_directory("/dev/shm"))
        folders.push_back("/dev/shm");
    for (const std::string& folder : folders) {
        const std::string out = folder + "/sonicrop-copy-test.bin";
        ReadWindow file;
        ASSERT_TRUE(file.Open(dir.File("f")));
        OutputFile output;
        ASSERT_TRUE(output.Create(out));
        ASSERT_TRUE(output.Write("ab", 2));
        ASSERT_EQ(output.CopyFrom(file, 1000, 300000), OutputFile::CopyResult::Copied);
        ASSERT_EQ(output.CopyFrom(file, 600000, 100000), OutputFile::CopyResult::Copied);
        ASSERT_EQ(output.CopyFrom(file, 600000, 100001), OutputFile::CopyResult::ReadFailed);
        ASSERT_TRUE(output.Close());
        std::vector<uint8_t> expected { 'a', 'b' };
        expected.insert(expected.end(), bytes.begin() + 1000, bytes.begin() + 301000);
        expected.insert(expected.end(), bytes.begin() + 600000, bytes.end());
        EXPECT_EQ(Contents(out), expected) << folder;
        std::filesystem::remove(out);
    }
}

// Offsets past 4 GiB in a sparse file, where the file system allows one.
TEST(ReadWindow, ReadsAndCopiesPastFourGibibytes)
{
    TempDir dir;
    const std::string path = dir.File("sparse");
    const uint64_t at = (uint64_t { 5 } << 30) + 3;
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        const bool made = ::pwrite(fd, "MARK", 4, static_cast<off_t>(at)) == 4;
        ::close(fd);
        if (!made)
            GTEST_SKIP() << "no sparse files over 4 GiB here";
    }
    ReadWindow file;
    ASSERT_TRUE(file.Open(path));
    EXPECT_EQ(file.Size(), at + 4);
    const auto span = file.Read(at - 2, 100);
    ASSERT_EQ(span.size(), 6u);
    EXPECT_EQ(std::string(span.begin() + 2, span.end()), "MARK");
    OutputFile output;
    ASSERT_TRUE(output.Create(dir.File("out")));
    ASSERT_EQ(output.CopyFrom(file, at, 4), OutputFile::CopyResult::Copied);
    ASSERT_TRUE(output.Close());
    EXPECT_EQ(Contents(dir.File("out")), (std::vector<uint8_t> { 'M', 'A', 'R', 'K' }));
}
