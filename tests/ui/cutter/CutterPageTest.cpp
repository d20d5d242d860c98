// The cutter page on real MP3 files: opening, the pieces list and its editing, the split modes,
// the refusals, failed opens and drops.
#include "tests/ui/cutter/CutterPageFixture.h"

#include "engine/stream/CountStreamSamples.h"
#include "platform/TextFormat.h"
#include "ui/widgets/DigitsSpinEdit.h"
#include "ui/cutter/SelectionSlider.h"
#include "ui/widgets/SpinEdit.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <filesystem>
#include <sys/stat.h>

namespace {

class CutterPageTest : public CutterPageFixture {
protected:
    bool PieceButtonsEnabled() const
    {
        for (QPushButton* button : { page->PreviewButton(), page->TagButton(), page->RemoveButton(),
                 page->GoToStartButton(), page->GoToEndButton(), page->SetStartButton(), page->SetEndButton() }) {
            if (!button->isEnabled())
                return false;
        }
        return true;
    }
    bool NoSourceState() const
    {
        return !page->HasSource() && Rows() == 0 && page->SourceEdit()->text().isEmpty()
            && page->InfoText()->toPlainText().isEmpty() && !page->CutButton()->isEnabled()
            && !page->PlayButton()->isEnabled() && !page->Slider()->isEnabled() && !page->ModeButton(3)->isEnabled()
            && page->OpenButton()->isEnabled();
    }
    void AnswerQuestions(MessageAnswer answer)
    {
        SetMessageBoxHook([this, answer](const QString& text, MessageIcon icon, MessageButtons buttons) {
            messages_.push_back({ text, icon, buttons });
            return buttons == MessageButtons::YesNo ? answer : MessageAnswer::Ok;
        });
    }
};

} // namespace

TEST_F(CutterPageTest, OpeningGivesOneCheckedSelectedPieceOverTheWholeFileWithTheSourceTag)
{
    EXPECT_TRUE(NoSourceState());
    EXPECT_EQ(page->CutButton()->text(), "C&ut Now!");
    const std::string path = Tone("Stück.mp3", 12, "Song", 7, 17);
    ASSERT_TRUE(page->OpenSource(path));

    StreamSampleCount count;
    ASSERT_TRUE(CountStreamSamples(path, count));
    const int32_t duration = static_cast<int32_t>(count.DurationMs() / 100);
    EXPECT_EQ(page->Duration(), duration);
    EXPECT_EQ(page->SourceEdit()->text().toStdString(), path);
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(0, CutterPage::kNumber), "1");
    EXPECT_EQ(Cell(0, CutterPage::kStart), "0:00.0");
    EXPECT_EQ(Cell(0, CutterPage::kEnd), page->TimeText(duration));
    EXPECT_EQ(Cell(0, CutterPage::kLength), page->TimeText(duration));
    EXPECT_EQ(Cell(0, CutterPage::kSize).toStdString(), FormatSize(std::filesystem::file_size(path)));
    EXPECT_EQ(Cell(0, CutterPage::kTrack), "Auto");
    EXPECT_EQ(Cell(0, CutterPage::kTitle), "Song");
    EXPECT_EQ(Cell(0, CutterPage::kArtist), "Singer");
    EXPECT_EQ(Cell(0, CutterPage::kGenre), "Rock");
    EXPECT_EQ(page->PiecesList()->topLevelItem(0)->checkState(0), Qt::Checked);
    EXPECT_EQ(page->SelectedRow(), 0);
    EXPECT_EQ(page->Slider()->maximum(), duration);
    EXPECT_EQ(page->Slider()->pageStep(), duration / 20);
    EXPECT_EQ(page->Slider()->SelectionEnd(), duration);
    EXPECT_EQ(page->PositionEdit()->Text(), "0:00.0");

    const QString info = page->InfoText()->toPlainText();
    EXPECT_TRUE(info.startsWith(QString::fromStdString("Length: " + FormatTime(duration / 10) + "          Size: ")))
        << info.toStdString();
    EXPECT_TRUE(info.contains("\n\nTrack #: 7\nTitle: Song\nArtist: Singer\n")) << info.toStdString();
    EXPECT_TRUE(info.contains("          Genre: Rock\nComment: ")) << info.toStdString();
    // The stored mode is by selection: the list and its buttons work, the split edits do not.
    EXPECT_TRUE(page->ModeButton(3)->isChecked());
    EXPECT_TRUE(page->PiecesList()->isEnabled());
    EXPECT_TRUE(PieceButtonsEnabled());
    EXPECT_FALSE(page->SizeEdit()->isEnabled());
    EXPECT_TRUE(messages_.empty());
}

