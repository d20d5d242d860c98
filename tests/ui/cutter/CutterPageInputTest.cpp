// What the user types, drags and presses on the cutter page: the position box read on Enter, the
// position shown while the thumb is dragged, the split edits and the mode after a refused read,
// and the pieces list's context menu from the keyboard.
#include "tests/ui/cutter/CutterPageFixture.h"

#include "ui/cutter/PositionText.h"
#include "ui/cutter/SelectionSlider.h"
#include "ui/playback/MediaPlayer.h"
#include "ui/widgets/DigitsSpinEdit.h"
#include "ui/widgets/SpinEdit.h"

#include <QApplication>
#include <QMenu>
#include <QRadioButton>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>
#include <filesystem>

namespace {

using CutterPageInputTest = CutterPageFixture;

// Types text into the position box and confirms it with Enter, as the user does.
void EnterPosition(SpinEdit* edit, const QString& text)
{
    edit->setFocus();
    edit->SetText(text);
    QTest::keyClick(edit, Qt::Key_Return);
}

} // namespace

TEST(PositionText, ReadsTheTimesThePageWritesAndRefusesTheRest)
{
    const std::pair<const char*, std::optional<int32_t>> cases[] = {
        { "0:42.5", 425 }, { "1:00:05.0", 36050 }, { "75", 750 }, { "75.5", 755 }, { " 2:03 ", 1230 },
        { "0:10.34", 103 }, // rounded to the nearest tenth
        { "0:10.35", 104 }, { "90:00.0", 54000 }, // minutes are not limited without hours
        { "", std::nullopt }, { "abc", std::nullopt }, { "1:75.0", std::nullopt }, { "1:60:00", std::nullopt },
        { "1:2:3:4", std::nullopt }, { "-5", std::nullopt }, { "5.", std::nullopt }, { ":30", std::nullopt },
        { "999999999:00", std::nullopt }, // beyond 32-bit tenths
    };
    for (const auto& [text, tenths] : cases)
        EXPECT_EQ(ParsePositionText(text), tenths) << text;
}

TEST_F(CutterPageInputTest, EnterInThePositionBoxMovesThePositionThere)
{
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 20)));
    EnterPosition(page->PositionEdit(), "0:07.3");
    EXPECT_EQ(page->Slider()->value(), 73);
    EXPECT_EQ(page->PositionEdit()->Text(), "0:07.3");
    // Add Piece uses the position typed.
    page->OnAddPiece();
    EXPECT_EQ(Layout(), "0-73 73-" + std::to_string(page->Duration()));

    // Seconds alone, written back as the page writes times.
    EnterPosition(page->PositionEdit(), "12");
    EXPECT_EQ(page->Slider()->value(), 120);
    EXPECT_EQ(page->PositionEdit()->Text(), "0:12.0");
    // Past the end is the end; text that is no time gives the position back.
    EnterPosition(page->PositionEdit(), "9:00");
    EXPECT_EQ(page->Slider()->value(), page->Duration());
    EnterPosition(page->PositionEdit(), "soon");
    EXPECT_EQ(page->Slider()->value(), page->Duration());
    EXPECT_EQ(page->PositionEdit()->Text(), page->TimeText(page->Duration()));
    EXPECT_TRUE(messages_.empty());

    // During playback the sound does not overwrite what is being typed, and Enter plays on from there.
    QApplication::setActiveWindow(page.get());
    MoveSlider(0);
    page->OnPlay();
    page->PositionEdit()->setFocus();
    ASSERT_TRUE(page->PositionEdit()->hasFocus());
    page->PositionEdit()->SetText("0:03");
    QTest::qWait(350);
    EXPECT_EQ(page->PositionEdit()->Text(), "0:03");
    EXPECT_GT(page->Slider()->value(), 0); // the slider follows the sound meanwhile
    EnterPosition(page->PositionEdit(), "0:03.0");
    EXPECT_EQ(page->State(), CutterPage::kPlaying);
    EXPECT_GE(page->Device()->PositionMs(), 3000);
    EXPECT_LT(page->Device()->PositionMs(), 4000);
}

