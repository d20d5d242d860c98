#include "platform/ReadWindow.h"
#include "platform/MappedRangeGuard.h"
#include "platform/OutputFile.h"
#include "tests/support/TempDir.h"

#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
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

// Every byte of the span, summed: touches each page.
unsigned Sum(std::span<const uint8_t> bytes)
{
    unsigned sum = 0;
    for (const uint8_t b : bytes)
        sum += b;
    return sum;
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

// Copies into the caller's bytes see the file as it is, wherever the window stands, and clip at
// the end; one that finds the file shorter than when it was opened fails the file.
TEST(ReadWindow, ReadsIntoBytesOfItsCallerAndFailsOnATruncatedFile)
{
    TempDir dir;
    const auto bytes = Pattern(ReadWindow::kWindowBytes * 2 + 777);
    Write(dir.File("f"), bytes);
    ReadWindow file;
    ASSERT_TRUE(file.Open(dir.File("f")));
    std::vector<uint8_t> into(ReadWindow::kWindowBytes + 3);
    ASSERT_EQ(file.Read(10, ReadWindow::kMappedWindowBytes).size(), ReadWindow::kMappedWindowBytes);
    for (const uint64_t at : { uint64_t { 0 }, uint64_t { 12 }, uint64_t { ReadWindow::kWindowBytes - 1 } }) {
        ASSERT_EQ(file.ReadInto(at, into), into.size()) << at;
        EXPECT_TRUE(std::equal(into.begin(), into.end(), bytes.begin() + static_cast<ptrdiff_t>(at))) << at;
    }
    ASSERT_EQ(file.ReadInto(bytes.size() - 5, into), 5u);
    EXPECT_TRUE(std::equal(into.begin(), into.begin() + 5, bytes.end() - 5));
    EXPECT_EQ(file.ReadInto(bytes.size(), into), 0u);
    // The window's bytes are what they were: copies do not move it.
    EXPECT_EQ(file.Read(10, 4)[0], bytes[10]);
    EXPECT_FALSE(file.ReadFailed());

    ASSERT_EQ(::truncate(dir.File("f").c_str(), 1000), 0);
    EXPECT_EQ(file.ReadInto(500, into), 0u);
    EXPECT_TRUE(file.ReadFailed());
    EXPECT_EQ(file.ReadInto(0, std::span(into).first(10)), 0u); // even where bytes are still there
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

// Windows read through a mapping: a file cut short under one reads as a failed read, never as a
// signal, while faults the guard does not own still end the process.

TEST(MappedWindow, AFileCutShortUnderTheWindowReadsZerosAndFailsItsReads)
{
    TempDir dir;
    const auto bytes = Pattern(ReadWindow::kWindowBytes * 3);
    Write(dir.File("f"), bytes);
    // On this thread and on another: each thread owns the windows it reads.
    for (const bool onAnotherThread : { false, true }) {
        ReadWindow file;
        ASSERT_TRUE(file.Open(dir.File("f")));
        auto read = [&] {
            const auto window = file.ReadAhead(1000, ReadWindow::kMappedWindowBytes);
            ASSERT_GE(window.size(), ReadWindow::kMappedWindowBytes);
            ASSERT_TRUE(std::equal(window.begin(), window.begin() + 5000, bytes.begin() + 1000));
            ASSERT_EQ(::truncate(dir.File("f").c_str(), 3000), 0);
            // Bytes 1000-2999 are still there; the rest of their page and every later one is gone.
            EXPECT_TRUE(std::equal(window.begin(), window.begin() + 2000, bytes.begin() + 1000));
            EXPECT_EQ(Sum(window.subspan(2000)), 0u);
            EXPECT_TRUE(file.ReadFailed());
            EXPECT_TRUE(file.Read(0, 16).empty());
        };
        if (onAnotherThread)
            std::thread(read).join();
        else
            read();
        Write(dir.File("f"), bytes);
    }
}

// A walk reads window after window of one mapped region, then maps the next region.
TEST(MappedWindow, AWalkAcrossRegionsSeesEveryByteAndFailsOnceTheFileIsCutShort)
{
    TempDir dir;
    const auto bytes = Pattern(ReadWindow::kMappedRegionBytes * 2 + 12345);
    Write(dir.File("f"), bytes);
    ReadWindow file;
    ASSERT_TRUE(file.Open(dir.File("f")));
    // Steps that are not a divisor of the window, so windows start anywhere in a page.
    constexpr size_t kStep = 300007;
    for (uint64_t at = 0; at < bytes.size(); at += kStep) {
        const auto window = file.ReadAhead(at, kStep);
        ASSERT_GE(window.size(), std::min<size_t>(kStep, bytes.size() - at)) << at;
        ASSERT_TRUE(std::equal(window.begin(), window.end(), bytes.begin() + static_cast<ptrdiff_t>(at))) << at;
    }
    EXPECT_FALSE(file.ReadFailed());

    // Cut short past the window in use but inside its region: the next window fails as a read.
    ReadWindow again;
    ASSERT_TRUE(again.Open(dir.File("f")));
    ASSERT_GE(again.ReadAhead(0, ReadWindow::kWindowBytes).size(), ReadWindow::kWindowBytes);
    ASSERT_EQ(::truncate(dir.File("f").c_str(), ReadWindow::kWindowBytes * 2), 0);
    EXPECT_TRUE(again.ReadAhead(ReadWindow::kWindowBytes * 2 - 10, 100).empty());
    EXPECT_TRUE(again.ReadFailed());
}

// A window is read through its mapping only by the thread that mapped it; another thread that
// reads the file maps it again for itself, so a file cut short fails its read there too.
TEST(MappedWindow, AnotherThreadReadingTheWindowMapsItAgain)
{
    TempDir dir;
    const auto bytes = Pattern(ReadWindow::kWindowBytes * 2);
    Write(dir.File("f"), bytes);
    ReadWindow file;
    ASSERT_TRUE(file.Open(dir.File("f")));
    ASSERT_GE(file.ReadAhead(0, ReadWindow::kMappedWindowBytes).size(), ReadWindow::kMappedWindowBytes);
    std::thread([&] {
        const auto window = file.Read(5000, 100);
        ASSERT_EQ(window.size(), 100u);
        EXPECT_TRUE(std::equal(window.begin(), window.end(), bytes.begin() + 5000));
    }).join();
    ASSERT_GE(file.ReadAhead(0, ReadWindow::kMappedWindowBytes).size(), ReadWindow::kMappedWindowBytes);
    ASSERT_EQ(::truncate(dir.File("f").c_str(), 3000), 0);
    std::thread([&] {
        EXPECT_TRUE(file.Read(200000, 100).empty());
        EXPECT_TRUE(file.ReadFailed());
    }).join();
}

TEST(MappedWindow, ManyOpenWindowsOnOneThreadAreReadWhenTheyCannotBeGuarded)
{
    TempDir dir;
    constexpr int kFiles = kMaxGuardedRanges + 4;
    constexpr size_t kStep = 4099;
    const auto bytes = Pattern(ReadWindow::kMappedWindowBytes * 2 + kFiles * kStep);
    Write(dir.File("f"), bytes);
    std::vector<std::unique_ptr<ReadWindow>> files;
    for (int i = 0; i < kFiles; ++i) {
        files.push_back(std::make_unique<ReadWindow>());
        ASSERT_TRUE(files.back()->Open(dir.File("f")));
        const size_t at = static_cast<size_t>(i) * kStep;
        const auto window = files.back()->Read(at, ReadWindow::kMappedWindowBytes);
        ASSERT_EQ(window.size(), ReadWindow::kMappedWindowBytes) << i;
        EXPECT_TRUE(std::equal(window.begin(), window.end(), bytes.begin() + static_cast<ptrdiff_t>(at))) << i;
    }
    // A window that could not be mapped is read into memory, and a file cut short fails its read.
    ASSERT_EQ(::truncate(dir.File("f").c_str(), 100), 0);
    for (auto& file : files) {
        EXPECT_TRUE(file->Read(bytes.size() - 10, 5).empty());
        EXPECT_TRUE(file->ReadFailed());
    }
}

// A fault in a mapping that no guard owns, on a thread that guards others, ends the process as it
// would have without the guard (or goes to the handler that was there before it, which ends it).
TEST(MappedWindowDeathTest, AFaultOutsideTheGuardedRangesIsNotSwallowed)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempDir dir;
    Write(dir.File("f"), Pattern(ReadWindow::kMappedWindowBytes * 2));
    auto touchUnguarded = [&] {
        ReadWindow guarded;
        guarded.Open(dir.File("f"));
        guarded.Read(0, ReadWindow::kMappedWindowBytes);
        const int fd = ::open(dir.File("f").c_str(), O_RDONLY);
        const size_t length = ReadWindow::kMappedWindowBytes;
        auto* raw = static_cast<const volatile uint8_t*>(::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, 0));
        ::ftruncate(::open(dir.File("f").c_str(), O_WRONLY), 0);
        std::fprintf(stderr, "%u\n", static_cast<unsigned>(raw[length - 1]));
        std::exit(0);
    };
    EXPECT_EXIT(touchUnguarded(), [](int status) { return !WIFEXITED(status) || WEXITSTATUS(status) != 0; }, "");
}