TEST_F(CutterPageTest, ASourceWithoutTagHasEmptyTagLinesAndPiecesWithoutGenre)
{
    ASSERT_TRUE(page->OpenSource(Tone("plain.mp3", 3)));
    EXPECT_EQ(page->SourceTag().genre, 255);
    EXPECT_EQ(page->Pieces().Entries()[0].tag.genre, 255);
    EXPECT_EQ(Cell(0, CutterPage::kGenre), "");
    EXPECT_TRUE(
        page->InfoText()->toPlainText().contains("Track #: \nTitle: \nArtist: \nAlbum: \nYear:           Genre: \n"));
}

TEST_F(CutterPageTest, AddPieceSplitsThePieceUnderTheSliderAndRefusesExistingBoundaries)
{
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 20)));
    const int32_t end = page->Duration();
    MoveSlider(100);
    page->OnAddPiece();
    MoveSlider(50);
    page->OnAddPiece();
    EXPECT_EQ(Layout(), "0-50 50-100 100-" + std::to_string(end));
    EXPECT_EQ(Cell(2, CutterPage::kNumber), "3");
    EXPECT_EQ(Cell(1, CutterPage::kLength), "0:05.0");
    EXPECT_EQ(page->SelectedRow(), 1);
    EXPECT_EQ(page->Slider()->SelectionStart(), 50);
    EXPECT_EQ(page->Slider()->SelectionEnd(), 100);
    for (QTreeWidgetItem* item : { page->PiecesList()->topLevelItem(0), page->PiecesList()->topLevelItem(1) })
        EXPECT_EQ(item->checkState(0), Qt::Checked);

    for (const int32_t boundary : { 50, 0, end }) {
        MoveSlider(boundary);
        page->OnAddPiece();
    }
    ASSERT_EQ(messages_.size(), 3u);
    EXPECT_EQ(messages_[0].text, "0:05.0 has been added.");
    EXPECT_EQ(messages_[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(messages_[1].text, "0:00.0 has been added.");
    EXPECT_EQ(Layout(), "0-50 50-100 100-" + std::to_string(end));
}

TEST_F(CutterPageTest, SetStartAndSetEndMoveBoundariesWithoutGapsAndRefuseEmptyPieces)
{
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 20)));
    const std::string end = std::to_string(page->Duration());
    // Set Start on the first piece splits it; the first piece still starts at 0.
    MoveSlider(30);
    page->OnSetStart();
    EXPECT_EQ(Layout(), "0-30 30-" + end);
    EXPECT_EQ(page->SelectedRow(), 1);
    EXPECT_TRUE(page->Slider()->hasFocus() || !QApplication::focusWidget());

    // Set End on the last piece before its end adds a new last piece.
    MoveSlider(120);
    page->OnSetEnd();
    EXPECT_EQ(Layout(), "0-30 30-120 120-" + end);
    MoveSlider(60);
    page->OnAddPiece();
    MoveSlider(90);
    page->OnAddPiece();
    EXPECT_EQ(Layout(), "0-30 30-60 60-90 90-120 120-" + end);

    // Refusals change nothing.
    page->SelectRow(2);
    MoveSlider(60);
    page->OnSetEnd();
    MoveSlider(90);
    page->OnSetStart();
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(messages_[0].text, "You can not set the end position less than or equal to the start position.");
    EXPECT_EQ(messages_[1].text, "You can not set the start position greater than or equal to the end position.");
    EXPECT_EQ(Layout(), "0-30 30-60 60-90 90-120 120-" + end);

    // Set End far right swallows the pieces in between; the rows are renumbered.
    page->SelectRow(1);
    MoveSlider(150);
    page->OnSetEnd();
    EXPECT_EQ(Layout(), "0-30 30-150 150-" + end);
    EXPECT_EQ(Cell(2, CutterPage::kNumber), "3");
    EXPECT_EQ(page->Slider()->SelectionEnd(), 150);
    // Set Start far left onto a boundary swallows the pieces before.
    page->SelectRow(2);
    MoveSlider(0);
    page->OnSetStart();
    EXPECT_EQ(Layout(), "0-" + end);
    EXPECT_EQ(Rows(), 1);
    EXPECT_EQ(page->SelectedRow(), 0);
}

