// Start-up, the main sheet, the help command and shut-down, run against a real settings file.
#include "app/CMainApp.h"
#include "app/CHelpWindow.h"
#include "app/CMainSheet.h"
#include "app/CPageOptions.h"
#include "platform/desktop/SettingsKey.h"
#include "tests/gui_support/GuiTestEnvironment.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"
#include "ui/CPageAbout.h"
#include "ui/CPageJoiner.h"
#include "ui/CPageSplitter.h"
#include "ui/CSpinEdit.h"
#include "ui/WindowHelpers.h"

#include <QApplication>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include <csignal>

class CMainAppTest : public GuiTest {
protected:
    CMainAppTest() { CHelpWindow::SetHelpFolder(SONICROP_HELP_SOURCE_DIR); }
    ~CMainAppTest() override { CHelpWindow::SetHelpFolder({}); }

    // One run of the program: start, let the test act, close the main window, shut down.
    template <typename Action> void RunProgram(Action action)
    {
        int argc = 1;
        char name[] = "sonicrop";
        char* argv[] = { name, nullptr };
        CMainApp app(argc, argv);
        ASSERT_TRUE(app.InitInstance());
        action(app);
        app.Sheet()->close();
        app.ExitInstance(0);
    }

    static int HelpWindowCount()
    {
        int count = 0;
        for (QWidget* window : QApplication::topLevelWidgets())
            count += window->isVisible() && window->windowTitle() == "Sonicrop Help";
        return count;
    }
};

TEST_F(CMainAppTest, FirstStartOpensTheCutterAndTheHelpMaximisedOnce)
{
    RunProgram([](CMainApp& app) {
        CMainSheet* sheet = app.Sheet();
        EXPECT_EQ(sheet->windowTitle(), "Sonicrop");
        EXPECT_EQ(sheet->ActiveIndex(), 0);
        ASSERT_EQ(sheet->PageCount(), 5);
        const QStringList titles { "MP3 Cutter", "MP3 Batch Cutter", "MP3 Joiner", "Options", "About" };
        for (int index = 0; index < 5; ++index)
            EXPECT_EQ(sheet->TabBar()->tabText(index), titles[index]);
        QWidget* help = CHelpWindow::Find();
        ASSERT_NE(help, nullptr);
        EXPECT_TRUE(help->isMaximized());
    });
    EXPECT_EQ(HelpWindowCount(), 0); // closed with the program
    RunProgram([](CMainApp&) { EXPECT_EQ(CHelpWindow::Find(), nullptr); });
}

TEST_F(CMainAppTest, TheMainWindowIsFixedWithoutMaximiseOrDialogButtons)
{
    RunProgram([](CMainApp& app) {
        CMainSheet* sheet = app.Sheet();
        EXPECT_EQ(MainWindow(), sheet);
        EXPECT_FALSE(sheet->windowFlags() & Qt::WindowMaximizeButtonHint);
        EXPECT_TRUE(sheet->windowFlags() & Qt::WindowMinimizeButtonHint);
        EXPECT_EQ(sheet->minimumSize(), sheet->maximumSize());
        for (QPushButton* button : sheet->findChildren<QPushButton*>()) {
            const QString text = QString(button->text()).remove('&');
            EXPECT_TRUE(text != "OK" && text != "Cancel" && text != "Apply") << text.toStdString();
        }
    });
}

TEST_F(CMainAppTest, TheNextStartOpensOnThePageActiveAtClose)
{
    RunProgram([](CMainApp& app) { EXPECT_TRUE(app.Sheet()->SetActivePage(2)); });
    EXPECT_EQ(StoredNumber("", "StartPage"), 2);
    RunProgram([](CMainApp& app) {
        EXPECT_EQ(app.Sheet()->ActiveIndex(), 2);
        EXPECT_EQ(app.Sheet()->TabBar()->currentIndex(), 2);
        EXPECT_TRUE(app.Joiner()->isVisible());
    });
}

TEST_F(CMainAppTest, AStartPageThatNamesNoPageOpensTheFirst)
{
    StoreNumber("", "StartPage", 9);
    RunProgram([](CMainApp& app) { EXPECT_EQ(app.Sheet()->ActiveIndex(), 0); });
    EXPECT_EQ(StoredNumber("", "StartPage"), 0);
}

TEST_F(CMainAppTest, PagesNeverShownWriteNothing)
{
    StoreNumber("", "FirstRun", 0);
    StoreNumber(kCutterSubkey, "ForwardOverlap", 40);
    RunProgram([](CMainApp&) {});
    EXPECT_EQ(StoredNumber(kCutterSubkey, "ForwardOverlap"), 40);
    EXPECT_FALSE(HasStoredValue(kCutterSubkey, "FadeInLen")); // options page never shown
    EXPECT_FALSE(HasStoredValue(kJoinerSubkey, "ID3Genre")); // joiner page never shown
    EXPECT_FALSE(HasStoredValue(kBatchCutterSubkey, "CutType")); // batch page never shown
    EXPECT_EQ(StoredNumber(kCutterSubkey, "CutType"), 3); // the cutter page was shown
}

TEST_F(CMainAppTest, ShownPagesSaveTheirSharesAtTheEnd)
{
    RunProgram([](CMainApp& app) {
        app.Sheet()->SetActivePage(2);
        app.Sheet()->SetActivePage(3);
        app.Sheet()->SetActivePage(4);
    });
    EXPECT_EQ(StoredNumber(kJoinerSubkey, "ID3Genre"), -1);
    EXPECT_EQ(StoredNumber(kCutterSubkey, "FadeInLen"), 10);
    EXPECT_EQ(StoredNumber(kJoinerSubkey, "MP3SampleRate"), 44100);
    EXPECT_EQ(StoredNumber("", "StartPage"), 4);
}

