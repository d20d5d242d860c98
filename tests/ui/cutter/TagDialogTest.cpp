// The ID3 tag dialog: track types, the alphabetical genre list carrying indexes, and its checks.
#include "ui/cutter/TagDialog.h"

#include "engine/stream/ID3TagInfo.h"
#include "tests/gui_support/GuiTestEnvironment.h"
#include "ui/widgets/DigitsSpinEdit.h"
#include "ui/widgets/GenreComboBox.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

namespace {

class TagDialogTest : public GuiTest {
protected:
    void ChooseType(TagDialog& dialog, int type)
    {
        QComboBox* list = dialog.TrackTypeList();
        list->setCurrentIndex(list->findData(type));
        Q_EMIT list->activated(list->currentIndex());
    }

    // Types each character as a key press with that text, as an input method would.
    static void Type(QWidget* widget, const QString& text)
    {
        for (const QChar character : text)
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(character), Qt::NoModifier);
    }
};

} // namespace

TEST_F(TagDialogTest, TrackTypesShowTheirNumberAndOnlyCustomCanBeEdited)
{
    TagDialog dialog;
    dialog.trackType = TrackNoSource;
    dialog.sourceTrackNumber = 7;
    dialog.trackNumber = 12;
    dialog.InitDialog();
    QComboBox* types = dialog.TrackTypeList();
    ASSERT_EQ(types->count(), 4);
    EXPECT_EQ(types->itemText(0), "Set sequence number automatically");
    EXPECT_EQ(types->itemText(1), "Use track # of source file");
    EXPECT_EQ(types->itemText(2), "Custom");
    EXPECT_EQ(types->itemText(3), "Null");
    EXPECT_EQ(dialog.TrackNumberEdit()->Text(), "7");
    EXPECT_FALSE(dialog.TrackNumberEdit()->isEnabled());

    ChooseType(dialog, TrackNoCustom);
    EXPECT_TRUE(dialog.TrackNumberEdit()->isEnabled());
    EXPECT_EQ(dialog.TrackNumberEdit()->Text(), "7"); // unchanged by the switch
    dialog.TrackNumberEdit()->SetText("12");
    ChooseType(dialog, TrackNoNull);
    EXPECT_EQ(dialog.TrackNumberEdit()->Text(), "0");
    EXPECT_FALSE(dialog.TrackNumberEdit()->isEnabled());
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.trackType, TrackNoNull);
    EXPECT_EQ(dialog.trackNumber, 0);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(TagDialogTest, AnUnknownTypeSelectsTheFirstAndSourceNumbersStayInTheSpinRange)
{
    TagDialog dialog;
    dialog.trackType = 9;
    dialog.sourceTrackNumber = 300;
    dialog.InitDialog();
    EXPECT_EQ(dialog.TrackTypeList()->currentIndex(), 0);
    EXPECT_EQ(dialog.TrackNumberEdit()->Text(), "0");
    ChooseType(dialog, TrackNoSource);
    EXPECT_EQ(dialog.TrackNumberEdit()->Text(), "255");
    dialog.accept();
    EXPECT_EQ(dialog.trackType, TrackNoSource);
    EXPECT_EQ(dialog.trackNumber, 255);
}

TEST_F(TagDialogTest, GenresAreListedAlphabeticallyAndComeBackAsTheirIndex)
{
    TagDialog dialog;
    dialog.genre = 255;
    dialog.InitDialog();
    GenreComboBox* genres = dialog.GenreList();
    EXPECT_EQ(genres->currentIndex(), -1);
    EXPECT_TRUE(genres->itemText(0).isEmpty()); // the "no genre" entry
    EXPECT_EQ(genres->itemText(1), "A Cappella");
    dialog.accept();
    EXPECT_EQ(dialog.genre, 255); // nothing chosen: kept as it came

    TagDialog second;
    second.genre = 255;
    second.InitDialog();
    genres = second.GenreList();
    genres->setCurrentIndex(genres->findText("Rock"));
    EXPECT_NE(genres->currentIndex(), 17);
    second.accept();
    EXPECT_EQ(second.genre, 17);

    // A genre once chosen is cleared with the empty entry.
    TagDialog third;
    third.genre = 17;
    third.InitDialog();
    third.GenreList()->setCurrentIndex(0);
    third.accept();
    EXPECT_EQ(third.genre, 255);
}

TEST_F(TagDialogTest, ChecksTheTrackNumberAndTextLimitsAndStaysOpen)
{
    TagDialog dialog;
    dialog.trackType = TrackNoCustom;
    dialog.title = "Old title";
    dialog.InitDialog();
    dialog.show();

    dialog.TrackNumberEdit()->SetText("");
    dialog.accept();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "Please enter an integer.");
    EXPECT_EQ(messages_[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(dialog.isVisible());

    dialog.TrackNumberEdit()->SetText("256");
    dialog.accept();
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(messages_[1].text, "Please enter an integer between 0 and 255.");
    EXPECT_TRUE(dialog.isVisible());

    // Only a caller can put in more than the field holds; typing stops at the limit.
    dialog.TrackNumberEdit()->SetText("255");
    dialog.TitleEdit()->setText(QString(40, 'x'));
    dialog.accept();
    ASSERT_EQ(messages_.size(), 3u);
    EXPECT_EQ(messages_[2].text, "Please enter no more than 30 characters.");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.title, "Old title");

    dialog.TitleEdit()->clear();
    Type(dialog.TitleEdit(), QString("Caf\u00e9 \u65e5\u672c ") + QString(40, 'y'));
    EXPECT_EQ(dialog.TitleEdit()->text(), QString("Caf\u00e9  ") + QString(24, 'y'));
    Type(dialog.YearEdit(), "19a845");
    EXPECT_EQ(dialog.YearEdit()->text(), "1984");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.title.size(), 30);
    EXPECT_EQ(dialog.year, "1984");
    EXPECT_EQ(dialog.trackNumber, 255);
}

TEST_F(TagDialogTest, ArrowsSetTheNumberWithinItsRange)
{
    TagDialog dialog;
    dialog.trackType = TrackNoCustom;
    dialog.trackNumber = 254;
    dialog.InitDialog();
    dialog.TrackNumberEdit()->stepBy(1);
    dialog.TrackNumberEdit()->stepBy(1);
    EXPECT_EQ(dialog.TrackNumberEdit()->Text(), "255");
    dialog.TrackNumberEdit()->SetText("");
    dialog.TrackNumberEdit()->stepBy(-1);
    EXPECT_EQ(dialog.TrackNumberEdit()->Text(), "254");
}
