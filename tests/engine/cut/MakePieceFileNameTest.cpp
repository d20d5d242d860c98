#include "engine/cut/MakePieceFileName.h"
#include "engine/cut/SplitRun.h"
#include "platform/PathHelpers.h"
#include "tests/engine/cut/CutTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

namespace {

// Points $HOME at a folder for the life of the object, with $XDG_DOCUMENTS_DIR and $XDG_CONFIG_HOME
// unset.
class HomeFolder {
public:
    explicit HomeFolder(const std::string& home)
    {
        for (auto& [name, value] : saved_) {
            if (const char* old = std::getenv(name))
                value = old;
            ::unsetenv(name);
        }
        ::setenv("HOME", home.c_str(), 1);
    }
    ~HomeFolder()
    {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name, value->c_str(), 1);
            else
                ::unsetenv(name);
        }
    }

private:
    std::pair<const char*, std::optional<std::string>> saved_[3]
        = { { "HOME", std::nullopt }, { "XDG_DOCUMENTS_DIR", std::nullopt }, { "XDG_CONFIG_HOME", std::nullopt } };
};

} // namespace

TEST(MakePieceFileName, NumbersNextToTheSourcePassingOverTakenNames)
{
    TempDir dir;
    const std::string source = dir.File("song.mp3");
    CutOptions options;
    std::string name;
    ASSERT_TRUE(MakePieceFileName(name, source, options));
    EXPECT_EQ(name, dir.File("song_01.mp3"));
    EXPECT_FALSE(FileIsThere(name)); // the test file is gone again

    WriteFile(dir.File("song_01.mp3"), { 1 });
    std::filesystem::create_directory(dir.File("song_02.mp3")); // a folder takes a name too
    ASSERT_TRUE(MakePieceFileName(name, source, options));
    EXPECT_EQ(name, dir.File("song_03.mp3"));

    // A link that points nowhere takes its name too: creating through it would make a file
    // elsewhere, and deleting the test file would remove the link.
    std::filesystem::create_symlink(dir.File("elsewhere.mp3"), dir.File("song_03.mp3"));
    ASSERT_TRUE(MakePieceFileName(name, source, options));
    EXPECT_EQ(name, dir.File("song_04.mp3"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("song_03.mp3")));
    EXPECT_FALSE(FileIsThere(dir.File("elsewhere.mp3")));

    for (int i = 4; i <= 99; ++i)
        WriteFile(dir.File("song_" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".mp3"), { 1 });
    ASSERT_TRUE(MakePieceFileName(name, source, options));
    EXPECT_EQ(name, dir.File("song_100.mp3"));
}

TEST(MakePieceFileName, FolderPerFileAndSpecifiedFolder)
{
    TempDir dir;
    const std::string source = dir.File("song.mp3");
    CutOptions options;
    options.CreateFolderForEachMP3 = true;
    std::string name;
    ASSERT_TRUE(MakePieceFileName(name, source, options));
    EXPECT_EQ(name, dir.File("song/song_01.mp3"));

    options.OutputFolderOpt = kOutputFolderSpecified;
    options.SpecifiedOutputFolder = dir.File("out/deeper/");
    ASSERT_TRUE(MakePieceFileName(name, source, options));
    EXPECT_EQ(name, dir.File("out/deeper/song/song_01.mp3"));

    options.CreateFolderForEachMP3 = false;
    options.SpecifiedOutputFolder = dir.File("out");
    ASSERT_TRUE(MakePieceFileName(name, source, options));
    EXPECT_EQ(name, dir.File("out/song_01.mp3"));

    // The specified folder is used only when chosen.
    options.OutputFolderOpt = kOutputFolderSameAsSource;
    ASSERT_TRUE(MakePieceFileName(name, source, options));
    EXPECT_EQ(name, dir.File("song_01.mp3"));
}

TEST(MakePieceFileName, FallsBackToTheDocumentsFolder)
{
    TempDir dir;
    const HomeFolder home(dir.File("home"));
    // A source whose folder cannot be written to: it does not exist.
    const std::string source = dir.File("gone/song.mp3");
    std::string name;
    ASSERT_TRUE(MakePieceFileName(name, source, CutOptions {}));
    EXPECT_EQ(name, dir.File("home/Documents/Clipwright_Files/song_01.mp3"));

    ::setenv("XDG_DOCUMENTS_DIR", dir.File("docs").c_str(), 1);
    ASSERT_TRUE(MakePieceFileName(name, source, CutOptions {}));
    EXPECT_EQ(name, dir.File("docs/Clipwright_Files/song_01.mp3"));
}

TEST(MakePieceFileName, DocumentsFolderFollowsTheDesktopsUserDirectories)
{
    // Desktops name the documents folder in user-dirs.dirs, often in the user's language.
    TempDir dir;
    const HomeFolder home(dir.File("home"));
    std::filesystem::create_directories(dir.File("home/.config"));
    const std::string entries = "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                                "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n";
    WriteFile(dir.File("home/.config/user-dirs.dirs"), Bytes(entries.begin(), entries.end()));
    EXPECT_EQ(DocumentsFolder(), dir.File("home/Dokumente"));

    std::filesystem::create_directories(dir.File("config"));
    const std::string absolute = "XDG_DOCUMENTS_DIR=\"" + dir.File("papers") + "\"\n";
    WriteFile(dir.File("config/user-dirs.dirs"), Bytes(absolute.begin(), absolute.end()));
    ::setenv("XDG_CONFIG_HOME", dir.File("config").c_str(), 1);
    EXPECT_EQ(DocumentsFolder(), dir.File("papers"));

    WriteFile(dir.File("config/user-dirs.dirs"), Bytes {});
    EXPECT_EQ(DocumentsFolder(), dir.File("home/Documents"));
}

