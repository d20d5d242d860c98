// The folder search, dropped items and shortcut resolution on real trees in a temporary folder.
#include "platform/FolderSearch.h"
#include "platform/FileIdentity.h"
#include "platform/ResolveShortcut.h"

#include "tests/support/ShellLinkBuilder.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace shelllink;

namespace {

void Touch(const fs::path& path)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "not really audio";
}

void WriteBytes(const fs::path& path, const Bytes& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A shortcut that records only a relative path, as a shortcut copied with its target keeps working.
Bytes RelativeLink(const std::string& windowsRelativePath)
{
    LinkParts parts;
    parts.relativePath = Utf16(windowsRelativePath);
    return BuildLink(parts);
}

std::vector<std::string> Relative(const TempDir& dir, const std::vector<std::string>& paths)
{
    std::vector<std::string> names;
    for (const std::string& path : paths)
        names.push_back(fs::path(path).lexically_relative(dir.Path()).string());
    return names;
}

} // namespace

TEST(FolderSearch, FoldersDepthFirstEachFoldersFilesBeforeItsShortcutTargets)
{
    TempDir dir;
    const fs::path top = dir.Path() / "top";
    for (const char* name : { "b.mp3", "A.MP3", "Track 10.mp3", "Track 2.mp3", "notes.txt", "tone.wav", "sub/z.mp3",
             "sub/deeper/d.mp3", "a folder/c.mp3", "Disc 10/x.mp3", "Disc 9/y.mp3" })
        Touch(top / name);
    fs::create_directories(top / "folder.mp3"); // a folder with an MP3 name is no file
    WriteBytes(top / "1 link to z.lnk", RelativeLink("sub\\z.mp3"));
    WriteBytes(top / "2 link to wav.LNK", RelativeLink("tone.wav"));
    WriteBytes(top / "3 link to folder.lnk", RelativeLink("sub"));
    WriteBytes(top / "4 broken.lnk", Bytes { 1, 2, 3 });

    std::vector<std::string> folders;
    EXPECT_TRUE(CollectFolders(top.string(), folders));
    EXPECT_EQ(Relative(dir, folders),
        (std::vector<std::string> {
            "top", "top/a folder", "top/Disc 9", "top/Disc 10", "top/folder.mp3", "top/sub", "top/sub/deeper" }));

    std::vector<std::string> candidates;
    EXPECT_TRUE(SearchFolder(top.string() + "/", candidates)); // as the folder browser gives it
    EXPECT_EQ(Relative(dir, candidates),
        (std::vector<std::string> { "top/A.MP3", "top/b.mp3", "top/Track 2.mp3", "top/Track 10.mp3", "top/sub/z.mp3",
            "top/a folder/c.mp3", "top/Disc 9/y.mp3", "top/Disc 10/x.mp3", "top/sub/z.mp3", "top/sub/deeper/d.mp3" }));
}

TEST(FolderSearch, CyclesAndSecondRoutesAreSearchedOnceAndUnreadableFoldersPassedOver)
{
    TempDir dir;
    const fs::path top = dir.Path() / "top";
    Touch(top / "a.mp3");
    Touch(top / "sub/b.mp3");
    fs::create_directory_symlink(top, top / "sub/back to top"); // a cycle
    fs::create_directory_symlink(top / "sub", top / "another sub"); // the same folder twice
    fs::create_directory_symlink(dir.Path() / "nowhere", top / "dangling");
    Touch(top / "locked/hidden.mp3");
    ::chmod((top / "locked").c_str(), 0);

    std::vector<std::string> candidates;
    EXPECT_TRUE(SearchFolder(top.string(), candidates));
    ::chmod((top / "locked").c_str(), 0755);
    std::vector<std::string> expected { "top/a.mp3", "top/another sub/b.mp3" };
    if (::geteuid() == 0)
        expected.push_back("top/locked/hidden.mp3"); // permissions do not stop root
    EXPECT_EQ(Relative(dir, candidates), expected);

    // The caller can stop the search between folders.
    int entered = 0;
    candidates.clear();
    EXPECT_FALSE(SearchFolder(top.string(), candidates, [&] { return ++entered < 2; }));
    EXPECT_EQ(Relative(dir, candidates), (std::vector<std::string> { "top/a.mp3" }));
}

