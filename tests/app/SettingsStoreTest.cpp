// The settings shares of the application and its pages: defaults, load-time corrections, and which
// groups each saver writes.
#include "app/AppSettings.h"
#include "app/OptionsSettings.h"
#include "platform/desktop/SettingsKey.h"
#include "tests/gui_support/GuiTestEnvironment.h"
#include "ui/lists/BatchCutterPage.h"
#include "ui/lists/JoinerPage.h"
#include "ui/PageSettings.h"

using SettingsStoreTest = GuiTest;

TEST_F(SettingsStoreTest, AnEmptyStoreGivesTheDefaults)
{
    EXPECT_EQ(LoadStartPage(), 0);
    OptionValues options;
    LoadCutterOptions(options);
    LoadJoinerOptions(options);
    EXPECT_TRUE(options.CutterBrowseFolder);
    EXPECT_FALSE(options.cut.EnableFadeIn);
    EXPECT_EQ(options.cut.FadeInLen, 10);
    EXPECT_EQ(options.cut.FadeOutLen, 10);
    EXPECT_EQ(options.cut.ForwardOverlap, 0);
    EXPECT_EQ(options.cut.OutputFolderOpt, 199);
    EXPECT_TRUE(options.JoinerBrowseFolder);
    EXPECT_TRUE(options.encoding.AutoMP3EncodingParam);
    EXPECT_EQ(options.encoding.MP3BitRate, 128);
    EXPECT_EQ(options.encoding.MP3SampleRate, 44100);
    EXPECT_EQ(options.encoding.MP3ChannelMode, 1);

    CutterSettings cutter;
    LoadCutterSettings(cutter);
    EXPECT_EQ(cutter.splitMode.CutType, 3);
    BatchCutterSettings batch;
    LoadBatchCutterSettings(batch);
    EXPECT_EQ(batch.splitMode.CutType, 0);
    EXPECT_EQ(batch.splitMode.CutFileSize, 1024);
    EXPECT_EQ(batch.splitMode.CutFileAmount, 2);
    EXPECT_EQ(batch.splitMode.CutTimeMin, 1);
    JoinerSettings joiner;
    LoadJoinerSettings(joiner);
    EXPECT_EQ(joiner.ID3Genre, -1);
    EXPECT_EQ(SettingsFileText(), ""); // loading creates nothing
}

TEST_F(SettingsStoreTest, OutOfRangeValuesAreCorrectedWhenLoaded)
{
    StoreNumber(kCutterSubkey, "CutFileSize", 0);
    StoreNumber(kCutterSubkey, "CutFileAmount", -5);
    StoreNumber(kCutterSubkey, "CutTimeSec", -1);
    StoreNumber(kCutterSubkey, "CutTimeMin", -3);
    StoreNumber(kCutterSubkey, "CutType", 7);
    StoreNumber(kBatchCutterSubkey, "CutType", 4); // 3 is by silence here; 4 is no mode of this page
    StoreNumber(kBatchCutterSubkey, "CutFileSize", -5);
    StoreNumber(kCutterSubkey, "FadeInLen", -4);
    StoreNumber(kCutterSubkey, "ForwardOverlap", -1);
    StoreNumber(kCutterSubkey, "BackwardOverlap", -1);
    StoreNumber(kCutterSubkey, "OutputFolderOpt", 200);
    StoreNumber(kCutterSubkey, "ID3v1TagTrackNoType", 4);
    StoreNumber(kJoinerSubkey, "MP3ChannelMode", 2);
    StoreNumber(kJoinerSubkey, "MP3BitRate", 100); // not in the list, but taken as stored

    CutterSettings cutter;
    LoadCutterSettings(cutter);
    EXPECT_EQ(cutter.splitMode.CutFileSize, 1);
    EXPECT_EQ(cutter.splitMode.CutFileAmount, 1);
    EXPECT_EQ(cutter.splitMode.CutTimeSec, 0);
    EXPECT_EQ(cutter.splitMode.CutTimeMin, 0);
    EXPECT_EQ(cutter.splitMode.CutType, 0);
    BatchCutterSettings batch;
    LoadBatchCutterSettings(batch);
    EXPECT_EQ(batch.splitMode.CutType, 0);
    EXPECT_EQ(batch.splitMode.CutFileSize, 1);
    OptionValues options;
    LoadCutterOptions(options);
    LoadJoinerOptions(options);
    EXPECT_EQ(options.cut.FadeInLen, 0);
    EXPECT_EQ(options.cut.ForwardOverlap, 0);
    EXPECT_EQ(options.cut.BackwardOverlap, 0);
    EXPECT_EQ(options.cut.OutputFolderOpt, 199);
    EXPECT_EQ(options.cut.ID3v1TagTrackNoType, 0);
    EXPECT_EQ(options.encoding.MP3ChannelMode, 1);
    EXPECT_EQ(options.encoding.MP3BitRate, 100);
}

