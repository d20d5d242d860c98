// Listening on the cutter page, driven through its buttons and slider with the sound on the silent
// clock: play, pause and resume, preview of a piece, stop, the slider during playback.
#include "tests/ui/cutter/CutterPageFixture.h"

#include "ui/playback/MediaPlayer.h"
#include "ui/cutter/SelectionSlider.h"
#include "ui/widgets/SpinEdit.h"

#include <QPushButton>
#include <QTest>

namespace {

// The clock runs at real time here, so positions read after a wait are predictable.
class CutterPagePlaybackTest : public CutterPageFixture {
protected:
    bool WaitForState(CutterPage::PlaybackState state, int timeoutMs = 5000)
    {
        return QTest::qWaitFor([&] { return page->State() == state; }, timeoutMs);
    }
    int32_t DeviceTenths() const { return static_cast<int32_t>(page->Device()->PositionMs() / 100); }
    // Two pieces around 2.0-3.0 s; the second row, 2.0-3.0, selected.
    void AddPieceFromTwoToThree()
    {
        page->MoveSliderByUser(20);
        page->OnAddPiece();
        page->MoveSliderByUser(30);
        page->OnAddPiece();
        page->SelectRow(1);
        ASSERT_EQ(page->Pieces().Entries()[1].start, 20);
        ASSERT_EQ(page->Pieces().Entries()[1].end, 30);
    }
};

class CutterPageFastPlaybackTest : public CutterPageFixture {
protected:
    CutterPageFastPlaybackTest()
        : CutterPageFixture(8.0)
    {
    }
};

} // namespace

TEST_F(CutterPageFastPlaybackTest, PlayToTheEndReturnsToWherePlaybackBegan)
{
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 3)));
    page->MoveSliderByUser(10);
    page->OnPlay();
    EXPECT_EQ(page->State(), CutterPage::kPlaying);
    EXPECT_EQ(page->PlayButton()->text(), "&Pause");
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->Slider()->value() > 12; }, 3000)); // the timer follows
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->State() == CutterPage::kIdle; }, 5000));
    EXPECT_EQ(page->Slider()->value(), 10);
    EXPECT_EQ(page->PositionEdit()->Text(), "0:01.0");
    EXPECT_EQ(page->PlayButton()->text(), "&Play");
}

TEST_F(CutterPageFastPlaybackTest, APreviewStopsAtTheEndOfItsPieceAndReturnsToItsStart)
{
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 6)));
    page->MoveSliderByUser(20);
    page->OnAddPiece();
    page->MoveSliderByUser(30);
    page->OnAddPiece();
    page->SelectRow(1);
    page->MoveSliderByUser(50);
    page->OnPreview();
    EXPECT_EQ(page->State(), CutterPage::kPreviewing);
    EXPECT_EQ(page->Slider()->value(), 20);
    EXPECT_EQ(page->PlayButton()->text(), "&Pause");
    EXPECT_EQ(page->PreviewButton()->text(), "Stop");
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->State() == CutterPage::kIdle; }, 5000));
    EXPECT_EQ(page->Slider()->value(), 20);
    EXPECT_EQ(page->PreviewButton()->text(), "Previe&w");
    EXPECT_EQ(page->PlayButton()->text(), "&Play");
    // It stopped at the piece's end, not later.
    EXPECT_EQ(page->Device()->PositionMs(), 3000);
}

TEST_F(CutterPagePlaybackTest, PauseKeepsThePositionAndPlayResumesThereUnlessTheSliderMoved)
{
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 10)));
    page->MoveSliderByUser(10);
    page->OnPlay();
    QTest::qWait(350);
    page->OnPlay();
    EXPECT_EQ(page->State(), CutterPage::kPaused);
    EXPECT_EQ(page->PlayButton()->text(), "&Play");
    const int32_t paused = page->Slider()->value();
    EXPECT_GE(paused, 12);
    EXPECT_LE(paused, 16);
    QTest::qWait(200);
    EXPECT_EQ(DeviceTenths(), paused);

    page->OnPlay(); // resumes where it paused
    EXPECT_EQ(page->State(), CutterPage::kPlaying);
    EXPECT_TRUE(page->Device()->IsPlaying());
    EXPECT_GE(DeviceTenths(), paused);
    EXPECT_LE(DeviceTenths(), paused + 1);
    page->OnPlay();
    page->MoveSliderByUser(60);
    page->OnPlay(); // plays from the new place
    EXPECT_GE(DeviceTenths(), 60);
    EXPECT_LE(DeviceTenths(), 61);
    // The spin does nothing while sound plays.
    page->PositionEdit()->stepBy(1);
    EXPECT_LE(page->Slider()->value(), 62);

    page->OnStop();
    EXPECT_EQ(page->State(), CutterPage::kIdle);
    EXPECT_EQ(page->Slider()->value(), 60);
    EXPECT_FALSE(page->Device()->IsPlaying());
}

