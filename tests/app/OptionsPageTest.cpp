#include "app/OptionsPage.h"
#include "platform/desktop/SettingsKey.h"
#include "tests/gui_support/GuiTestEnvironment.h"
#include "ui/widgets/SpinEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

namespace {

// A selection made by the user: programmatic selections run no handler.
void Choose(QComboBox* list, int row)
{
    list->setCurrentIndex(row);
    Q_EMIT list->activated(row);
}

void ChooseValue(QComboBox* list, int value) { Choose(list, list->findData(value)); }

} // namespace

class OptionsPageTest : public GuiTest {
protected:
    OptionsPage& ShownPage()
    {
        page_ = std::make_unique<OptionsPage>();
        page_->show();
        return *page_;
    }
    std::unique_ptr<OptionsPage> page_;
};

TEST_F(OptionsPageTest, FreshSettingsShowTheDefaults)
{
    OptionsPage& page = ShownPage();
    EXPECT_EQ(page.fadeInEdit()->Text(), "1.0");
    EXPECT_EQ(page.fadeOutEdit()->Text(), "1.0");
    EXPECT_FALSE(page.fadeInEdit()->isEnabled());
    EXPECT_EQ(page.forwardOverlapEdit()->Text(), "0.0");
    EXPECT_EQ(page.backwardOverlapEdit()->Text(), "0.0");
    EXPECT_EQ(page.trackRuleList()->currentText(), "Set sequence number automatically");
    EXPECT_EQ(page.outputFolderList()->currentText(), "Same as source file");
    EXPECT_FALSE(page.folderEdit()->isEnabled());
    EXPECT_FALSE(page.browseButton()->isEnabled());
    EXPECT_EQ(page.encodingList()->currentText(), "Auto");
    EXPECT_FALSE(page.bitRateList()->isEnabled());
    EXPECT_EQ(page.bitRateList()->currentText(), "128 kbps");
    EXPECT_EQ(page.sampleRateList()->currentText(), "44100 Hz");
    EXPECT_EQ(page.channelList()->currentText(), "Join Stereo");
    EXPECT_EQ(page.cutSectionLabel()->text(), "Cut Options");
    EXPECT_EQ(page.cutBrowseCheck()->text(), "Browse folder of o&utputted files after cutting");
    EXPECT_EQ(page.encodingList()->count(), 6);
    EXPECT_EQ(page.CustomRow(), 5);
}

TEST_F(OptionsPageTest, StoredFormatSelectsTheMatchingPresetOrCustom)
{
    StoreNumber(kJoinerSubkey, "AutoMP3EncodingParam", 0);
    {
        OptionsPage& page = ShownPage();
        EXPECT_EQ(page.encodingList()->currentIndex(), 4);
        EXPECT_TRUE(page.bitRateList()->isEnabled());
    }
    page_.reset(); // saves the format it showed
    StoreNumber(kJoinerSubkey, "MP3ChannelMode", 0);
    StoreNumber(kJoinerSubkey, "MP3SampleRate", 12345);
    OptionsPage& page = ShownPage();
    EXPECT_EQ(page.encodingList()->currentText(), "Custom");
    EXPECT_EQ(page.channelList()->currentText(), "Stereo");
    EXPECT_EQ(page.sampleRateList()->currentIndex(), 0); // a rate not in the list shows the first entry
}

TEST_F(OptionsPageTest, ArrowsStepOverlapsBySecondsAndFadesByTenthsNeverBelowZero)
{
    OptionsPage& page = ShownPage();
    page.forwardOverlapEdit()->stepBy(1);
    EXPECT_EQ(page.forwardOverlapEdit()->Text(), "1.0");
    page.fadeInCheck()->click();
    page.fadeInEdit()->stepBy(1);
    EXPECT_EQ(page.fadeInEdit()->Text(), "1.1");
    page.backwardOverlapEdit()->stepBy(-1);
    EXPECT_EQ(page.backwardOverlapEdit()->Text(), "0.0");
    // A step starts from the typed text; an unreadable text steps from the last value.
    page.fadeOutEdit()->SetText("2.57");
    page.fadeOutEdit()->stepBy(-1);
    EXPECT_EQ(page.fadeOutEdit()->Text(), "2.4");
    page.forwardOverlapEdit()->SetText("abc");
    page.forwardOverlapEdit()->stepBy(1);
    EXPECT_EQ(page.forwardOverlapEdit()->Text(), "2.0");
}

TEST_F(OptionsPageTest, PresetsEnableTheListsAndCustomKeepsThemAsTheyAre)
{
    OptionsPage& page = ShownPage();
    Choose(page.encodingList(), page.CustomRow());
    EXPECT_FALSE(page.bitRateList()->isEnabled());
    Choose(page.encodingList(), 1);
    EXPECT_TRUE(page.bitRateList()->isEnabled());
    EXPECT_TRUE(page.channelList()->isEnabled());
    EXPECT_EQ(page.bitRateList()->currentText(), "16 kbps");
    EXPECT_EQ(page.sampleRateList()->currentText(), "11025 Hz");
    EXPECT_EQ(page.channelList()->currentText(), "Mono");
    Choose(page.encodingList(), 0);
    EXPECT_FALSE(page.sampleRateList()->isEnabled());
    EXPECT_EQ(page.bitRateList()->currentText(), "16 kbps"); // the selections stay
}

