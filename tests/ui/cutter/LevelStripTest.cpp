// The level strip on the cutter page: filled from a worker thread, zoom and scroll that keep the
// position in view, clicks that move the position, and marker drags that follow the list's rules.
#include "tests/ui/cutter/CutterPageFixture.h"

#include "tests/support/GaplessDecode.h"
#include "ui/cutter/LevelLoader.h"
#include "ui/cutter/LevelStrip.h"
#include "ui/cutter/SelectionSlider.h"
#include "ui/cutter/SilenceDialog.h"
#include "ui/widgets/PropertyPage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QWheelEvent>
#include <cstdlib>

namespace {

class LevelStripTest : public CutterPageFixture {
protected:
    // A loud and a quiet half: 3 s of a full tone, then 3 s 40 dB down.
    std::string LoudThenQuiet()
    {
        Pcm pcm = MakeTone({ .sampleRate = 22050, .channels = 1, .seconds = 6.0, .amplitude = 0.8 });
        for (size_t i = pcm.left.size() / 2; i < pcm.left.size(); ++i)
            pcm.left[i] = static_cast<int16_t>(pcm.left[i] / 100);
        WriteFile(folder.File("loud.mp3"), EncodePcm(pcm, 64));
        return folder.File("loud.mp3");
    }
    void WaitForLevels()
    {
        QElapsedTimer timer;
        timer.start();
        while (!page->Strip()->HasLevels() && timer.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    LevelStrip* strip() const { return page->Strip(); }
    bool PositionInView() const
    {
        const double at = page->Slider()->value() * 100.0;
        return at >= strip()->ViewStartMs() && at <= strip()->ViewEndMs();
    }
};

} // namespace

TEST_F(LevelStripTest, LevelsArriveFromTheWorkerAndShowTheLoudAndQuietHalves)
{
    ASSERT_TRUE(page->OpenSource(LoudThenQuiet()));
    WaitForLevels();
    ASSERT_TRUE(strip()->HasLevels());
    // Painting the strip reads the levels; the offscreen grab must not be blank where it is loud.
    const QImage shot = strip()->grab().toImage();
    if (const char* keep = std::getenv("SONICROP_KEEP_STRIP_SHOT"))
        shot.save(keep);
    const int middle = shot.height() / 2 + 7; // below the ruler
    const QColor loud = shot.pixelColor(shot.width() / 4, middle - 10);
    const QColor quiet = shot.pixelColor(shot.width() * 3 / 4, middle - 10);
    EXPECT_GT(loud.green(), 150);
    EXPECT_LT(quiet.green(), 100);

    // Closing while a read runs stops it; a new open starts a new one.
    page->CloseSource();
    EXPECT_FALSE(strip()->HasLevels());
    EXPECT_FALSE(page->Levels()->Busy());
}

TEST_F(LevelStripTest, ZoomAndScrollKeepThePositionInViewAndZeroShowsTheWholeFile)
{
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 60)));
    MoveSlider(400);
    page->Slider()->setFocus();
    for (int i = 0; i < 12; ++i)
        QTest::keyClick(page->Slider(), Qt::Key_Plus);
    EXPECT_NEAR(strip()->ViewEndMs() - strip()->ViewStartMs(), strip()->MinimumSpanMs(), 1.0);
    EXPECT_LT(strip()->MinimumSpanMs(), 300.0); // a few frames of 26 ms
    EXPECT_TRUE(PositionInView());

    // The position leaving the view (played on, moved by a key) brings the view along.
    MoveSlider(500);
    EXPECT_TRUE(PositionInView());
    QTest::keyClick(page->Slider(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(page->Slider()->value(), 510);
    EXPECT_TRUE(PositionInView());

    // Ctrl+wheel zooms around the pointer: the time under it stays under it.
    QTest::keyClick(page->Slider(), Qt::Key_0);
    EXPECT_EQ(strip()->ViewStartMs(), 0.0);
    EXPECT_NEAR(strip()->ViewEndMs(), page->Duration() * 100.0, 1.0);
    const double x = strip()->width() * 0.25;
    const double before = strip()->MsAtPixel(x);
    QWheelEvent zoom(QPointF(x, 20), strip()->mapToGlobal(QPointF(x, 20)), QPoint(), QPoint(0, 120), Qt::NoButton,
        Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(strip(), &zoom);
    EXPECT_LT(strip()->ViewEndMs() - strip()->ViewStartMs(), page->Duration() * 100.0);
    EXPECT_NEAR(strip()->MsAtPixel(x), before, 1.0);
    // The wheel alone scrolls later in time.
    const double start = strip()->ViewStartMs();
    QWheelEvent scroll(QPointF(x, 20), strip()->mapToGlobal(QPointF(x, 20)), QPoint(), QPoint(0, -120), Qt::NoButton,
        Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(strip(), &scroll);
    EXPECT_GT(strip()->ViewStartMs(), start);
}

TEST_F(LevelStripTest, AClickMovesThePositionAndMarkerDragsFollowSetStartAndSetEnd)
{
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 60)));
    page->ModeButton(3)->click();
    const int width = strip()->width();
    auto pixelOf = [&](int32_t tenths) { return static_cast<int>(std::lround(strip()->PixelOfMs(tenths * 100.0))); };
    QTest::mouseClick(strip(), Qt::LeftButton, {}, QPoint(width / 2, 25));
    EXPECT_NEAR(page->Slider()->value(), page->Duration() / 2, page->Duration() / width + 1);

    MoveSlider(200);
    page->OnAddPiece();
    MoveSlider(400);
    page->OnAddPiece();
    ASSERT_EQ(Layout(), "0-200 200-400 400-" + std::to_string(page->Duration()));

    // The marker at 20 s dragged left to 10 s: Set Start of the second piece.
    QTest::mousePress(strip(), Qt::LeftButton, {}, QPoint(pixelOf(200), 25));
    QTest::mouseMove(strip(), QPoint(pixelOf(100), 25));
    QTest::mouseRelease(strip(), Qt::LeftButton, {}, QPoint(pixelOf(100), 25));
    const int32_t dropped = page->Pieces().Entries()[1].start;
    EXPECT_NEAR(dropped, 100, page->Duration() / width + 1);
    EXPECT_EQ(page->Pieces().Size(), 3u);
    // The same marker dragged right past the next boundary: Set End of the first piece, which
    // swallows the piece it passes.
    QTest::mousePress(strip(), Qt::LeftButton, {}, QPoint(pixelOf(dropped), 25));
    QTest::mouseMove(strip(), QPoint(pixelOf(500), 25));
    QTest::mouseRelease(strip(), Qt::LeftButton, {}, QPoint(pixelOf(500), 25));
    ASSERT_EQ(page->Pieces().Size(), 2u);
    EXPECT_NEAR(page->Pieces().Entries()[0].end, 500, page->Duration() / width + 1);

    // Outside the mode by selection the markers stay put.
    page->ModeButton(0)->click();
    const std::string before = Layout();
    QTest::mousePress(strip(), Qt::LeftButton, {}, QPoint(pixelOf(page->Pieces().Entries()[1].start), 25));
    QTest::mouseRelease(strip(), Qt::LeftButton, {}, QPoint(pixelOf(100), 25));
    EXPECT_EQ(Layout(), before);
}

