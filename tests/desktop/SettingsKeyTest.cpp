#include "platform/desktop/SettingsKey.h"
#include "tests/gui_support/GuiTestEnvironment.h"

#include <filesystem>
#include <fstream>

using SettingsKeyTest = GuiTest;

TEST_F(SettingsKeyTest, NumbersAndTextsRoundTripUnderTheirKeyPaths)
{
    {
        SettingsKey joiner(kJoinerSubkey);
        EXPECT_EQ(joiner.Path(), "Software/Sonicrop/Options/Joiner");
        joiner.WriteNumber("ID3Genre", -1);
        joiner.WriteText("ID3Title", "Grüße");
        EXPECT_TRUE(joiner.Flush());
    }
    const SettingsKey reopened(kJoinerSubkey);
    EXPECT_EQ(reopened.ReadNumber("ID3Genre"), -1);
    EXPECT_EQ(reopened.ReadText("ID3Title", 32), "Grüße");
    EXPECT_FALSE(reopened.ReadNumber("ID3Artist").has_value());
    // Another key does not see them.
    const SettingsKey cutter(kCutterSubkey);
    EXPECT_FALSE(cutter.ReadNumber("ID3Genre").has_value());
    EXPECT_NE(SettingsFileText().find("Sonicrop"), std::string::npos);
}

TEST_F(SettingsKeyTest, TextThatDoesNotFitItsBufferIsNotRead)
{
    StoreText(kJoinerSubkey, "ID3Year", "1234567");
    StoreText(kJoinerSubkey, "ID3TrackNo", "12345678");
    const SettingsKey key(kJoinerSubkey);
    EXPECT_EQ(key.ReadText("ID3Year", 8), "1234567");
    EXPECT_FALSE(key.ReadText("ID3TrackNo", 8).has_value());
}

TEST_F(SettingsKeyTest, NumbersAreThirtyTwoBitWords)
{
    StoreText(kCutterSubkey, "AllOnes", "4294967295");
    StoreText(kCutterSubkey, "TooLarge", "4294967296");
    StoreText(kCutterSubkey, "Letters", "abc");
    const SettingsKey key(kCutterSubkey);
    EXPECT_EQ(key.ReadNumber("AllOnes"), -1);
    EXPECT_FALSE(key.ReadNumber("TooLarge").has_value());
    EXPECT_FALSE(key.ReadNumber("Letters").has_value());
}

TEST_F(SettingsKeyTest, AStoreThatCannotBeWrittenFailsSilently)
{
    // The folder of the store is a file: nothing can be created below it.
    const std::string blocker = settingsFolder_.File("not-a-folder");
    std::ofstream(blocker) << "x";
    SettingsKey::SetStoreFolder(blocker);
    SettingsKey key("");
    key.WriteNumber("StartPage", 2);
    EXPECT_FALSE(key.Flush());
    EXPECT_FALSE(std::filesystem::exists(SettingsKey::StoreFile()));
}

TEST_F(SettingsKeyTest, TextsWithTheStoreFileSyntaxComeBackAsWritten)
{
    const std::vector<std::string> texts { "/music/Rock, Pop; Live/", "a=b", "\"quoted\"", "@Variant(x)", "#1 hit",
        "back\\slash", " padded ", "two\nlines" };
    {
        SettingsKey key(kJoinerSubkey);
        for (size_t index = 0; index < texts.size(); ++index)
            key.WriteText("Text" + std::to_string(index), texts[index]);
        EXPECT_TRUE(key.Flush());
    }
    const SettingsKey key(kJoinerSubkey);
    for (size_t index = 0; index < texts.size(); ++index)
        EXPECT_EQ(key.ReadText("Text" + std::to_string(index)), texts[index]);
}