TEST_F(CutterPageTest, GoToAndThePositionSpinMoveTheSliderBySeconds)
{
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 20)));
    MoveSlider(75);
    page->OnAddPiece();
    page->OnGoToEnd();
    EXPECT_EQ(page->Slider()->value(), page->Duration());
    page->OnGoToStart();
    EXPECT_EQ(page->Slider()->value(), 75);
    EXPECT_EQ(page->PositionEdit()->Text(), "0:07.5");
    page->PositionEdit()->stepBy(1);
    EXPECT_EQ(page->Slider()->value(), 85);
    EXPECT_EQ(page->PositionEdit()->Text(), "0:08.5");
    page->PositionEdit()->stepBy(-1);
    page->PositionEdit()->stepBy(-1);
    EXPECT_EQ(page->Slider()->value(), 65);
    for (int click = 0; click < 10; ++click)
        page->PositionEdit()->stepBy(-1);
    EXPECT_EQ(page->Slider()->value(), 0);
}

TEST_F(CutterPageTest, RemoveAndResetKeepTheInvariantAndAskFirst)
{
    const std::string path = Tone("song.mp3", 20);
    ASSERT_TRUE(page->OpenSource(path));
    const std::string end = std::to_string(page->Duration());
    // Reset with one row asks nothing.
    page->OnReset();
    EXPECT_TRUE(messages_.empty());
    // Remove on the only piece asks; No keeps everything.
    AnswerQuestions(MessageAnswer::No);
    page->OnRemove();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "Are you sure you want to close current file?");
    EXPECT_EQ(messages_[0].icon, MessageIcon::Question);
    EXPECT_EQ(messages_[0].buttons, MessageButtons::YesNo);
    EXPECT_TRUE(page->HasSource());
    EXPECT_EQ(Rows(), 1);

    for (const int32_t at : { 40, 80, 120 }) {
        MoveSlider(at);
        page->OnAddPiece();
    }
    page->SelectRow(0);
    page->OnRemove();
    EXPECT_EQ(Layout(), "0-80 80-120 120-" + end);
    EXPECT_EQ(page->SelectedRow(), 0);
    page->SelectRow(2);
    page->OnRemove();
    EXPECT_EQ(Layout(), "0-80 80-" + end);
    EXPECT_EQ(page->SelectedRow(), 1);

    page->PiecesList()->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    EXPECT_FALSE(page->Pieces().Entries()[0].checked);
    page->OnReset();
    EXPECT_EQ(Layout(), "0-80 80-" + end); // No
    AnswerQuestions(MessageAnswer::Yes);
    page->OnReset();
    EXPECT_EQ(messages_.back().text, "Are you sure you want to reset all pieces?");
    EXPECT_EQ(Layout(), "0-" + end);
    EXPECT_EQ(page->PiecesList()->topLevelItem(0)->checkState(0), Qt::Unchecked);

    page->OnRemove();
    EXPECT_TRUE(NoSourceState());
    EXPECT_TRUE(std::filesystem::exists(path));
}