TEST(MakePieceFileName, NameThatFitsNowhereIsStillNamedInTheError)
{
    TempDir dir;
    const HomeFolder home(dir.File("home"));
    // A source name of 253 bytes is legal; "<name>_01.mp3" is 4 bytes past the limit of a file name,
    // so no folder can hold a piece of it.
    const std::string leaf(249, 'a');
    const std::string source = dir.File(leaf + ".mp3");
    const std::string expected = dir.File(leaf + "_01.mp3");
    std::string programFolder;
    ASSERT_TRUE(GetProgramFolder(programFolder));
    const std::string programFallback = programFolder + "Clipwright_Files";
    const bool fallbackWasThere = FileIsThere(programFallback);

    std::string name = dir.File("stale_01.mp3"); // a path left from an earlier run
    EXPECT_FALSE(MakePieceFileName(name, source, CutOptions {}));
    EXPECT_EQ(name, expected);

    WriteFile(source, Join(MarkedFrames(100), 0, 100));
    CutterSource cutter;
    cutter.path = source;
    cutter.totalSize = 100 * 417;
    std::string errorText;
    EXPECT_FALSE(CutByCount(cutter, 2, SplitSettings {}, errorText));
    EXPECT_EQ(errorText, "Failed to create file \"" + expected + "\".");
    EXPECT_TRUE(cutter.outputFiles.empty());

    std::error_code ignored;
    if (!fallbackWasThere)
        std::filesystem::remove(programFallback, ignored); // only when empty
}

TEST(MakePieceFileName, ARunsNumberingGoesOnFromWhereItStopped)
{
    TempDir dir;
    const std::string source = dir.File("song.mp3");
    WriteFile(dir.File("song_01.mp3"), { 1 }); // left from elsewhere
    WriteFile(dir.File("song_02.mp3"), { 1 });
    CutOptions options;
    PieceNumbering numbering;
    std::string name;
    ASSERT_TRUE(MakePieceFileName(name, source, options, &numbering));
    EXPECT_EQ(name, dir.File("song_03.mp3"));
    // The piece was not created: its name is still the lowest free one.
    ASSERT_TRUE(MakePieceFileName(name, source, options, &numbering));
    EXPECT_EQ(name, dir.File("song_03.mp3"));
    for (int piece = 3; piece <= 1200; ++piece) {
        ASSERT_TRUE(MakePieceFileName(name, source, options, &numbering));
        char expected[32];
        std::snprintf(expected, sizeof expected, "song_%02d.mp3", piece);
        ASSERT_EQ(name, dir.File(expected));
        WriteFile(name, { 1 }); // the piece is written
    }
    // The fallback folder keeps its own count.
    const HomeFolder home(dir.File("home"));
    const std::string gone = dir.File("gone/song.mp3");
    ASSERT_TRUE(MakePieceFileName(name, gone, options, &numbering));
    EXPECT_EQ(name, dir.File("home/Documents/Clipwright_Files/song_01.mp3"));
}

TEST(MakePieceFileName, OnlyARealMp3ExtensionIsTakenOffTheSourceName)
{
    TempDir dir;
    std::filesystem::create_directory(dir.File("dd"));
    std::string name;
    ASSERT_TRUE(MakePieceFileName(name, dir.File("dd/abc"), CutOptions {}));
    EXPECT_EQ(name, dir.File("dd/abc_01.mp3"));
    ASSERT_TRUE(MakePieceFileName(name, dir.File("dd/Song.MP3"), CutOptions {}));
    EXPECT_EQ(name, dir.File("dd/Song_01.mp3"));
    ASSERT_TRUE(MakePieceFileName(name, dir.File("dd/live.wav"), CutOptions {}));
    EXPECT_EQ(name, dir.File("dd/live.wav_01.mp3"));
}

TEST(MakePieceFileName, AFolderTheUserNamedForTheCutIsNotSwappedForAnother)
{
    TempDir dir;
    const HomeFolder home(dir.File("home"));
    const std::string source = dir.File("song.mp3");
    WriteFile(dir.File("file"), { 1 });
    CutOptions options;
    options.OutputFolderOpt = kOutputFolderSpecified;
    options.noFallbackFolder = true;
    // A file where the folder should be, and a folder that takes no files even for root.
    for (const std::string& folder : { dir.File("file"), std::string("/proc") }) {
        options.SpecifiedOutputFolder = folder;
        std::string name;
        EXPECT_FALSE(MakePieceFileName(name, source, options)) << folder;
        EXPECT_EQ(name, folder + "/song_01.mp3");
    }
    EXPECT_FALSE(FileIsThere(dir.File("home/Documents")));
    EXPECT_FALSE(FileIsThere(dir.File("song_01.mp3")));

    // The pages keep the naming rule's fallbacks: next to the source, then the documents folder.
    options.noFallbackFolder = false;
    options.SpecifiedOutputFolder = dir.File("file");
    std::string name;
    ASSERT_TRUE(MakePieceFileName(name, source, options));
    EXPECT_EQ(name, dir.File("song_01.mp3"));
    options.SpecifiedOutputFolder = "/proc";
    ASSERT_TRUE(MakePieceFileName(name, dir.File("gone/song.mp3"), options));
    EXPECT_EQ(name, dir.File("home/Documents/Clipwright_Files/song_01.mp3"));
}
