// The batch cutter page on real files: jobs with their status texts and the one reveal, cancel,
// repeated cuts, its modes and stored values, removing rows and its context menu.
#include "ui/lists/BatchCutterPage.h"
#include "tests/ui/lists/ListPageTest.h"
#include "ui/widgets/StepSpinBox.h"
#include "ui/widgets/ProgressDialogBase.h"

#include "platform/desktop/SettingsKey.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

class BatchCutterPageTest : public ListPageTest {
protected:
    // A shown page cutting by count into pieces next to the sources.
    void ShowByCount(BatchCutterPage& page, int count)
    {
        page.SetLiveOptions(&options_);
        page.show();
        page.ModeButton(1)->click();
        page.CountSpin()->setValue(count);
    }

    static QString Status(const BatchCutterPage& page, int row)
    {
        return page.List()->CellText(row, BatchCutterPage::kStatusColumn);
    }

    std::vector<std::string> Mp3FilesIn(const std::string& folder) const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    OptionValues options_;
};

QAction* MenuItem(QMenu* menu, const QString& text)
{
    for (QAction* action : menu->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

} // namespace

TEST_F(BatchCutterPageTest, AFailedFileShowsItsReasonAndTheFirstFileWithPiecesIsRevealedOnce)
{
    BatchCutterPage page;
    ShowByCount(page, 2);
    const std::string first = WriteTone("one/first.mp3");
    const std::string second = WriteTone("two/second.mp3");
    const std::string third = WriteTone("three/third.mp3");
    page.LoadFileList({ first, second, third });
    ASSERT_EQ(page.List()->RowCount(), 3);
    fs::remove(second); // gone between adding and cutting

    page.CutAllButton()->click();
    EXPECT_EQ(Status(page, 0), "2 pieces");
    EXPECT_EQ(Status(page, 1), QString::fromStdString("Failure: Failed to load file \"" + second + "\"."));
    EXPECT_EQ(Status(page, 2), "2 pieces");
    // The narrow columns cut a reason and a path short; resting the mouse shows them whole.
    EXPECT_EQ(page.List()->CellToolTip(1, BatchCutterPage::kStatusColumn), Status(page, 1));
    EXPECT_EQ(page.List()->CellToolTip(1, 0).toStdString(), second);
    EXPECT_EQ(
        Mp3FilesIn(files_.File("one")), (std::vector<std::string> { "first.mp3", "first_01.mp3", "first_02.mp3" }));
    EXPECT_EQ(page.Record(0)->outputFiles,
        (std::vector<std::string> { files_.File("one/first_01.mp3"), files_.File("one/first_02.mp3") }));
    EXPECT_TRUE(page.Record(1)->outputFiles.empty());
    EXPECT_EQ(revealed_, std::vector<std::string> { files_.File("one/first_01.mp3") });
    EXPECT_TRUE(page.isEnabled());
    EXPECT_TRUE(messages_.empty());

    // Cutting the selected rows: the failing file first, so the next file's pieces are revealed.
    revealed_.clear();
    page.List()->SelectRow(1, true);
    page.List()->SelectRow(2, true);
    page.CutSelectedButton()->click();
    EXPECT_EQ(Status(page, 0), "2 pieces"); // not in the job
    EXPECT_EQ(revealed_, std::vector<std::string> { files_.File("three/third_01.mp3") });

    // Without the option nothing is revealed.
    revealed_.clear();
    options_.CutterBrowseFolder = false;
    page.CutAllButton()->click();
    EXPECT_TRUE(revealed_.empty());
}

TEST_F(BatchCutterPageTest, CancelDuringTheFirstFileLeavesNoPieceAndRevealsNothing)
{
    BatchCutterPage page;
    ShowByCount(page, 3);
    page.LoadFileList({ WriteTone("a.mp3"), WriteTone("b.mp3") });
    page.List()->SetCell(1, BatchCutterPage::kStatusColumn, "3 pieces"); // from an earlier job
    std::string upperLabel;
    WhenDialogShows([&](ProgressDialogBase&) { return Status(page, 0) == "Cutting..."; },
        [&](ProgressDialogBase& dialog) {
            upperLabel = dialog.Label(JobProgress::Upper)->text().toStdString();
            dialog.CancelButton()->click();
        });
    page.CutAllButton()->click();
    EXPECT_EQ(upperLabel, "Cutting a.mp3...");
    EXPECT_EQ(Status(page, 0), "Cancelled");
    EXPECT_EQ(Status(page, 1), "3 pieces");
    EXPECT_EQ(Mp3FilesIn(files_.Path().string()), (std::vector<std::string> { "a.mp3", "b.mp3" }));
    EXPECT_TRUE(revealed_.empty());
    EXPECT_TRUE(messages_.empty());
}

TEST_F(BatchCutterPageTest, ManyShortFilesRepaintTheDialogOnPumpPassesNotOnEveryStep)
{
    // Each file moves both bars several times; a repaint on every move cost milliseconds per file.
    BatchCutterPage page;
    ShowByCount(page, 3);
    std::vector<std::string> sources;
    for (int index = 0; index < 40; ++index)
        sources.push_back(WriteTone("many/" + std::to_string(index) + ".mp3"));
    page.LoadFileList(sources);
    ASSERT_EQ(page.List()->RowCount(), 40);
    options_.CutterBrowseFolder = false;
    const int paints = BarPaintsOutsideEventPasses([&] { page.CutAllButton()->click(); });
    EXPECT_LE(paints, 4);
    for (int row = 0; row < 40; ++row)
        EXPECT_EQ(Status(page, row), "3 pieces");
}

TEST_F(BatchCutterPageTest, ASecondCutOfAFileReplacesItsFirstPieces)
{
    BatchCutterPage page;
    ShowByCount(page, 3);
    page.LoadFileList({ WriteTone("song.mp3") });
    page.CutAllButton()->click();
    EXPECT_EQ(Status(page, 0), "3 pieces");
    EXPECT_EQ(Mp3FilesIn(files_.Path().string()).size(), 4u);
    std::string lowerLabel;
    WhenDialogShows([](ProgressDialogBase& dialog) { return !dialog.Label(JobProgress::Lower)->text().isEmpty(); },
        [&](ProgressDialogBase& dialog) { lowerLabel = dialog.Label(JobProgress::Lower)->text().toStdString(); });
    page.CountSpin()->setValue(2);
    page.CutAllButton()->click();
    EXPECT_EQ(lowerLabel, "Cutting 1 of 1 file(s)...");
    EXPECT_EQ(Status(page, 0), "2 pieces");
    EXPECT_EQ(
        Mp3FilesIn(files_.Path().string()), (std::vector<std::string> { "song.mp3", "song_01.mp3", "song_02.mp3" }));

    // By size and by time too, with the page's checks reported in the status.
    page.ModeButton(0)->click();
    page.SizeSpin()->setValue(32767);
    page.CutAllButton()->click();
    EXPECT_EQ(Status(page, 0), "Failure: The size of each piece is too large.");
    EXPECT_EQ(Mp3FilesIn(files_.Path().string()).size(), 3u); // a refused run keeps the earlier pieces
    page.ModeButton(2)->click();
    page.MinutesSpin()->setValue(0);
    page.SecondsSpin()->setValue(1);
    page.CutAllButton()->click();
    EXPECT_EQ(Status(page, 0), "3 pieces"); // a 3-second file in 1-second pieces
}

TEST_F(BatchCutterPageTest, ModesAndValuesComeFromTheStoreAndGoBackAtClose)
{
    StoreNumber(kBatchCutterSubkey, "CutType", 4); // no mode of this page (3 is by silence)
    StoreNumber(kBatchCutterSubkey, "CutFileSize", 2048);
    {
        BatchCutterPage page;
        page.show();
        EXPECT_TRUE(page.ModeButton(0)->isChecked());
        EXPECT_TRUE(page.SizeSpin()->isEnabled());
        EXPECT_FALSE(page.CountSpin()->isEnabled());
        EXPECT_FALSE(page.MinutesSpin()->isEnabled());
        EXPECT_EQ(page.SizeSpin()->value(), 2048);
        page.SizeSpin()->stepBy(1);
        EXPECT_EQ(page.SizeSpin()->value(), 2058);
        EXPECT_EQ(page.SecondsSpin()->maximum(), 59);
        EXPECT_EQ(page.CountSpin()->minimum(), 2);
        QTest::mouseClick(page.ModeButton(2), Qt::LeftButton);
        EXPECT_TRUE(page.MinutesSpin()->isEnabled());
        EXPECT_TRUE(page.SecondsSpin()->isEnabled());
        EXPECT_FALSE(page.SizeSpin()->isEnabled());
        EXPECT_TRUE(page.focusWidget() == page.MinutesSpin() || page.MinutesSpin()->isAncestorOf(page.focusWidget()));
        page.SecondsSpin()->setValue(30);
    }
    EXPECT_EQ(StoredNumber(kBatchCutterSubkey, "CutType"), 2);
    EXPECT_EQ(StoredNumber(kBatchCutterSubkey, "CutFileSize"), 2058);
    EXPECT_EQ(StoredNumber(kBatchCutterSubkey, "CutTimeSec"), 30);
    EXPECT_EQ(StoredNumber(kBatchCutterSubkey, "CutTimeMin"), 1);
}

TEST_F(BatchCutterPageTest, RemovingRowsAndTheContextMenuFollowTheSelection)
{
    BatchCutterPage page;
    ShowByCount(page, 2);
    EXPECT_FALSE(page.CutAllButton()->isEnabled());
    EXPECT_FALSE(page.RemoveAllButton()->isEnabled());
    page.OnRemove();
    page.OnRemoveAll();
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(messages_[0].text, "You should select a file at least.");
    EXPECT_EQ(messages_[1].icon, MessageIcon::Information);
    messages_.clear();

    page.LoadFileList({ WriteTone("a.mp3"), WriteTone("b.mp3"), WriteTone("c.mp3") });
    QMenu* menu = page.ContextMenu();
    const QStringList texts { "&Play", "", "Cut S&elected", "&Cut All", "", "&Browse Source Folder",
        "Browse &Output Folder", "", "&Add Files...", "Add &Folder...", "", "&Remove", "Remove A&ll" };
    ASSERT_EQ(menu->actions().size(), texts.size());
    for (int index = 0; index < texts.size(); ++index)
        EXPECT_EQ(menu->actions()[index]->text(), texts[index]);
    page.UpdateContextMenu();
    EXPECT_FALSE(MenuItem(menu, "&Play")->isEnabled());
    EXPECT_TRUE(MenuItem(menu, "&Cut All")->isEnabled());
    EXPECT_TRUE(MenuItem(menu, "Add &Folder...")->isEnabled());

    page.List()->SelectRow(0, true);
    EXPECT_TRUE(page.RemoveButton()->isEnabled());
    EXPECT_TRUE(page.CutSelectedButton()->isEnabled());
    page.UpdateContextMenu();
    EXPECT_TRUE(MenuItem(menu, "&Play")->isEnabled());
    EXPECT_FALSE(MenuItem(menu, "Browse &Output Folder")->isEnabled()); // not cut yet
    page.CutSelectedButton()->click();
    page.UpdateContextMenu();
    EXPECT_TRUE(MenuItem(menu, "Browse &Output Folder")->isEnabled());
    revealed_.clear();
    MenuItem(menu, "Browse &Output Folder")->trigger();
    MenuItem(menu, "&Browse Source Folder")->trigger();
    EXPECT_EQ(revealed_, (std::vector<std::string> { files_.File("a_01.mp3"), files_.File("a.mp3") }));

    // Double-click plays the row in the default player.
    QTreeWidgetItem* third = page.List()->topLevelItem(2);
    const QRect area = page.List()->visualItemRect(third);
    ASSERT_FALSE(area.isEmpty());
    QTest::mouseClick(page.List()->viewport(), Qt::LeftButton, {}, area.center());
    QTest::mouseDClick(page.List()->viewport(), Qt::LeftButton, {}, area.center());
    ASSERT_FALSE(openedUrls_.empty());
    EXPECT_EQ(openedUrls_.back(), QUrl::fromLocalFile(QString::fromStdString(files_.File("c.mp3"))));

    // Delete removes the selection; the pieces stay on disk.
    page.List()->clearSelection();
    page.List()->SelectRow(0, true);
    page.List()->SelectRow(2, true);
    page.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    page.List()->setFocus();
    QTest::keyClick(page.List(), Qt::Key_Delete);
    ASSERT_EQ(page.List()->RowCount(), 1);
    EXPECT_EQ(page.Record(0)->path, files_.File("b.mp3"));
    EXPECT_FALSE(page.RemoveButton()->isEnabled());
    EXPECT_TRUE(fs::exists(files_.File("a_01.mp3")));
    page.RemoveAllButton()->click();
    EXPECT_EQ(page.List()->RowCount(), 0);
    EXPECT_FALSE(page.CutAllButton()->isEnabled());
    EXPECT_FALSE(page.RemoveAllButton()->isEnabled());
    EXPECT_TRUE(messages_.empty());
}
