// Working while listening on the cutter page: the position moved by a frame or a second, [ and ]
// at the playing position, L looping the selected piece, and undo and redo of every edit of the
// pieces list, driven by the keys.
#include "tests/ui/cutter/CutterPageFixture.h"

#include "ui/cutter/LevelStrip.h"
#include "ui/cutter/SelectionSlider.h"
#include "ui/cutter/TagDialog.h"
#include "ui/playback/MediaPlayer.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTest>
#include <QTimer>

namespace {

class CutterPageKeysTest : public CutterPageFixture {
protected:
    explicit CutterPageKeysTest(double clockSpeed = 1.0)
        : CutterPageFixture(clockSpeed)
    {
    }
    // Every field of the list an edit may change, for exact comparisons.
    std::string State() const
    {
        std::string text;
        for (const PieceEntry& piece : page->Pieces().Entries()) {
            text += std::to_string(piece.start) + "-" + std::to_string(piece.end) + (piece.checked ? "+" : "-")
                + piece.tag.title + "/" + std::to_string(piece.trackNoType) + "@" + std::to_string(piece.startSample)
                + "," + std::to_string(piece.endSample) + " ";
        }
        return text;
    }
    void Undo()
    {
        page->PiecesList()->setFocus();
        QTest::keyClick(page->PiecesList(), Qt::Key_Z, Qt::ControlModifier);
    }
    void Redo()
    {
        page->PiecesList()->setFocus();
        QTest::keyClick(page->PiecesList(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(page->Slider(), static_cast<Qt::Key>(key), modifiers);
    }
    void RenameSelectedPiece(const QString& title)
    {
        QTimer::singleShot(0, [title] {
            auto* dialog = qobject_cast<TagDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->TitleEdit()->setText(title);
            dialog->OkButton()->click();
        });
        page->OnEditTag();
    }
    void AnswerYes()
    {
        SetMessageBoxHook([this](const QString& text, MessageIcon icon, MessageButtons buttons) {
            messages_.push_back({ text, icon, buttons });
            return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
        });
    }
};

class CutterPageLoopTest : public CutterPageKeysTest {
protected:
    CutterPageLoopTest()
        : CutterPageKeysTest(4.0)
    {
    }
};

} // namespace

TEST_F(CutterPageKeysTest, UndoRestoresTheExactListAfterEveryKindOfEditAndRedoRepeatsIt)
{
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 20, "Song")));
    page->ModeButton(3)->click();
    page->PiecesList()->setFocus();
    AnswerYes();
    std::vector<std::string> states { State() };
    const auto edited = [&] {
        ASSERT_NE(State(), states.back());
        states.push_back(State());
    };

    MoveSlider(50);
    page->OnAddPiece();
    edited();
    MoveSlider(100);
    page->OnAddPiece();
    edited();
    page->SelectRow(2);
    MoveSlider(80);
    page->OnSetStart();
    edited();
    page->SelectRow(0);
    MoveSlider(30);
    page->OnSetEnd();
    edited();
    page->OnBoundaryDragged(1, 12000.0); // the marker at 8 s dragged to 12 s
    edited();
    page->SelectRow(1);
    RenameSelectedPiece("Renamed");
    edited();
    page->PiecesList()->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    edited();
    page->SelectRow(1);
    page->OnRemove();
    edited();
    page->OnReset();
    edited();
    // Refused and empty edits are no steps.
    MoveSlider(0);
    page->OnAddPiece();
    page->SelectRow(0);
    page->OnSetStart();
    ASSERT_EQ(State(), states.back());

    for (size_t step = states.size() - 1; step > 0; --step) {
        Undo();
        ASSERT_EQ(State(), states[step - 1]) << "undo to step " << step - 1;
    }
    Undo(); // nothing left
    EXPECT_EQ(State(), states.front());
    for (size_t step = 1; step < states.size(); ++step) {
        Redo();
        ASSERT_EQ(State(), states[step]) << "redo to step " << step;
    }

    // A new edit after undoing forgets what was undone.
    Undo();
    Undo();
    ASSERT_EQ(State(), states[states.size() - 3]);
    MoveSlider(150);
    page->OnAddPiece();
    const std::string fresh = State();
    EXPECT_FALSE(page->History().CanRedo());
    Redo();
    EXPECT_EQ(State(), fresh);
    Undo();
    EXPECT_EQ(State(), states[states.size() - 3]);

    // Opening a file starts a new history.
    ASSERT_TRUE(page->OpenSource(Tone("other.mp3", 5)));
    EXPECT_FALSE(page->History().CanUndo());
}

