// "C&ut Now!" on the cutter page end to end: the checked pieces written with their tags and track
// numbers, the output paths in the rows, a cancelled run, a refused run, and the tag dialog.
#include "tests/ui/cutter/CutterPageFixture.h"

#include "engine/stream/ID3TagInfo.h"
#include "ui/widgets/DigitsSpinEdit.h"
#include "ui/cutter/TagDialog.h"
#include "ui/widgets/ProgressDialog.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <filesystem>

namespace {

class CutterPageCutTest : public CutterPageFixture {
protected:
    // Runs fill on the tag dialog once it is open, then presses OK.
    void EditTagOfSelectedPiece(const std::function<void(TagDialog&)>& fill)
    {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TagDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            seen = true;
            fill(*dialog);
            dialog->OkButton()->click();
        });
        page->OnEditTag();
        EXPECT_TRUE(seen);
    }

    static ProgressDialog* OpenProgressDialog()
    {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<ProgressDialog*>(window); dialog && dialog->IsHeldByJob())
                return dialog;
        }
        return nullptr;
    }

    static ID3TagInfo TagOf(const std::string& path)
    {
        ID3TagInfo tag;
        EXPECT_TRUE(ReadID3v1Tag(path, tag)) << path;
        return tag;
    }
};

} // namespace

TEST_F(CutterPageCutTest, TheCheckedPiecesAreWrittenWithTheirTagsAndTheRowsKnowTheirFiles)
{
    const std::string source = Tone("song.mp3", 12, "Song", 7, 17);
    ASSERT_TRUE(page->OpenSource(source));
    for (const int32_t at : { 40, 80 }) {
        page->MoveSliderByUser(at);
        page->OnAddPiece();
    }
    page->PiecesList()->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    page->SelectRow(2);
    EditTagOfSelectedPiece([](TagDialog& dialog) {
        EXPECT_EQ(dialog.TitleEdit()->text(), "Song");
        EXPECT_EQ(dialog.TrackNumberEdit()->Text(), "0"); // automatic numbering shows 0
        QComboBox* types = dialog.TrackTypeList();
        types->setCurrentIndex(types->findData(TrackNoCustom));
        Q_EMIT types->activated(types->currentIndex());
        dialog.TrackNumberEdit()->SetText("9");
        dialog.TitleEdit()->setText("Last");
    });
    EXPECT_EQ(Cell(2, CutterPage::kTitle), "Last");
    EXPECT_EQ(Cell(2, CutterPage::kTrack), "9");
    EXPECT_EQ(Cell(0, CutterPage::kTitle), "Song");

    QString label;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (ProgressDialog* dialog = OpenProgressDialog(); dialog && label.isEmpty())
            label = dialog->Label(JobProgress::Upper)->text();
    });
    watch.start(0);
    page->OnCutNow();
    watch.stop();
    EXPECT_EQ(label, "Cutting song.mp3...");
    EXPECT_TRUE(messages_.empty()) << messages_.front().text.toStdString();

    const std::vector<PieceEntry>& pieces = page->Pieces().Entries();
    ASSERT_EQ(page->OutputFiles().size(), 2u);
    EXPECT_EQ(pieces[0].outputPath, page->OutputFiles()[0]);
    EXPECT_TRUE(pieces[1].outputPath.empty());
    EXPECT_EQ(pieces[2].outputPath, page->OutputFiles()[1]);
    const ID3TagInfo first = TagOf(pieces[0].outputPath);
    EXPECT_STREQ(first.title, "Song");
    EXPECT_EQ(first.track, 1);
    EXPECT_EQ(first.genre, 17);
    const ID3TagInfo last = TagOf(pieces[2].outputPath);
    EXPECT_STREQ(last.title, "Last");
    EXPECT_EQ(last.track, 9);
    // A piece holds its share of the source, not the whole of it.
    EXPECT_LT(std::filesystem::file_size(pieces[0].outputPath), std::filesystem::file_size(source));

    page->SelectRow(0);
    page->UpdateContextMenu();
    EXPECT_TRUE(page->BrowseAction()->isEnabled());
    page->SelectRow(1);
    page->UpdateContextMenu();
    EXPECT_FALSE(page->BrowseAction()->isEnabled());

    // A cancelled run deletes the pieces of the run before and leaves none of its own.
    const std::vector<std::string> earlier = page->OutputFiles();
    QTimer::singleShot(0, [&] {
        if (ProgressDialog* dialog = OpenProgressDialog())
            dialog->Cancel();
    });
    page->OnCutNow();
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(page->OutputFiles().empty());
    for (const std::string& path : earlier)
        EXPECT_FALSE(std::filesystem::exists(path)) << path;
    for (const PieceEntry& piece : pieces)
        EXPECT_TRUE(piece.outputPath.empty());
    page->SelectRow(0);
    page->UpdateContextMenu();
    EXPECT_FALSE(page->BrowseAction()->isEnabled());
    EXPECT_TRUE(std::filesystem::exists(source));
}

TEST_F(CutterPageCutTest, ARefusedRunShowsItsErrorAndOtherModesCutTheWholeFile)
{
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 9)));
    page->OnCutNow(); // one piece only
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "Please add a piece and check it first.");
    EXPECT_EQ(messages_[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(page->OutputFiles().empty());

    page->ModeButton(1)->click();
    page->CountEdit()->SetText("3");
    page->OnCutNow();
    EXPECT_EQ(messages_.size(), 1u);
    ASSERT_EQ(page->OutputFiles().size(), 3u);
    for (const std::string& path : page->OutputFiles())
        EXPECT_TRUE(std::filesystem::exists(path)) << path;

    page->ModeButton(2)->click();
    page->MinutesEdit()->SetText("5");
    page->OnCutNow();
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(messages_[1].text, "The duration of each piece is too long.");
}

TEST_F(CutterPageCutTest, TheTagDialogCancelledChangesNothingAndTypesShowTheirNumbers)
{
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 4, "Song", 7, 17)));
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TagDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        seen = true;
        QComboBox* types = dialog->TrackTypeList();
        types->setCurrentIndex(types->findData(TrackNoSource));
        Q_EMIT types->activated(types->currentIndex());
        EXPECT_EQ(dialog->TrackNumberEdit()->Text(), "7");
        EXPECT_FALSE(dialog->TrackNumberEdit()->isEnabled());
        dialog->TitleEdit()->setText("Other");
        dialog->reject();
    });
    Q_EMIT page->PiecesList()->itemDoubleClicked(page->PiecesList()->topLevelItem(0), 0);
    EXPECT_TRUE(seen);
    EXPECT_EQ(Cell(0, CutterPage::kTitle), "Song");
    EXPECT_EQ(Cell(0, CutterPage::kTrack), "Auto");

    EditTagOfSelectedPiece([](TagDialog& dialog) {
        QComboBox* types = dialog.TrackTypeList();
        types->setCurrentIndex(types->findData(TrackNoSource));
        Q_EMIT types->activated(types->currentIndex());
    });
    EXPECT_EQ(Cell(0, CutterPage::kTrack), "7");
    EditTagOfSelectedPiece([](TagDialog& dialog) {
        QComboBox* types = dialog.TrackTypeList();
        types->setCurrentIndex(types->findData(TrackNoNull));
        Q_EMIT types->activated(types->currentIndex());
    });
    EXPECT_EQ(Cell(0, CutterPage::kTrack), "");
}
