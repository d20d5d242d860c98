#include "platform/OutputFile.h"
#include "platform/MappedFile.h"
#include "platform/PathHelpers.h"

#include "tests/support/TempDir.h"

#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
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

} // namespace

TEST(OutputFile, ReportsAFailedWriteAndDiscardRemovesThePartialFile)
{
    TempDir dir;
    const std::string path = dir.File("out.bin");
    std::vector<uint8_t> data(64 * 1024, 0x5A);
    {
        FileSizeLimit limit(100 * 1024);
        OutputFile out;
        ASSERT_TRUE(out.Create(path));
        EXPECT_TRUE(out.Write(data.data(), data.size()));
        EXPECT_FALSE(out.Write(data.data(), data.size())); // would pass the limit
        out.Discard();
    }
    EXPECT_FALSE(FileExists(path));
}

TEST(OutputFile, ReplacesAnExistingFileAndKeepsWhatWasClosed)
{
    TempDir dir;
    const std::string path = dir.File("out.bin");
    std::ofstream(path) << "old content that is longer";
    {
        OutputFile out;
        ASSERT_TRUE(out.Create(path));
        ASSERT_TRUE(out.Write("new", 3));
        EXPECT_EQ(out.BytesWritten(), 3u);
        EXPECT_TRUE(out.Close());
    }
    MappedFile mapped;
    ASSERT_TRUE(mapped.Open(path));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(mapped.Data()), mapped.Size()), "new");

    // A file left open when the writer goes away is an incomplete output: it is deleted.
    {
        OutputFile abandoned;
        ASSERT_TRUE(abandoned.Create(dir.File("abandoned.bin")));
        abandoned.Write("x", 1);
    }
    EXPECT_FALSE(FileExists(dir.File("abandoned.bin")));
    OutputFile nowhere;
    EXPECT_FALSE(nowhere.Create(dir.File("no/such/folder/file")));
}

TEST(MappedFile, RefusesWhatCannotBeMapped)
{
    TempDir dir;
    std::ofstream(dir.File("empty"));
    MappedFile mapped;
    EXPECT_FALSE(mapped.Open(dir.File("empty")));
    EXPECT_FALSE(mapped.Open(dir.File("missing")));
    EXPECT_FALSE(mapped.Open(dir.Path().string()));
    EXPECT_FALSE(mapped.IsOpen());
}