TEST_F(LevelStripTest, AMarkerDraggedAtTheDeepestZoomLandsOnTheSampleUnderThePointer)
{
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 60)));
    page->ModeButton(3)->click();
    MoveSlider(200);
    page->OnAddPiece();
    MoveSlider(400);
    page->OnAddPiece();
    MoveSlider(200);
    page->Slider()->setFocus();
    for (int i = 0; i < 12; ++i)
        QTest::keyClick(page->Slider(), Qt::Key_Plus);
    const double msPerPixel = (strip()->ViewEndMs() - strip()->ViewStartMs()) / strip()->width();
    ASSERT_LT(msPerPixel, 1000.0 * 576 / 22050) << "a pixel is less than a frame at this zoom";
    const double rate = 22050;
    const auto drag = [&](double fromMs, double toMs) {
        const auto from = QPoint(static_cast<int>(std::lround(strip()->PixelOfMs(fromMs))), 25);
        const auto to = QPoint(static_cast<int>(std::lround(strip()->PixelOfMs(toMs))), 25);
        ASSERT_GT(to.x(), 0);
        ASSERT_LT(to.x(), strip()->width());
        QTest::mousePress(strip(), Qt::LeftButton, {}, from);
        QTest::mouseMove(strip(), to);
        QTest::mouseRelease(strip(), Qt::LeftButton, {}, to);
    };
    const auto& entries = page->Pieces().Entries();

    // Right by 37 ms, inside the boundary's tenth: the rows keep 0:20.0, the boundary its sample.
    drag(20000, 20037);
    ASSERT_EQ(Layout(), "0-200 200-400 400-" + std::to_string(page->Duration()));
    EXPECT_NEAR(static_cast<double>(entries[1].startSample), 20.037 * rate, msPerPixel * rate / 1000 + 1);
    EXPECT_EQ(entries[0].endSample, entries[1].startSample);
    EXPECT_EQ(Cell(1, CutterPage::kStart), "0:20.0");
    const double exactMs = static_cast<double>(entries[1].startSample) * 1000 / rate;
    ASSERT_EQ(strip()->Boundaries().size(), 2u);
    EXPECT_NEAR(strip()->Boundaries()[0], exactMs, 0.01) << "the marker stays where it was dropped";
    EXPECT_EQ(page->SelectedRow(), 0);
    EXPECT_NEAR(strip()->SelectionEndMs(), exactMs, 0.01);
    EXPECT_NEAR(strip()->PositionMs(), exactMs, 0.01);

    // Then to 20.088 s: Set End of the first piece at 0:20.1, still to the sample.
    drag(exactMs, 20088);
    ASSERT_EQ(Layout(), "0-201 201-400 400-" + std::to_string(page->Duration()));
    EXPECT_NEAR(static_cast<double>(entries[0].endSample), 20.088 * rate, msPerPixel * rate / 1000 + 1);
    EXPECT_EQ(entries[1].startSample, entries[0].endSample);
    EXPECT_EQ(Cell(0, CutterPage::kEnd), "0:20.1");
    EXPECT_EQ(Cell(1, CutterPage::kStart), "0:20.1");

    // A marker clicked without a move stays on its sample.
    const int64_t kept = entries[1].startSample;
    const QPoint at(static_cast<int>(std::lround(strip()->PixelOfMs(kept * 1000 / rate))), 25);
    QTest::mouseClick(strip(), Qt::LeftButton, {}, at);
    EXPECT_EQ(entries[1].startSample, kept);

    // The piece written decodes to exactly the samples up to the dropped boundary.
    page->SelectRow(0);
    const std::string excerpt = folder.File("first.mp3");
    ASSERT_TRUE(page->SaveSelectionTo(excerpt));
    EXPECT_EQ(static_cast<int64_t>(DecodeGapless(excerpt).left.size()), kept);

    // A click at this zoom puts the position on the sample under the pointer, and Add Piece there
    // keeps it.
    const int x = static_cast<int>(strip()->width() * 0.8);
    const double clickedMs = strip()->MsAtPixel(x);
    QTest::mouseClick(strip(), Qt::LeftButton, {}, QPoint(x, 25));
    EXPECT_NEAR(static_cast<double>(page->PositionSample()), clickedMs * rate / 1000, msPerPixel * rate / 1000 + 1);
    EXPECT_NEAR(strip()->PositionMs(), clickedMs, msPerPixel + 0.1);
    page->OnAddPiece();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[2].startSample, page->PositionSample());
}

