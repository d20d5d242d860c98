// Windows read through a mapping: a file cut short under one reads as a failed read, never as a
// signal, while faults the guard does not own still end the process.
#include "platform/MappedRangeGuard.h"
#include "platform/ReadWindow.h"
#include "tests/support/TempDir.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::vector<uint8_t> Pattern(size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 13 + i / 509 + 1);
    return bytes;
}

void Write(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
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