TEST_F(CMainAppTest, ABadOptionKeepsTheProgramOpenAndThePageActive)
{
    RunProgram([this](CMainApp& app) {
        CMainSheet* sheet = app.Sheet();
        ASSERT_TRUE(sheet->SetActivePage(3));
        app.Options()->forwardOverlapEdit()->SetText("x");
        EXPECT_FALSE(sheet->SetActivePage(0));
        EXPECT_EQ(sheet->ActiveIndex(), 3);
        // A click on a tab is turned back the same way.
        sheet->TabBar()->setCurrentIndex(1);
        EXPECT_EQ(sheet->TabBar()->currentIndex(), 3);
        EXPECT_FALSE(app.BatchSplitter() == nullptr);
        EXPECT_FALSE(sheet->Page(1)->IsInitialised());

        EXPECT_FALSE(sheet->close());
        EXPECT_TRUE(sheet->isVisible());
        EXPECT_EQ(messages_.size(), 3u);
        EXPECT_EQ(messages_.back().text, "Invalid number: x, please enter it again.");
        app.Options()->forwardOverlapEdit()->SetText("1");
    });
    EXPECT_EQ(StoredNumber(kCutterSubkey, "ForwardOverlap"), 10);
}

TEST_F(CMainAppTest, TheMainWindowDoesNotCloseWhileAJobHasItDisabled)
{
    RunProgram([](CMainApp& app) {
        CMainSheet* sheet = app.Sheet();
        sheet->setEnabled(false); // what a running cut or join does
        EXPECT_FALSE(sheet->close());
        EXPECT_TRUE(sheet->isVisible());
        sheet->setEnabled(true);
    });
}

TEST_F(CMainAppTest, PagesReadTheOptionsAsLastTakenOnTheOptionsPage)
{
    RunProgram([](CMainApp& app) {
        CMainSheet* sheet = app.Sheet();
        ASSERT_TRUE(sheet->SetActivePage(3));
        app.Options()->forwardOverlapEdit()->SetText("2.5");
        ASSERT_TRUE(sheet->SetActivePage(0));
        const OptionValues* live = app.Splitter()->LiveOptions();
        ASSERT_NE(live, nullptr);
        EXPECT_EQ(live->cut.ForwardOverlap, 25);
        EXPECT_EQ(app.Joiner()->LiveOptions(), live);
    });
}

TEST_F(CMainAppTest, HelpCommandRaisesTheOpenHelpWindowInsteadOfOpeningAnother)
{
    RunProgram([](CMainApp& app) {
        QWidget* help = CHelpWindow::Find();
        ASSERT_NE(help, nullptr);
        help->showMinimized();
        app.Sheet()->activateWindow();
        QApplication::setActiveWindow(app.Sheet());
        QTest::keyClick(app.Sheet(), Qt::Key_F1);
        EXPECT_EQ(HelpWindowCount(), 1);
        EXPECT_FALSE(help->isMinimized());
        help->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(HelpWindowCount(), 0);
        app.Sheet()->SetActivePage(4);
        app.About()->HelpButton()->click();
        EXPECT_EQ(HelpWindowCount(), 1);
        app.About()->HelpButton()->click();
        EXPECT_EQ(HelpWindowCount(), 1);
    });
    EXPECT_EQ(HelpWindowCount(), 0);
}

TEST_F(CMainAppTest, MissingHelpPagesOpenNothingAndSayNothing)
{
    CHelpWindow::SetHelpFolder(settingsFolder_.Path().string());
    RunProgram([this](CMainApp& app) {
        EXPECT_EQ(CHelpWindow::Find(), nullptr);
        app.OnHelp();
        EXPECT_EQ(CHelpWindow::Find(), nullptr);
        EXPECT_TRUE(messages_.empty());
    });
}

TEST_F(CMainAppTest, AFileSizeLimitMakesWritesFailInsteadOfKillingTheProgram)
{
    std::signal(SIGXFSZ, SIG_DFL);
    RunProgram([](CMainApp&) {
        struct sigaction action { };
        ASSERT_EQ(::sigaction(SIGXFSZ, nullptr, &action), 0);
        EXPECT_EQ(action.sa_handler, SIG_IGN);
    });
}

TEST_F(CMainAppTest, AFileNamedOnTheCommandLineOpensInTheCutter)
{
    StoreNumber("", "FirstRun", 0);
    StoreNumber("", "StartPage", 2);
    TempDir folder;
    ToneSpec shape;
    shape.seconds = 2;
    const std::string path = folder.File("Lied über Ränder.mp3");
    WriteFile(path, EncodeTone(shape));
    for (const bool afterDashes : { false, true }) {
        char name[] = "sonicrop";
        char dashes[] = "--";
        std::string file = path;
        char* argv[] = { name, afterDashes ? dashes : file.data(), file.data(), nullptr };
        int argc = afterDashes ? 3 : 2;
        CMainApp app(argc, argv);
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(app.FileToOpen(), path);
        EXPECT_EQ(app.Sheet()->ActiveIndex(), 0);
        CPageSplitter* cutter = app.Splitter();
        EXPECT_EQ(cutter->SourcePath(), path);
        // The page was set up before the file arrived: the file's controls stay enabled.
        EXPECT_TRUE(cutter->CutButton()->isEnabled());
        EXPECT_EQ(cutter->CutButton()->text(), "C&ut Now!");
        EXPECT_EQ(cutter->Pieces().Size(), 1u);
        app.Sheet()->close();
        app.ExitInstance(0);
    }
    EXPECT_TRUE(messages_.empty());
}