TEST_F(OptionsPageTest, RatesAndBitRatesPullEachOtherIntoRangeAndSelectCustom)
{
    OptionsPage& page = ShownPage();
    Choose(page.encodingList(), 4); // 128 kbps, 44100 Hz
    ChooseValue(page.sampleRateList(), 11025);
    EXPECT_EQ(page.bitRateList()->currentText(), "64 kbps");
    EXPECT_EQ(page.encodingList()->currentText(), "Custom");

    Choose(page.encodingList(), 2); // 32 kbps, 22050 Hz
    ChooseValue(page.bitRateList(), 320);
    EXPECT_EQ(page.sampleRateList()->currentText(), "32000 Hz");
    EXPECT_EQ(page.encodingList()->currentText(), "Custom");

    ChooseValue(page.sampleRateList(), 8000); // 320 kbps becomes 64
    ChooseValue(page.bitRateList(), 48);
    EXPECT_EQ(page.sampleRateList()->currentText(), "8000 Hz");

    Choose(page.encodingList(), 3);
    Choose(page.channelList(), 1);
    EXPECT_EQ(page.encodingList()->currentText(), "Custom");
    ASSERT_TRUE(page.TakeAndCheck());
    EXPECT_FALSE(page.JoinEncoding().AutoMP3EncodingParam);
    EXPECT_EQ(page.JoinEncoding().MP3BitRate, 96);
    EXPECT_EQ(page.JoinEncoding().MP3SampleRate, 32000);
    EXPECT_EQ(page.JoinEncoding().MP3ChannelMode, 0);
}

TEST_F(OptionsPageTest, TimesAreTakenAsTenthsOfASecond)
{
    OptionsPage& page = ShownPage();
    page.forwardOverlapEdit()->SetText("1.25");
    page.backwardOverlapEdit()->SetText(".5");
    page.fadeInCheck()->click();
    page.fadeInEdit()->SetText("");
    page.fadeOutEdit()->SetText("letters"); // fade-out is off: not read
    ASSERT_TRUE(page.TakeAndCheck());
    EXPECT_TRUE(messages_.empty());
    const CutOptions cut = page.CutterOptions();
    EXPECT_EQ(cut.ForwardOverlap, 12);
    EXPECT_EQ(cut.BackwardOverlap, 5);
    EXPECT_TRUE(cut.EnableFadeIn);
    EXPECT_EQ(cut.FadeInLen, 0);
    EXPECT_EQ(cut.FadeOutLen, 10);
}

TEST_F(OptionsPageTest, AnUnreadableTimeIsRefusedWithItsTextAndFocus)
{
    OptionsPage& page = ShownPage();
    page.forwardOverlapEdit()->SetText("");
    EXPECT_FALSE(page.TakeAndCheck());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "Invalid number: , please enter it again.");
    EXPECT_EQ(messages_[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(page.focusWidget(), page.forwardOverlapEdit());

    page.forwardOverlapEdit()->SetText("1");
    page.fadeOutCheck()->click();
    page.fadeOutEdit()->SetText("x1");
    EXPECT_FALSE(page.OnKillActive());
    EXPECT_EQ(messages_.back().text, "Invalid number: x1, please enter it again.");
    page.fadeOutEdit()->SetText("-2");
    EXPECT_FALSE(page.TakeAndCheck()); // negative times are refused too
}

TEST_F(OptionsPageTest, SpecifiedOutputFolderMustNotBeEmpty)
{
    OptionsPage& page = ShownPage();
    ChooseValue(page.outputFolderList(), 299);
    EXPECT_TRUE(page.folderEdit()->isEnabled());
    EXPECT_TRUE(page.browseButton()->isEnabled());
    EXPECT_FALSE(page.TakeAndCheck());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "Please choose an output folder.");
    EXPECT_EQ(page.focusWidget(), page.folderEdit());
    page.folderEdit()->setText("/tmp/out/");
    EXPECT_TRUE(page.TakeAndCheck());
    EXPECT_EQ(page.CutterOptions().OutputFolderOpt, 299);
    EXPECT_EQ(page.CutterOptions().SpecifiedOutputFolder, "/tmp/out/");
}

TEST_F(OptionsPageTest, FadeBoxesEnableTheirEditsAndFocusThem)
{
    OptionsPage& page = ShownPage();
    page.fadeOutCheck()->click();
    EXPECT_TRUE(page.fadeOutEdit()->isEnabled());
    EXPECT_EQ(page.focusWidget(), page.fadeOutEdit());
    EXPECT_TRUE(page.Values().cut.EnableFadeOut);
    page.fadeOutCheck()->click();
    EXPECT_FALSE(page.fadeOutEdit()->isEnabled());
}

TEST_F(OptionsPageTest, APageNeverShownAcceptsAndWritesNothing)
{
    StoreNumber(kCutterSubkey, "ForwardOverlap", 30);
    {
        OptionsPage page;
        EXPECT_TRUE(page.TakeAndCheck());
        EXPECT_EQ(page.CutterOptions().ForwardOverlap, 30);
    }
    EXPECT_FALSE(HasStoredValue(kCutterSubkey, "FadeInLen"));
    EXPECT_FALSE(HasStoredValue(kJoinerSubkey, "MP3BitRate"));
}

TEST_F(OptionsPageTest, AShownPageSavesWhatItLastTook)
{
    {
        OptionsPage& page = ShownPage();
        page.forwardOverlapEdit()->SetText("2.5");
        ASSERT_TRUE(page.TakeAndCheck());
        page.backwardOverlapEdit()->SetText("9"); // typed after the last take: not saved
        page_.reset();
    }
    EXPECT_EQ(StoredNumber(kCutterSubkey, "ForwardOverlap"), 25);
    EXPECT_EQ(StoredNumber(kCutterSubkey, "BackwardOverlap"), 0);
    EXPECT_EQ(StoredNumber(kJoinerSubkey, "AutoMP3EncodingParam"), 1);
    EXPECT_EQ(StoredText(kCutterSubkey, "SpecifiedOutputFolder"), "");
}