TEST_F(LevelStripTest, TheStripGrowsWithATallerPageAndTheControlsBelowItFollowWithoutOverlap)
{
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 10)));
    // Top to bottom: the strip, the slider, the Set Start row, the list, the bottom row.
    const std::vector<QWidget*> stack
        = { strip(), page->Slider(), page->SetStartButton(), page->PiecesList(), page->TagButton() };
    const auto placed = [&] {
        std::vector<QRect> areas;
        for (QWidget* control : stack)
            areas.push_back(control->geometry());
        return areas;
    };
    const auto expectStacked = [&](const char* size) {
        for (size_t i = 0; i + 1 < stack.size(); ++i)
            EXPECT_LT(stack[i]->geometry().bottom(), stack[i + 1]->geometry().top()) << size << " " << i;
        for (QWidget* control : stack)
            EXPECT_TRUE(page->rect().contains(control->geometry())) << size;
    };
    page->resize(PropertyPage::PageSize());
    QApplication::processEvents();
    const std::vector<QRect> smallest = placed();
    const int height = smallest[0].height();
    expectStacked("smallest");

    page->resize(PropertyPage::PageSize() + QSize(100, 200));
    QApplication::processEvents();
    EXPECT_EQ(strip()->height(), height + 100);
    EXPECT_EQ(page->Slider()->y(), smallest[1].y() + 100);
    EXPECT_EQ(page->SetStartButton()->y(), smallest[2].y() + 100);
    EXPECT_EQ(page->PiecesList()->height(), smallest[3].height() + 100);
    EXPECT_EQ(strip()->width(), smallest[0].width() + 100);
    expectStacked("taller");

    // A very tall page: the strip stops at three times its height, the list takes the rest.
    page->resize(PropertyPage::PageSize() + QSize(0, 900));
    QApplication::processEvents();
    EXPECT_EQ(strip()->height(), 3 * height);
    EXPECT_EQ(page->PiecesList()->height(), smallest[3].height() + 900 - 2 * height);
    expectStacked("tallest");

    // Back at the smallest size everything is where it was.
    page->resize(PropertyPage::PageSize());
    QApplication::processEvents();
    EXPECT_EQ(placed(), smallest);
}