TEST_F(CutterPageTest, SplitModesEnableTheirControlsAndAnEmptyEditIsReported)
{
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 6)));
    page->ModeButton(0)->click();
    EXPECT_EQ(page->Settings().splitMode.CutType, 0);
    EXPECT_TRUE(page->SizeEdit()->isEnabled());
    EXPECT_FALSE(page->CountEdit()->isEnabled());
    EXPECT_FALSE(page->PiecesList()->isEnabled());
    EXPECT_FALSE(page->AddPieceButton()->isEnabled());
    EXPECT_FALSE(page->ResetButton()->isEnabled());
    EXPECT_EQ(page->SelectedRow(), 0);
    EXPECT_FALSE(page->SetEndButton()->isEnabled()); // a selected row does not enable them
    page->UpdateContextMenu();
    for (QAction* item :
        { page->PreviewAction(), page->TagAction(), page->RemoveAction(), page->ResetAction(), page->BrowseAction() })
        EXPECT_FALSE(item->isEnabled());

    page->ModeButton(2)->click();
    EXPECT_TRUE(page->MinutesEdit()->isEnabled());
    EXPECT_TRUE(page->SecondsEdit()->isEnabled());
    EXPECT_FALSE(page->SizeEdit()->isEnabled());

    // The KB arrows move by ten.
    page->SizeEdit()->SetText("1024");
    page->SizeEdit()->stepBy(1);
    EXPECT_EQ(page->SizeEdit()->Text(), "1034");

    // An empty count is said and shows its value in force again; the other edits and the mode
    // are taken all the same.
    const int32_t count = page->Settings().splitMode.CutFileAmount;
    page->CountEdit()->SetText("");
    page->SecondsEdit()->SetText("30");
    page->ModeButton(3)->click();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "Please enter an integer.");
    EXPECT_EQ(page->Settings().splitMode.CutFileSize, 1034);
    EXPECT_EQ(page->Settings().splitMode.CutFileAmount, count);
    EXPECT_EQ(page->CountEdit()->Text(), QString::number(count));
    EXPECT_EQ(page->Settings().splitMode.CutTimeSec, 30);
    EXPECT_EQ(page->Settings().splitMode.CutType, 3);
    EXPECT_TRUE(page->PiecesList()->isEnabled());
    EXPECT_TRUE(page->SetEndButton()->isEnabled());
    page->UpdateContextMenu();
    EXPECT_TRUE(page->PreviewAction()->isEnabled());
    EXPECT_TRUE(page->ResetAction()->isEnabled());
    EXPECT_FALSE(page->BrowseAction()->isEnabled()); // nothing written yet
}

TEST_F(CutterPageTest, TimesShowHoursFromAnHourOfSourceOn)
{
    // A short real tone to decode, then silent-bodied frames of the same format up to the length:
    // 576 samples at 8000 Hz make 72 ms a frame.
    ToneSpec shape;
    shape.sampleRate = 8000;
    shape.channels = 1;
    shape.bitrate = 8;
    shape.seconds = 1;
    const Bytes tone = EncodeTone(shape);
    WriteFile(folder.File("tone.mp3"), tone);
    StreamSampleCount toneCount;
    ASSERT_TRUE(CountStreamSamples(folder.File("tone.mp3"), toneCount));
    ASSERT_EQ(toneCount.sampleRate, 8000);
    const FrameSpec filler { 0, 3, 1, 2, 0, 3 }; // MPEG-2.5 layer III, 8 kbit/s, 8000 Hz, mono
    for (const auto& [name, frames] : { std::pair { "short.mp3", 49999 }, std::pair { "long.mp3", 50000 } }) {
        Bytes bytes = tone;
        Append(bytes, Frames(filler, frames - static_cast<int>(toneCount.frameCount), false));
        WriteFile(folder.File(name), bytes);
    }

    ASSERT_TRUE(page->OpenSource(folder.File("short.mp3")));
    EXPECT_EQ(page->Duration(), 35999);
    EXPECT_EQ(Cell(0, CutterPage::kEnd), "59:59.9");
    MoveSlider(50);
    EXPECT_EQ(page->PositionEdit()->Text(), "0:05.0");

    ASSERT_TRUE(page->OpenSource(folder.File("long.mp3")));
    EXPECT_EQ(page->Duration(), 36000);
    EXPECT_EQ(Cell(0, CutterPage::kEnd), "1:00:00.0");
    EXPECT_EQ(Cell(0, CutterPage::kStart), "0:00:00.0");
    MoveSlider(50);
    EXPECT_EQ(page->PositionEdit()->Text(), "0:00:05.0");
    page->OnAddPiece();
    EXPECT_EQ(Cell(1, CutterPage::kLength), "0:59:55.0");
}

