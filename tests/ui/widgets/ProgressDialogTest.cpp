#include "tests/gui_support/GuiTestEnvironment.h"
#include "ui/widgets/DualProgressDialog.h"
#include "ui/widgets/ProgressDialog.h"
#include "ui/widgets/WindowHelpers.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QWindow>

using ProgressDialogTest = GuiTest;

namespace {

void RunPostedEvents()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

TEST_F(ProgressDialogTest, CancelSetsTheFlagOnceAndTheDialogStays)
{
    ProgressDialog* dialog = ProgressDialog::Create();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->IsCancelled());
    dialog->CancelButton()->click();
    dialog->CancelButton()->click();
    EXPECT_TRUE(dialog->IsCancelled());
    EXPECT_TRUE(dialog->isVisible());
    dialog->PostClose();
}

TEST_F(ProgressDialogTest, EnterAndEscapeDoNothing)
{
    QPointer<DualProgressDialog> dialog = DualProgressDialog::Create();
    dialog->CancelButton()->setFocus();
    for (Qt::Key key : { Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape }) {
        QTest::keyClick(dialog, key);
        QTest::keyClick(dialog->CancelButton(), key);
    }
    RunPostedEvents();
    ASSERT_FALSE(dialog.isNull());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->IsCancelled());
    dialog->PostClose();
}

TEST_F(ProgressDialogTest, AForeignCloseWhileTheJobHoldsTheDialogOnlyCancels)
{
    QPointer<ProgressDialog> dialog = ProgressDialog::Create();
    QCoreApplication::postEvent(dialog, new QCloseEvent);
    RunPostedEvents();
    ASSERT_FALSE(dialog.isNull());
    EXPECT_TRUE(dialog->IsCancelled());
    // The job can still drive it, then lets it go: it closes on the next pass and deletes itself.
    dialog->SetLabel(JobProgress::Upper, "Cutting a.mp3...");
    dialog->PostClose();
    EXPECT_FALSE(dialog.isNull()); // posted, not yet handled
    RunPostedEvents();
    EXPECT_TRUE(dialog.isNull());
}

TEST_F(ProgressDialogTest, TheJobDrivesBarsAndLabelsThroughItsInterface)
{
    QPointer<DualProgressDialog> dialog = DualProgressDialog::Create();
    JobProgress& job = *dialog;
    ProgressBar* lower = job.Bar(JobProgress::Lower);
    ASSERT_NE(lower, nullptr);
    EXPECT_GT(lower->WidthInPixels(), 300);
    lower->SetRange(0, 3);
    lower->SetStep(1);
    lower->SetPosition(0);
    for (int file = 1; file <= 5; ++file)
        lower->StepIt(); // stepping past the end stays at the end
    job.SetLabel(JobProgress::Lower, "Cutting 3 of 3 file(s)...");
    job.Pump();
    const auto bars = dialog->findChildren<QProgressBar*>();
    ASSERT_EQ(bars.size(), 2);
    EXPECT_EQ(bars[1]->value(), 3);
    EXPECT_EQ(dialog->Label(JobProgress::Lower)->text(), "Cutting 3 of 3 file(s)...");
    dialog->PostClose();

    ProgressDialog* single = ProgressDialog::Create();
    EXPECT_EQ(single->Bar(JobProgress::Lower), nullptr);
    ASSERT_NE(single->Bar(JobProgress::Upper), nullptr);
    // Nothing to do (an empty folder): an empty bar, not a busy animation, however it is stepped.
    single->Bar(JobProgress::Upper)->SetRange(0, 0);
    single->Bar(JobProgress::Upper)->StepIt();
    const auto* singleBar = single->findChild<QProgressBar*>();
    EXPECT_LT(singleBar->minimum(), singleBar->maximum());
    EXPECT_EQ(singleBar->value(), 0);
    EXPECT_EQ(single->CancelButton()->text(), "&Cancel");
    single->PostClose();
    RunPostedEvents();
}

TEST_F(ProgressDialogTest, BarsAndLabelsReachTheWidgetsOnAPassOfThePump)
{
    QPointer<DualProgressDialog> dialog = DualProgressDialog::Create();
    const auto bars = dialog->findChildren<QProgressBar*>();
    ASSERT_EQ(bars.size(), 2);
    ProgressBar* upper = dialog->Bar(JobProgress::Upper);
    upper->SetRange(0, 50);
    dialog->PumpNow();
    for (int position = 1; position <= 20; ++position)
        upper->SetPosition(position);
    dialog->SetLabel(JobProgress::Upper, "Cutting b.mp3...");
    EXPECT_EQ(bars[0]->value(), 0); // nothing painted per step
    EXPECT_TRUE(dialog->Label(JobProgress::Upper)->text().isEmpty());
    QTest::qWait(30); // the cheap pump is due again
    dialog->Pump();
    EXPECT_EQ(bars[0]->value(), 20);
    EXPECT_EQ(dialog->Label(JobProgress::Upper)->text(), "Cutting b.mp3...");
    // What the job set last is shown when it lets the dialog go, pump due or not.
    upper->SetPosition(50);
    dialog->PostClose();
    EXPECT_EQ(bars[0]->value(), 50);
    RunPostedEvents();
}

TEST_F(ProgressDialogTest, OnlyTheTwoBarDialogFollowsADragOfItsBody)
{
    DualProgressDialog* dual = DualProgressDialog::Create();
    ProgressDialog* single = ProgressDialog::Create();
    for (QWidget* dialog : std::initializer_list<QWidget*> { dual, single }) {
        const QPoint before = dialog->pos();
        const QPoint grab(20, 10);
        QTest::mousePress(dialog, Qt::LeftButton, {}, grab);
        QMouseEvent move(QEvent::MouseMove, QPointF(grab + QPoint(40, 30)),
            QPointF(dialog->mapToGlobal(grab) + QPoint(40, 30)), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(dialog, &move);
        QTest::mouseRelease(dialog, Qt::LeftButton, {}, grab + QPoint(40, 30));
        if (dialog == dual)
            EXPECT_EQ(dialog->pos(), before + QPoint(40, 30));
        else
            EXPECT_EQ(dialog->pos(), before);
    }
    dual->PostClose();
    single->PostClose();
    RunPostedEvents();
}

TEST_F(ProgressDialogTest, TheDialogCentresOverTheMainWindowAndStaysUsableWhileTheJobDisablesIt)
{
    QWidget main;
    main.setGeometry(40, 50, 700, 500);
    main.show();
    SetMainWindow(&main);
    main.setEnabled(false); // the job's first step
    QPointer<DualProgressDialog> dialog = DualProgressDialog::Create();
    EXPECT_LE((dialog->geometry().center() - main.frameGeometry().center()).manhattanLength(), 2);
    ASSERT_NE(dialog->windowHandle(), nullptr);
    EXPECT_EQ(dialog->windowHandle()->transientParent(), main.windowHandle());
    EXPECT_TRUE(dialog->isEnabled());
    dialog->CancelButton()->click();
    EXPECT_TRUE(dialog->IsCancelled());
    dialog->PostClose();
    RunPostedEvents();
    EXPECT_TRUE(dialog.isNull());
    SetMainWindow(nullptr);
}