TEST(FolderSearch, DroppedItemsFollowShortcutChainsToMp3FilesOnly)
{
    TempDir dir;
    const fs::path root = dir.Path();
    Touch(root / "music/song.mp3");
    Touch(root / "music/tone.wav");
    Touch(root / "folder/inside.mp3");
    WriteBytes(root / "links/to song.lnk", RelativeLink("..\\music\\song.mp3"));
    WriteBytes(root / "links/to link.lnk", RelativeLink("to song.lnk"));
    fs::create_symlink(root / "links/to link.lnk", root / "alias of a link");
    WriteBytes(root / "links/to wav.lnk", RelativeLink("..\\music\\tone.wav"));
    WriteBytes(root / "links/to folder.lnk", RelativeLink("..\\folder"));
    WriteBytes(root / "links/loop a.lnk", RelativeLink("loop b.lnk"));
    WriteBytes(root / "links/loop b.lnk", RelativeLink("loop a.lnk"));
    fs::create_symlink(root / "self", root / "self");

    const std::vector<std::string> items { (root / "alias of a link").string(), (root / "music/tone.wav").string(),
        (root / "links/to wav.lnk").string(), (root / "links/to folder.lnk").string(),
        (root / "links/loop a.lnk").string(), (root / "self").string(), (root / "missing.lnk").string(), "",
        (root / "folder").string(), (root / "music/song.mp3").string() };
    std::vector<std::string> candidates;
    EXPECT_TRUE(CollectDropCandidates(items, candidates));
    EXPECT_EQ(Relative(dir, candidates),
        (std::vector<std::string> { "music/song.mp3", "folder/inside.mp3", "music/song.mp3" }));
}

TEST(ResolveShortcut, FindsWindowsPathsHereAndRefusesWhatIsNoShortcutFile)
{
    TempDir dir;
    const fs::path root = dir.Path();
    Touch(root / "Music/a b.mp3");
    const std::string windowsFolder = [&] {
        std::string path = root.string();
        for (char& c : path)
            if (c == '/')
                c = '\\';
        return path;
    }();

    // A drive path: found below "/" (a Windows drive mounted at the root, as Wine's Z: is).
    WriteBytes(root / "drive.lnk", LinkToLocalFile("Z:" + windowsFolder + "\\Music\\a b.mp3"));
    EXPECT_EQ(ResolveShortcut((root / "drive.lnk").string()), (root / "Music/a b.mp3").string());
    // The relative path wins when both are recorded: the shortcut and its target moved together.
    WriteBytes(root / "moved.lnk", LinkToLocalFile("C:\\Old\\Music\\a b.mp3", u".\\Music\\a b.mp3"));
    EXPECT_EQ(ResolveShortcut((root / "moved.lnk").string()), (root / "Music/a b.mp3").string());
    // A POSIX path recorded by a tool on this system is taken as it stands.
    LinkParts posix;
    posix.linkInfo = LocalLinkInfo((root / "Music/a b.mp3").string());
    WriteBytes(root / "posix.lnk", BuildLink(posix));
    EXPECT_EQ(ResolveShortcut((root / "posix.lnk").string()), (root / "Music/a b.mp3").string());

    // Targets that do not exist here, network shares, and files that are no shortcut.
    WriteBytes(root / "gone.lnk", LinkToLocalFile("C:\\Nowhere\\gone.mp3"));
    LinkParts network;
    network.linkInfo = NetworkLinkInfo("\\\\server\\share", "a b.mp3");
    WriteBytes(root / "share.lnk", BuildLink(network));
    WriteBytes(root / "huge.lnk", Bytes((1 << 20) + 1, 0));
    ASSERT_EQ(::mkfifo((root / "pipe.lnk").c_str(), 0600), 0); // must not block the open
    for (const char* name : { "gone.lnk", "share.lnk", "huge.lnk", "pipe.lnk", "missing.lnk" })
        EXPECT_FALSE(ResolveShortcut((root / name).string())) << name;
    EXPECT_TRUE(IsShortcut((root / "gone.lnk").string()));
    EXPECT_FALSE(IsShortcut((root / "Music/a b.mp3").string()));

    // A relative symbolic link is taken from the link's folder.
    fs::create_symlink("Music/a b.mp3", root / "relative link");
    EXPECT_TRUE(IsShortcut((root / "relative link").string()));
    EXPECT_EQ(ResolveShortcut((root / "relative link").string()), (root / "Music/a b.mp3").string());
}

TEST(FileIdentity, OneFileUnderTwoNamesAndTwoFilesWhoseNamesDifferInCase)
{
    TempDir dir;
    Touch(dir.Path() / "Song.mp3");
    Touch(dir.Path() / "song.mp3");
    fs::create_symlink(dir.Path() / "Song.mp3", dir.Path() / "link.mp3");
    const auto song = IdentityOf(dir.File("Song.mp3"));
    ASSERT_TRUE(song);
    EXPECT_NE(song, IdentityOf(dir.File("song.mp3")));
    EXPECT_EQ(song, IdentityOf(dir.File("link.mp3")));
    fs::create_directory(dir.Path() / "sub");
    EXPECT_EQ(song, IdentityOf(dir.File("sub/..//./Song.mp3")));
    EXPECT_FALSE(IdentityOf(dir.File("missing.mp3")));
}
