// "Save Selection As..." on the cutter page: the selected piece alone, exact to the sample and with
// its tag, through the save dialog, the button and the context menu; refusals and failures that
// leave every file as it was.
#include "tests/ui/cutter/CutterPageFixture.h"

#include "engine/stream/ID3TagInfo.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/GaplessDecode.h"
#include "ui/cutter/TagDialog.h"
#include "ui/widgets/ProgressDialog.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <filesystem>

namespace {

class CutterPageSaveSelectionTest : public CutterPageFixture {
protected:
    // Six seconds of music-like sound with the encoder's LAME tag and an ID3v1 tag; pieces
    // 0-1.5 s, 1.5-3.2 s and 3.2 s to the end, the middle one selected.
    std::string OpenThreePieces()
    {
        const std::string path = folder.File("song.mp3");
        Bytes bytes = EncodePcm(MakeMusic(6.0, 22050, 1), 64, false, true);
        Append(bytes, ID3v1("Song", "Singer", 0, 17));
        WriteFile(path, bytes);
        EXPECT_TRUE(page->OpenSource(path));
        page->ModeButton(3)->click();
        for (const int32_t at : { 15, 32 }) {
            page->MoveSliderByUser(at);
            page->OnAddPiece();
        }
        page->SelectRow(1);
        return path;
    }
    static int64_t SampleAt(int32_t tenths, int rate) { return (int64_t { tenths } * rate + 5) / 10; }

    void EditTagOfSelectedPiece(const QString& title)
    {
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TagDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->TitleEdit()->setText(title);
            dialog->OkButton()->click();
        });
        page->OnEditTag();
    }
    // Answers the next save dialog with name, or cancels it when name is empty; Offered() then
    // says the name it offered.
    void AnswerSaveDialog(const std::string& name)
    {
        auto offered = std::make_shared<QString>();
        QTimer::singleShot(0, [offered, name] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
            *offered = dialog->selectedFiles().value(0);
            if (name.empty()) {
                dialog->reject();
                return;
            }
            dialog->selectFile(QString::fromStdString(name));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        offered_ = offered;
    }
    QString Offered() const { return offered_ ? *offered_ : QString(); }

    static ProgressDialog* OpenProgressDialog()
    {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<ProgressDialog*>(window); dialog && dialog->IsHeldByJob())
                return dialog;
        }
        return nullptr;
    }

    std::shared_ptr<QString> offered_;
};

} // namespace

TEST_F(CutterPageSaveSelectionTest, TheSelectedPieceIsWrittenAloneToTheSampleWithItsTag)
{
    const std::string source = OpenThreePieces();
    const Bytes sourceBytes = ReadFile(source);
    EditTagOfSelectedPiece("Middle");
    const std::string excerpt = folder.File("excerpt.mp3");
    ASSERT_TRUE(page->SaveSelectionTo(excerpt));
    EXPECT_TRUE(messages_.empty()) << messages_.front().text.toStdString();

    const Pcm whole = DecodeGapless(source);
    size_t differences = 0;
    const int rate = whole.sampleRate;
    const Pcm piece = DecodeGaplessAgainst(excerpt, whole, static_cast<size_t>(SampleAt(15, rate)), differences);
    EXPECT_EQ(static_cast<int64_t>(piece.left.size()), SampleAt(32, rate) - SampleAt(15, rate));
    EXPECT_EQ(differences, 0u);
    ID3TagInfo tag;
    ASSERT_TRUE(ReadID3v1Tag(excerpt, tag));
    EXPECT_STREQ(tag.title, "Middle");
    EXPECT_EQ(tag.track, 2); // numbered as a cut numbers the second piece
    EXPECT_EQ(tag.genre, 17);

    // The last piece runs to the end of the source.
    page->SelectRow(2);
    const std::string tail = folder.File("tail.mp3");
    ASSERT_TRUE(page->SaveSelectionTo(tail));
    const Pcm last = DecodeGaplessAgainst(tail, whole, static_cast<size_t>(SampleAt(32, rate)), differences);
    EXPECT_EQ(static_cast<int64_t>(last.left.size()), static_cast<int64_t>(whole.left.size()) - SampleAt(32, rate));
    EXPECT_EQ(differences, 0u);

    // An excerpt is no piece of a run, the rows know no file, the source is untouched; Cut Now still
    // wants two checked pieces.
    EXPECT_TRUE(page->OutputFiles().empty());
    for (const PieceEntry& entry : page->Pieces().Entries())
        EXPECT_TRUE(entry.outputPath.empty());
    EXPECT_EQ(ReadFile(source), sourceBytes);
    for (int row : { 0, 2 })
        page->PiecesList()->topLevelItem(row)->setCheckState(0, Qt::Unchecked);
    page->OnCutNow();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "Please add a piece and check it first.");
}

TEST_F(CutterPageSaveSelectionTest, WithFadesOnTheExcerptIsEncodedAgainOverTheSameSpan)
{
    OpenThreePieces();
    options.cut.EnableFadeIn = true;
    options.cut.FadeInLen = 5;
    const std::string faded = folder.File("faded.mp3");
    ASSERT_TRUE(page->SaveSelectionTo(faded));
    const Pcm decoded = DecodeGapless(faded);
    // Re-encoded pieces keep whole frames of 576 samples at 22.05 kHz.
    EXPECT_NEAR(static_cast<double>(decoded.left.size()), 1.7 * 22050, 2 * 576.0);
    // It starts silent and swells.
    EXPECT_LT(RmsLevel(decoded.left, 0, 1000), RmsLevel(decoded.left, 15000, 16000));
}

