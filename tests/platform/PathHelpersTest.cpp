#include "platform/PathHelpers.h"

#include "tests/support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

TEST(PathHelpers, SplitsNamesAndExtensionsOnTheLastSeparator)
{
    EXPECT_EQ(GetFileNamePart("/music/album/song.mp3"), "song.mp3");
    EXPECT_EQ(GetFileNamePart("song.mp3"), "song.mp3");
    EXPECT_EQ(GetFileNamePart("/music/"), "");
    EXPECT_EQ(GetFolderPart("/music/album/song.mp3"), "/music/album");
    EXPECT_EQ(GetFolderPart("/song.mp3"), "/");
    EXPECT_EQ(GetFolderPart("song.mp3"), ".");
    EXPECT_EQ(GetFileExtension("/music/song.MP3"), ".MP3");
    EXPECT_EQ(GetFileExtension("/music/archive.tar.gz"), ".gz");
    EXPECT_FALSE(GetFileExtension("/music/README").has_value());
    EXPECT_FALSE(GetFileExtension("/music.d/README").has_value()); // a dot only in a folder name
    EXPECT_TRUE(EqualsIgnoreCase(*GetFileExtension("a.Mp3"), ".mp3"));
    EXPECT_FALSE(EqualsIgnoreCase(".mp3", ".mp4"));
}

TEST(PathHelpers, CreatesNestedFoldersAndRefusesAFileInThePath)
{
    TempDir dir;
    const std::string nested = dir.File("one/two/three");
    EXPECT_FALSE(EnsureDirectory(nested, false));
    EXPECT_TRUE(CreateDirectoryPath(nested));
    EXPECT_TRUE(IsDirectory(nested));
    EXPECT_TRUE(CreateDirectoryPath(nested + "/")); // already there, trailing separator
    EXPECT_TRUE(EnsureDirectory(dir.File("four/five/"), true));
    EXPECT_TRUE(IsDirectory(dir.File("four/five")));

    std::ofstream(dir.File("file")) << "x";
    EXPECT_FALSE(CreateDirectoryPath(dir.File("file/sub/deeper")));
    EXPECT_FALSE(CreateDirectoryPath(dir.File("file")));
    EXPECT_FALSE(IsDirectory(dir.File("file")));
    EXPECT_TRUE(FileExists(dir.File("file")));
    EXPECT_FALSE(FileExists(dir.File("nothing")));
}

TEST(PathHelpers, ReportsSizesAndTheProgramFolder)
{
    TempDir dir;
    std::ofstream(dir.File("five")) << "12345";
    uint32_t size = 0;
    EXPECT_TRUE(GetFileSize32(dir.File("five"), size));
    EXPECT_EQ(size, 5u);
    EXPECT_FALSE(GetFileSize32(dir.File("missing"), size));

    // A sparse file over 4 GiB: the whole size, not its low 32 bits.
    std::ofstream(dir.File("big"));
    std::error_code error;
    std::filesystem::resize_file(dir.File("big"), (5ull << 30) + 7, error);
    uint64_t bigSize = 0;
    if (!error) {
        EXPECT_TRUE(GetFileSize64(dir.File("big"), bigSize));
        EXPECT_EQ(bigSize, (5ull << 30) + 7);
    }
    EXPECT_FALSE(GetFileSize64(dir.File("missing"), bigSize));

    std::string folder;
    ASSERT_TRUE(GetProgramFolder(folder));
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(IsDirectory(folder));
}
