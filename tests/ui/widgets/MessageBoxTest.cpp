// The real message box behind ShowMessageBox, answered by a timer so that no test waits on it.
#include "ui/widgets/MessageBox.h"
#include "tests/gui_support/GuiTestEnvironment.h"
#include "ui/widgets/ProgressDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

namespace {

struct SeenBox {
    QString title;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// Shows the box and presses `answer` as soon as it is up.
MessageAnswer ShowAndAnswer(
    const QString& text, MessageIcon icon, MessageButtons buttons, QMessageBox::StandardButton answer, SeenBox& seen)
{
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = { box->windowTitle(), box->text(), box->textFormat(), box->icon(), box->standardButtons() };
        box->button(answer)->click();
    });
    return ShowMessageBox(nullptr, text, icon, buttons);
}

} // namespace

class MessageBoxTest : public GuiTest {
protected:
    MessageBoxTest() { SetMessageBoxHook({}); }
};

TEST_F(MessageBoxTest, TheRealBoxHasTheProgramTitleAndShowsTextLiterally)
{
    SeenBox seen;
    // A user's text that looks like markup is shown as typed.
    const QString text = "Invalid number: <b>1</b>, please enter it again.";
    EXPECT_EQ(
        ShowAndAnswer(text, MessageIcon::Exclamation, MessageButtons::Ok, QMessageBox::Ok, seen), MessageAnswer::Ok);
    EXPECT_EQ(seen.title, "Sonicrop");
    EXPECT_EQ(seen.text, text);
    EXPECT_EQ(seen.format, Qt::PlainText);
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok);

    EXPECT_EQ(ShowAndAnswer("Are you sure you want to remove them?", MessageIcon::Question, MessageButtons::YesNo,
                  QMessageBox::No, seen),
        MessageAnswer::No);
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
}

TEST_F(MessageBoxTest, ProgressLabelsShowFileNamesLiterally)
{
    ProgressDialog* dialog = ProgressDialog::Create();
    dialog->SetLabel(JobProgress::Upper, "Cutting <i>live</i>.mp3...");
    EXPECT_EQ(dialog->Label(JobProgress::Upper)->textFormat(), Qt::PlainText);
    dialog->PostClose();
}