TEST_F(CutterPageKeysTest, TheContextMenuUndoesAndRedoesWithItsKeysShownAndOnlyWhenThereIsAStep)
{
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 20)));
    page->ModeButton(3)->click();
    QAction* undo = page->UndoAction();
    QAction* redo = page->RedoAction();
    EXPECT_EQ(undo->text(), "&Undo");
    EXPECT_EQ(redo->text(), "Re&do"); // R is Remove's
    EXPECT_EQ(undo->shortcut().toString(), "Ctrl+Z");
    EXPECT_EQ(redo->shortcut().toString(), "Ctrl+Shift+Z");
    // Every entry has an access key of its own.
    QSet<QChar> keys;
    for (QAction* item : page->ContextMenu()->actions()) {
        if (item->isSeparator())
            continue;
        const qsizetype mark = item->text().indexOf('&');
        ASSERT_GE(mark, 0) << item->text().toStdString();
        const QChar key = item->text().at(mark + 1).toLower();
        EXPECT_FALSE(keys.contains(key)) << item->text().toStdString();
        keys.insert(key);
    }
    page->UpdateContextMenu();
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());

    const std::string opened = State();
    MoveSlider(50);
    page->OnAddPiece();
    const std::string added = State();
    page->UpdateContextMenu();
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());
    undo->trigger();
    EXPECT_EQ(State(), opened);
    page->UpdateContextMenu();
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_TRUE(redo->isEnabled());
    redo->trigger();
    EXPECT_EQ(State(), added);
    page->UpdateContextMenu();
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());

    // The key undoes once with the entry in the menu; outside the mode by selection neither entry
    // is offered.
    Undo();
    EXPECT_EQ(State(), opened);
    page->ModeButton(0)->click();
    page->UpdateContextMenu();
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());
}

TEST_F(CutterPageKeysTest, ArrowsMoveByAFrameOrASecondAndABoundarySetThereKeepsItsSample)
{
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 20)));
    page->ModeButton(3)->click();
    page->Slider()->setFocus();
    const int64_t rate = 22050;
    const int64_t frame = 576; // MPEG-2 Layer III
    MoveSlider(100);
    for (int i = 0; i < 4; ++i)
        Key(Qt::Key_Right);
    EXPECT_EQ(page->PositionSample(), 10 * rate + 4 * frame);
    EXPECT_EQ(page->Slider()->value(), 101); // 10.104 s shown to the tenth
    EXPECT_NEAR(page->Strip()->PositionMs(), 10104.5, 0.1);
    Key(Qt::Key_Left);
    EXPECT_EQ(page->PositionSample(), 10 * rate + 3 * frame);

    // ] there: the boundary keeps the sample, on both sides.
    Key(Qt::Key_BracketRight);
    ASSERT_EQ(Layout(), "0-101 101-" + std::to_string(page->Duration()));
    EXPECT_EQ(page->Pieces().Entries()[0].endSample, 10 * rate + 3 * frame);
    EXPECT_EQ(page->Pieces().Entries()[1].startSample, 10 * rate + 3 * frame);

    // Shift moves by a second and forgets the finer position.
    Key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(page->Slider()->value(), 111);
    EXPECT_EQ(page->PositionSample(), 111 * rate / 10);
    MoveSlider(0);
    Key(Qt::Key_Left);
    EXPECT_EQ(page->PositionSample(), 0);
    MoveSlider(page->Duration());
    Key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(page->Slider()->value(), page->Duration());

    // [ on the list reaches the page too: Set Start of the selected piece at the position.
    page->SelectRow(1);
    MoveSlider(60);
    QTest::keyClick(page->PiecesList(), Qt::Key_BracketLeft);
    EXPECT_EQ(Layout(), "0-60 60-" + std::to_string(page->Duration()));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(CutterPageKeysTest, BracketsDuringPlaybackTakeThePlayingPosition)
{
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 20)));
    page->ModeButton(3)->click();
    page->Slider()->setFocus();
    MoveSlider(50);
    page->OnPlay();
    QTest::qWait(450);
    Key(Qt::Key_BracketLeft); // Set Start of the only piece: it splits where the sound is
    const int64_t heard = page->Device()->PositionMs();
    ASSERT_EQ(page->Pieces().Size(), 2u);
    const PieceEntry& second = page->Pieces().Entries()[1];
    EXPECT_GT(second.start, 50);
    EXPECT_NEAR(second.start * 100.0, static_cast<double>(heard), 150.0);
    EXPECT_NEAR(static_cast<double>(second.startSample), second.start * 2205.0, 1102.5);
    EXPECT_EQ(page->State(), CutterPage::kPlaying);
}

TEST_F(CutterPageLoopTest, LLoopsTheSelectedPieceUntilPressedAgain)
{
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 8)));
    page->ModeButton(3)->click();
    MoveSlider(20);
    page->OnAddPiece();
    MoveSlider(30);
    page->OnAddPiece();
    page->SelectRow(1); // 2.0-3.0 s
    page->Slider()->setFocus();
    page->OnPlay(); // L during playback turns it into the loop
    Key(Qt::Key_L);
    EXPECT_TRUE(page->Looping());
    EXPECT_EQ(page->State(), CutterPage::kPreviewing);
    // At four times real time a pass lasts 0.25 s: the sound comes back to the start and plays on.
    int passes = 0;
    int64_t before = page->Device()->PositionMs();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const int64_t now = page->Device()->PositionMs();
            if (now < before)
                ++passes;
            before = now;
            return passes >= 2;
        },
        5000));
    EXPECT_EQ(page->State(), CutterPage::kPreviewing);
    EXPECT_GE(page->Device()->PositionMs(), 2000);
    EXPECT_LE(page->Device()->PositionMs(), 3000);

    // L again: the pass under way ends the preview at the piece's end.
    Key(Qt::Key_L);
    EXPECT_FALSE(page->Looping());
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->State() == CutterPage::kIdle; }, 3000));
    EXPECT_EQ(page->Slider()->value(), 20);

    // Stop ends a loop too.
    Key(Qt::Key_L);
    ASSERT_TRUE(page->Looping());
    page->OnStop();
    EXPECT_FALSE(page->Looping());
    EXPECT_EQ(page->State(), CutterPage::kIdle);
}