TEST_F(CutterPageInputTest, TheBoxShowsTheDraggedThumbsTimeNotTheMoveBefore)
{
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 100)));
    SelectionSlider* slider = page->Slider();
    slider->resize(600, slider->height());
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = Qt::Horizontal;
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = option.sliderValue = slider->value();
    const QRect handle = slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
    // A real drag: press on the thumb, move twice, look at the box after each move.
    QTest::mousePress(slider, Qt::LeftButton, {}, handle.center());
    QTest::mouseMove(slider, handle.center() + QPoint(150, 0));
    const int first = slider->sliderPosition();
    ASSERT_GT(first, 0);
    EXPECT_EQ(page->PositionEdit()->Text(), page->TimeText(first));
    QTest::mouseMove(slider, handle.center() + QPoint(300, 0));
    const int second = slider->sliderPosition();
    ASSERT_GT(second, first);
    EXPECT_EQ(page->PositionEdit()->Text(), page->TimeText(second));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, handle.center() + QPoint(300, 0));
    EXPECT_EQ(slider->value(), second);
    EXPECT_EQ(page->PositionEdit()->Text(), page->TimeText(second));
}

TEST_F(CutterPageInputTest, AfterARefusedEditTheCheckedModeItsEditAndTheCutAgree)
{
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 9)));
    page->ModeButton(0)->click();
    page->SizeEdit()->SetText("40");
    page->CountEdit()->SetText("3");
    page->ModeButton(1)->click();
    // The size emptied while cutting by size, then "By count" chosen: the count is in force, and
    // the size edit shows the size that stays.
    page->ModeButton(0)->click();
    page->SizeEdit()->SetText("");
    page->ModeButton(1)->click();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "Please enter an integer.");
    EXPECT_TRUE(page->ModeButton(1)->isChecked());
    EXPECT_EQ(page->Settings().splitMode.CutType, 1);
    EXPECT_TRUE(page->CountEdit()->isEnabled());
    EXPECT_FALSE(page->SizeEdit()->isEnabled());
    EXPECT_EQ(page->SizeEdit()->Text(), "40");
    EXPECT_EQ(page->Settings().splitMode.CutFileSize, 40);
    page->OnCutNow();
    EXPECT_EQ(messages_.size(), 1u);
    ASSERT_EQ(page->OutputFiles().size(), 3u); // by count, as shown

    // A Cut Now whose own edit holds no number cuts nothing: the edit shows the count again first.
    const std::vector<std::string> earlier = page->OutputFiles();
    page->CountEdit()->SetText("");
    page->OnCutNow();
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(messages_[1].text, "Please enter an integer.");
    EXPECT_EQ(page->CountEdit()->Text(), "3");
    EXPECT_EQ(page->OutputFiles(), earlier);
    for (const std::string& path : earlier)
        EXPECT_TRUE(std::filesystem::exists(path)) << path;
}

TEST_F(CutterPageInputTest, ShiftF10OpensThePiecesListsMenuAtItsCentre)
{
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 6)));
    page->ModeButton(3)->click();
    QTreeWidget* list = page->PiecesList();
    list->setFocus();
    QMenu* shown = nullptr;
    QPoint at;
    const auto closeWhenShown = [&] {
        QTimer::singleShot(0, [&] {
            shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (shown) {
                at = shown->pos();
                shown->close();
            }
        });
    };
    closeWhenShown();
    QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_EQ(shown, page->ContextMenu());
    EXPECT_TRUE(page->RemoveAction()->isEnabled() || page->Pieces().Size() == 1);
    EXPECT_TRUE(page->TagAction()->isEnabled());
    // The menu opens at the list's centre (moved only to stay on the screen).
    EXPECT_LE((at - list->mapToGlobal(list->rect().center())).manhattanLength(), 400);

    // F10 alone opens nothing.
    shown = nullptr;
    closeWhenShown();
    QTest::keyClick(list, Qt::Key_F10);
    QApplication::processEvents();
    EXPECT_EQ(shown, nullptr);
}