TEST_F(CutterPageSaveSelectionTest, TheButtonAndTheMenuAskForTheNameBesideTheSource)
{
    OpenThreePieces();
    EXPECT_TRUE(page->SaveSelectionButton()->isEnabled());
    page->UpdateContextMenu();
    EXPECT_TRUE(page->SaveSelectionAction()->isEnabled());

    AnswerSaveDialog(folder.File("from button.mp3"));
    page->SaveSelectionButton()->click();
    EXPECT_EQ(Offered().toStdString(), folder.File("song_02.mp3"));
    EXPECT_TRUE(std::filesystem::exists(folder.File("from button.mp3")));

    // The menu's item; a name without extension gets ".mp3".
    page->SelectRow(0);
    AnswerSaveDialog(folder.File("from menu"));
    page->SaveSelectionAction()->trigger();
    EXPECT_EQ(Offered().toStdString(), folder.File("song_01.mp3"));
    EXPECT_TRUE(std::filesystem::exists(folder.File("from menu.mp3")));

    // A cancelled dialog writes nothing.
    const auto before = std::distance(std::filesystem::directory_iterator(folder.Path()), {});
    AnswerSaveDialog("");
    page->OnSaveSelectionAs();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), before);
    EXPECT_TRUE(messages_.empty());

    // Outside the mode by selection neither is offered.
    page->ModeButton(0)->click();
    EXPECT_FALSE(page->SaveSelectionButton()->isEnabled());
    page->UpdateContextMenu();
    EXPECT_FALSE(page->SaveSelectionAction()->isEnabled());
}

TEST_F(CutterPageSaveSelectionTest, TheSourceIsNeverTheTargetAndAFailureLeavesEveryFileAsItWas)
{
    const std::string source = OpenThreePieces();
    const Bytes sourceBytes = ReadFile(source);
    // The source, by its name and through a link.
    const std::string link = folder.File("link.mp3");
    std::filesystem::create_symlink(source, link);
    for (const std::string& target : { source, link }) {
        EXPECT_FALSE(page->SaveSelectionTo(target));
        ASSERT_FALSE(messages_.empty());
        EXPECT_TRUE(messages_.back().text.startsWith("Failed to create file \"" + QString::fromStdString(target)))
            << messages_.back().text.toStdString();
    }
    EXPECT_EQ(ReadFile(source), sourceBytes);
    EXPECT_TRUE(std::filesystem::is_symlink(link));

    // A folder, and a name in a folder that does not exist.
    const std::string box = folder.File("box.mp3");
    std::filesystem::create_directory(box);
    EXPECT_FALSE(page->SaveSelectionTo(box));
    EXPECT_EQ(messages_.back().text.toStdString(), "Failed to create file \"" + box + "\".");
    EXPECT_TRUE(std::filesystem::is_directory(box));
    const std::string nowhere = folder.File("missing/piece.mp3");
    EXPECT_FALSE(page->SaveSelectionTo(nowhere));
    EXPECT_EQ(messages_.back().text.toStdString(), "Failed to create file \"" + nowhere + "\".");
    EXPECT_FALSE(std::filesystem::exists(folder.File("missing")));

    // Cancelled: an existing file of that name keeps its bytes and nothing is said.
    const std::string kept = folder.File("kept.mp3");
    WriteFile(kept, Bytes { 'o', 'l', 'd' });
    const size_t said = messages_.size();
    QTimer::singleShot(0, [] {
        if (ProgressDialog* dialog = OpenProgressDialog())
            dialog->Cancel();
    });
    EXPECT_FALSE(page->SaveSelectionTo(kept));
    EXPECT_EQ(messages_.size(), said);
    EXPECT_EQ(ReadFile(kept), (Bytes { 'o', 'l', 'd' }));
    EXPECT_EQ(ReadFile(source), sourceBytes);
}

TEST_F(CutterPageSaveSelectionTest, AnExcerptSavedOverAPieceOfTheLastRunOutlivesTheNextRun)
{
    OpenThreePieces();
    page->OnCutNow();
    ASSERT_EQ(page->OutputFiles().size(), 3u);
    const std::vector<std::string> run = page->OutputFiles();
    page->SelectRow(1);
    ASSERT_TRUE(page->SaveSelectionTo(run[0]));
    EXPECT_EQ(page->OutputFiles().size(), 2u);
    EXPECT_TRUE(page->Pieces().Entries()[0].outputPath.empty());
    EXPECT_EQ(page->Pieces().Entries()[1].outputPath, run[1]);
    // The next run deletes the last run's pieces first (here it is cancelled right after), not the
    // excerpt that replaced one of them.
    const Bytes excerpt = ReadFile(run[0]);
    QTimer::singleShot(0, [] {
        if (ProgressDialog* dialog = OpenProgressDialog())
            dialog->Cancel();
    });
    page->OnCutNow();
    EXPECT_TRUE(messages_.empty());
    ASSERT_TRUE(std::filesystem::exists(run[0]));
    EXPECT_EQ(ReadFile(run[0]), excerpt);
    EXPECT_FALSE(std::filesystem::exists(run[1]));
    EXPECT_FALSE(std::filesystem::exists(run[2]));
}