TEST_F(CutterPagePlaybackTest, ReleasingTheSliderOutsideThePreviewedPieceTurnsItIntoPlayback)
{
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 10)));
    AddPieceFromTwoToThree();
    page->OnPreview();
    page->MoveSliderByUser(25); // inside: still a preview, from there
    EXPECT_EQ(page->State(), CutterPage::kPreviewing);
    EXPECT_GE(DeviceTenths(), 25);
    page->MoveSliderByUser(70);
    EXPECT_EQ(page->State(), CutterPage::kPlaying);
    EXPECT_EQ(page->PreviewButton()->text(), "Previe&w");
    EXPECT_GE(DeviceTenths(), 70);

    // Preview while playing starts the preview.
    page->OnPreview();
    EXPECT_EQ(page->State(), CutterPage::kPreviewing);
    EXPECT_LE(DeviceTenths(), 21);
    // Preview paused, then Play outside the piece plays the rest.
    page->OnPlay();
    EXPECT_EQ(page->State(), CutterPage::kPreviewPaused);
    EXPECT_EQ(page->PreviewButton()->text(), "Stop");
    page->MoveSliderByUser(80);
    page->OnPlay();
    EXPECT_EQ(page->State(), CutterPage::kPlaying);
    EXPECT_EQ(page->PreviewButton()->text(), "Previe&w");
    EXPECT_GE(DeviceTenths(), 80);

    // Preview paused, then Stop returns to the piece's start.
    page->OnPreview();
    page->OnPlay();
    page->OnStop();
    EXPECT_EQ(page->State(), CutterPage::kIdle);
    EXPECT_EQ(page->Slider()->value(), 20);
    // Preview while previewing stops.
    page->OnPreview();
    page->OnPreview();
    EXPECT_EQ(page->State(), CutterPage::kIdle);
}

TEST_F(CutterPagePlaybackTest, TheTimerLeavesADraggedThumbAloneAndTheReleaseSeeks)
{
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 10)));
    page->OnPlay();
    page->Slider()->setValue(70); // the user drags the thumb
    Q_EMIT page->Slider()->Scrolled(false);
    QTest::qWait(350);
    EXPECT_EQ(page->Slider()->value(), 70);
    EXPECT_EQ(page->PositionEdit()->Text(), "0:07.0");
    Q_EMIT page->Slider()->Scrolled(true);
    EXPECT_GE(DeviceTenths(), 70);
    QTest::qWait(350);
    EXPECT_GE(page->Slider()->value(), 72);
}

TEST_F(CutterPagePlaybackTest, SpaceOnTheSliderTogglesPlayAndClosingTheSourceStopsEverything)
{
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 10)));
    page->Slider()->setFocus();
    QTest::keyClick(page->Slider(), Qt::Key_Space);
    EXPECT_EQ(page->State(), CutterPage::kPlaying);
    QTest::keyClick(page->Slider(), Qt::Key_Space);
    EXPECT_EQ(page->State(), CutterPage::kPaused);
    QTest::keyClick(page->Slider(), Qt::Key_Space);
    EXPECT_EQ(page->State(), CutterPage::kPlaying);

    page->OnRemove(); // the only piece: the source closes (the test answers Yes)
    EXPECT_FALSE(page->HasSource());
    EXPECT_EQ(page->State(), CutterPage::kIdle);
    EXPECT_EQ(page->PlayButton()->text(), "&Play");
    QTest::qWait(250); // no tick and no notice reaches a closed device
    EXPECT_EQ(page->Slider()->value(), 0);

    // A new source starts idle at 0, whatever the last one did.
    ASSERT_TRUE(page->OpenSource(Tone("other.mp3", 4)));
    EXPECT_EQ(page->State(), CutterPage::kIdle);
    page->OnPlay();
    ASSERT_TRUE(page->OpenSource(Tone("third.mp3", 4)));
    EXPECT_EQ(page->State(), CutterPage::kIdle);
    EXPECT_FALSE(page->Device()->IsPlaying());
}