TEST_F(CutterPageTest, AFileThatCannotBeOpenedLeavesNoSourceAndIsReported)
{
    const std::string good = Tone("good.mp3", 4);
    const Bytes goodBytes = ReadFile(good);
    WriteFile(folder.File("text.mp3"), Bytes(5000, 'a'));
    WriteFile(folder.File("empty.mp3"), {});
    WriteFile(folder.File("audio.wav"), goodBytes);
    // Damaged beyond the first frame: one frame header and then junk.
    Bytes damaged(goodBytes.begin(), goodBytes.begin() + 4);
    damaged.resize(3000, 0xFF);
    WriteFile(folder.File("damaged.mp3"), damaged);
    std::filesystem::create_directory(folder.File("folder.mp3"));
    ASSERT_EQ(::mkfifo(folder.File("fifo.mp3").c_str(), 0600), 0);

    for (const char* name :
        { "text.mp3", "empty.mp3", "audio.wav", "damaged.mp3", "folder.mp3", "fifo.mp3", "missing.mp3" }) {
        messages_.clear();
        ASSERT_TRUE(page->OpenSource(good));
        MoveSlider(20);
        page->OnAddPiece();
        EXPECT_FALSE(page->OpenSourceAndReport(folder.File(name))) << name;
        EXPECT_TRUE(NoSourceState()) << name;
        ASSERT_EQ(messages_.size(), 1u) << name;
        EXPECT_EQ(messages_[0].text.toStdString(),
            "Failed to open file \"" + folder.File(name)
                + "\".\n\nTo get help, please contact us at "
                  "<support@sonicrop.example>.");
        EXPECT_EQ(page->Device(), nullptr);
    }
    EXPECT_EQ(ReadFile(good), goodBytes);
}

TEST_F(CutterPageTest, ADropOpensTheFirstMp3ThatOpensAndPassesOverTheRest)
{
    const std::string first = Tone("first.mp3", 3);
    const std::string second = Tone("second.mp3", 4);
    std::filesystem::create_directory(folder.File("albums"));
    WriteFile(folder.File("notes.txt"), Bytes(100, 'a'));
    WriteFile(folder.File("broken.mp3"), Bytes(100, 0));

    auto drop = [this](const std::vector<std::string>& paths) {
        auto* data = new QMimeData;
        QList<QUrl> urls;
        for (const std::string& path : paths)
            urls.push_back(QUrl::fromLocalFile(QString::fromStdString(path)));
        data->setUrls(urls);
        // The application delivers a drop only to the widget that accepted the drag's entry.
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(page.get(), &enter);
        QDropEvent event(QPointF(20, 20), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(page.get(), &event);
        delete data;
    };
    drop({ folder.File("albums"), second, first });
    EXPECT_EQ(page->SourcePath(), second);
    drop({ folder.File("broken.mp3"), first, second });
    EXPECT_EQ(page->SourcePath(), first);
    // Nothing droppable by its name: the pieces of the loaded file stay.
    MoveSlider(10);
    page->OnAddPiece();
    drop({ folder.File("albums"), folder.File("notes.txt") });
    EXPECT_EQ(page->SourcePath(), first);
    EXPECT_EQ(Rows(), 2);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(CutterPageTest, AWiderPageWidensThePiecesListsTextColumnsAndNoOther)
{
    QTreeWidget* list = page->PiecesList();
    page->resize(PropertyPage::PageSize());
    QApplication::processEvents();
    const int title = list->columnWidth(6);
    const int start = list->columnWidth(1);
    const int genre = list->columnWidth(10);
    page->resize(PropertyPage::PageSize() + QSize(600, 270));
    QApplication::processEvents();
    EXPECT_GT(list->columnWidth(6), title + 20);   // Title
    EXPECT_GT(list->columnWidth(10), genre + 10);  // Genre
    EXPECT_EQ(list->columnWidth(1), start);        // Start keeps its width
    int all = 0;
    for (int column = 0; column < list->columnCount(); ++column)
        all += list->columnWidth(column);
    EXPECT_LE(all, list->viewport()->width());     // no horizontal scrolling when there is room
    EXPECT_GT(all, list->viewport()->width() - 12);
    // Back at the default size the columns keep their own widths.
    page->resize(PropertyPage::PageSize());
    QApplication::processEvents();
    EXPECT_EQ(list->columnWidth(6), title);
}