TEST_F(LevelStripTest, QuietPassagesShowAsALowEnvelopeAndSilenceAsNone)
{
    // 2 s each: -9 dBFS, -40 dBFS, digital silence, -15 dBFS (RMS of the tone).
    Pcm pcm = MakeTone({ .sampleRate = 22050, .channels = 1, .seconds = 8.0, .amplitude = 0.5 });
    const size_t part = pcm.left.size() / 4;
    const double gains[] = { 1.0, 0.0283, 0.0, 0.5 };
    for (size_t i = 0; i < pcm.left.size(); ++i)
        pcm.left[i] = static_cast<int16_t>(std::lround(pcm.left[i] * gains[std::min<size_t>(i / part, 3)]));
    WriteFile(folder.File("shape.mp3"), EncodePcm(pcm, 64));
    ASSERT_TRUE(page->OpenSource(folder.File("shape.mp3")));
    WaitForLevels();
    ASSERT_TRUE(strip()->HasLevels());
    const QImage shot = strip()->grab().toImage();
    // The envelope's height in pixels, in a column in the middle of each part.
    const auto envelope = [&](int quarter) {
        const int x = shot.width() * (2 * quarter + 1) / 8;
        int green = 0;
        for (int y = 0; y < shot.height(); ++y) {
            const QColor c = shot.pixelColor(x, y);
            green += c.green() > 150 && c.red() < 150 ? 1 : 0;
        }
        return green;
    };
    const int body = shot.height() - 14; // below the ruler
    const int loud = envelope(0), quiet = envelope(1), silent = envelope(2), middle = envelope(3);
    EXPECT_GT(loud, body * 3 / 4);
    EXPECT_GT(quiet, body / 5) << "a passage at -40 dBFS must not look empty";
    EXPECT_LT(quiet, loud * 2 / 3);
    EXPECT_EQ(silent, 0);
    EXPECT_GT(middle, quiet);
    EXPECT_LT(middle, loud);
    EXPECT_EQ(LevelStrip::EnvelopeShare(LevelStrip::kFloorDb - 40), 0.0);
    EXPECT_EQ(LevelStrip::EnvelopeShare(0.0), 1.0);
}

TEST_F(LevelStripTest, TheSilenceDialogIsWideEnoughForItsTitle)
{
    SilenceDialog dialog(SilenceSplitSettings {});
    QFont bold = dialog.font();
    bold.setBold(true);
    EXPECT_GE(dialog.width(), QFontMetrics(bold).horizontalAdvance("Add Pieces at Silences") + 120);
}