TEST_F(SettingsStoreTest, SaversWriteOnlyTheGroupsTheyAreGiven)
{
    JoinerSettings joiner;
    joiner.Folder = "/music/";
    joiner.ID3Title = "Title";
    SaveJoinerSettings(joiner, 0);
    EXPECT_EQ(SettingsFileText(), "");
    SaveJoinerSettings(joiner, kGroupFolder);
    EXPECT_EQ(StoredText(kJoinerSubkey, "Folder"), "/music/");
    EXPECT_FALSE(HasStoredValue(kJoinerSubkey, "ID3Title"));
    EXPECT_FALSE(HasStoredValue(kJoinerSubkey, "ID3Genre"));
    SaveJoinerSettings(joiner, kGroupTag);
    EXPECT_EQ(StoredText(kJoinerSubkey, "ID3Title"), "Title");
    EXPECT_EQ(StoredNumber(kJoinerSubkey, "ID3Genre"), -1);

    BatchCutterSettings batch;
    batch.splitMode.CutFileSize = 2048;
    SaveBatchCutterSettings(batch, kGroupSplitMode);
    EXPECT_EQ(StoredNumber(kBatchCutterSubkey, "CutFileSize"), 2048);
    EXPECT_FALSE(HasStoredValue(kBatchCutterSubkey, "Folder"));

    SaveStartPage(2, kGroupFolder);
    EXPECT_FALSE(HasStoredValue("", "StartPage"));
    SaveStartPage(2, kGroupStartPage);
    EXPECT_EQ(LoadStartPage(), 2);
}

TEST_F(SettingsStoreTest, LongTagTextsAreNotReadBackAndKeepTheDefault)
{
    StoreText(kJoinerSubkey, "ID3Title", std::string(32, 'x'));
    StoreText(kJoinerSubkey, "ID3Artist", std::string(31, 'y'));
    JoinerSettings joiner;
    LoadJoinerSettings(joiner);
    EXPECT_EQ(joiner.ID3Title, "");
    EXPECT_EQ(joiner.ID3Artist, std::string(31, 'y'));
}

TEST_F(SettingsStoreTest, TagTextLimitsCountCharactersNotUtf8Bytes)
{
    // 31 characters fill the 32-byte field of a Latin-1 tag, though each takes two bytes in UTF-8.
    std::string artist;
    for (int count = 0; count < 31; ++count)
        artist += "\xc3\xa9"; // e acute
    StoreText(kJoinerSubkey, "ID3Artist", artist);
    StoreText(kJoinerSubkey, "ID3Year",
        "\xc2\xa9\xc2\xa9\xc2\xa9"
        "1999");
    StoreText(kJoinerSubkey, "ID3Album", artist + "\xc3\xa9");
    JoinerSettings joiner;
    LoadJoinerSettings(joiner);
    EXPECT_EQ(joiner.ID3Artist, artist);
    EXPECT_EQ(joiner.ID3Year,
        "\xc2\xa9\xc2\xa9\xc2\xa9"
        "1999");
    EXPECT_EQ(joiner.ID3Album, ""); // 32 characters do not fit
}

TEST_F(SettingsStoreTest, FoldersOfAnyLengthAreReadBack)
{
    // A folder chosen in the folder browser is never cut short, so it must come back whole.
    const std::string deep = "/" + std::string(300, 'f') + "/" + std::string(300, 'g') + "/";
    StoreText(kBatchCutterSubkey, "Folder", deep);
    StoreText(kJoinerSubkey, "Folder", deep);
    StoreText(kCutterSubkey, "SpecifiedOutputFolder", deep);
    BatchCutterSettings batch;
    LoadBatchCutterSettings(batch);
    EXPECT_EQ(batch.Folder, deep);
    JoinerSettings joiner;
    LoadJoinerSettings(joiner);
    EXPECT_EQ(joiner.Folder, deep);
    OptionValues options;
    LoadCutterOptions(options);
    EXPECT_EQ(options.cut.SpecifiedOutputFolder, deep);
}

TEST_F(SettingsStoreTest, FirstRunIsTakenOnce)
{
    EXPECT_TRUE(TakeFirstRun());
    EXPECT_EQ(StoredNumber("", "FirstRun"), 0);
    EXPECT_FALSE(TakeFirstRun());
}

TEST_F(SettingsStoreTest, OptionSaversWriteEveryValueAndLoadBack)
{
    OptionValues values;
    values.CutterBrowseFolder = false;
    values.cut.EnableFadeOut = true;
    values.cut.FadeOutLen = 25;
    values.cut.OutputFolderOpt = 299;
    values.cut.SpecifiedOutputFolder = "/out/";
    values.cut.CreateFolderForEachMP3 = true;
    values.encoding.AutoMP3EncodingParam = false;
    values.encoding.MP3ChannelMode = 3;
    SaveCutterOptions(values);
    SaveJoinerOptions(values);
    OptionValues loaded;
    LoadCutterOptions(loaded);
    LoadJoinerOptions(loaded);
    EXPECT_FALSE(loaded.CutterBrowseFolder);
    EXPECT_TRUE(loaded.cut.EnableFadeOut);
    EXPECT_EQ(loaded.cut.FadeOutLen, 25);
    EXPECT_EQ(loaded.cut.OutputFolderOpt, 299);
    EXPECT_EQ(loaded.cut.SpecifiedOutputFolder, "/out/");
    EXPECT_TRUE(loaded.cut.CreateFolderForEachMP3);
    EXPECT_FALSE(loaded.encoding.AutoMP3EncodingParam);
    EXPECT_EQ(loaded.encoding.MP3ChannelMode, 3);
}

TEST_F(SettingsStoreTest, AFolderPickedOnAListPageIsStoredAtOnceAndAloneWithoutTheWindowEverShown)
{
    {
        JoinerPage joiner;
        joiner.FolderChosen("/music/albums/");
        EXPECT_EQ(StoredText(kJoinerSubkey, "Folder"), "/music/albums/");
        BatchCutterPage batch;
        batch.FolderChosen("/music/live/");
        EXPECT_EQ(StoredText(kBatchCutterSubkey, "Folder"), "/music/live/");
    }
    EXPECT_FALSE(HasStoredValue(kJoinerSubkey, "ID3Title"));
    EXPECT_FALSE(HasStoredValue(kBatchCutterSubkey, "CutType"));
}
