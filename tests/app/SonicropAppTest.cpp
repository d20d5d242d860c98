// Start-up, the main window, the help command and shut-down, run against a real settings file.
#include "app/SonicropApp.h"
#include "app/HelpWindow.h"
#include "app/MainWindow.h"
#include "app/OptionsPage.h"
#include "platform/desktop/SettingsKey.h"
#include "tests/gui_support/GuiTestEnvironment.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"
#include "ui/about/AboutPage.h"
#include "ui/lists/JoinerPage.h"
#include "ui/cutter/CutterPage.h"
#include "ui/widgets/PropertyPage.h"
#include "ui/widgets/SpinEdit.h"
#include "ui/widgets/WindowHelpers.h"

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTest>

#include <csignal>

class SonicropAppTest : public GuiTest {
protected:
    SonicropAppTest() { HelpWindow::SetHelpFolder(SONICROP_HELP_SOURCE_DIR); }
    ~SonicropAppTest() override { HelpWindow::SetHelpFolder({}); }

    // One run of the program: start, let the test act, close the main window, shut down.
    template <typename Action> void RunProgram(Action action)
    {
        int argc = 1;
        char name[] = "sonicrop";
        char* argv[] = { name, nullptr };
        SonicropApp app(argc, argv);
        ASSERT_TRUE(app.InitInstance());
        action(app);
        app.Window()->close();
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

TEST_F(SonicropAppTest, FirstStartOpensTheCutterAndTheHelpMaximisedOnce)
{
    RunProgram([](SonicropApp& app) {
        MainWindow* window = app.Window();
        EXPECT_EQ(window->windowTitle(), "Sonicrop");
        EXPECT_EQ(window->ActiveIndex(), 0);
        ASSERT_EQ(window->PageCount(), 5);
        const QStringList titles { "MP3 Cutter", "MP3 Batch Cutter", "MP3 Joiner", "Options", "About" };
        for (int index = 0; index < 5; ++index)
            EXPECT_EQ(window->TabBar()->tabText(index), titles[index]);
        QWidget* help = HelpWindow::Find();
        ASSERT_NE(help, nullptr);
        EXPECT_TRUE(help->isMaximized());
    });
    EXPECT_EQ(HelpWindowCount(), 0); // closed with the program
    RunProgram([](SonicropApp&) { EXPECT_EQ(HelpWindow::Find(), nullptr); });
}

TEST_F(SonicropAppTest, TheMainWindowResizesFromItsDefaultSizeWithoutDialogButtons)
{
    QSize defaultSize;
    RunProgram([&](SonicropApp& app) {
        MainWindow* window = app.Window();
        EXPECT_EQ(CurrentMainWindow(), window);
        EXPECT_TRUE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
        EXPECT_TRUE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
        defaultSize = window->DefaultSize();
        EXPECT_EQ(window->size(), defaultSize);
        EXPECT_EQ(window->minimumSize(), defaultSize);
        EXPECT_GE(app.Joiner()->width(), PropertyPage::PageSize().width());
        for (QPushButton* button : window->findChildren<QPushButton*>()) {
            const QString text = QString(button->text()).remove('&');
            EXPECT_TRUE(text != "OK" && text != "Cancel" && text != "Apply") << text.toStdString();
        }
        // Smaller than the default is refused; larger pages give the lists the room.
        window->resize(300, 200);
        EXPECT_EQ(window->size(), defaultSize);
        ASSERT_TRUE(window->SetActivePage(2));
        const int listWidth = app.Joiner()->List()->width();
        const int buttonRight = app.Joiner()->width() - app.Joiner()->JoinNowButton()->geometry().right();
        const QSize larger = defaultSize + QSize(100, 80); // the test screen is small
        window->resize(larger);
        EXPECT_EQ(app.Joiner()->width() - app.Joiner()->JoinNowButton()->geometry().right(), buttonRight);
        EXPECT_EQ(app.Joiner()->List()->width(), listWidth + 100);
        window->move(40, 30);
    });
    // The next start opens where and as large as the window was.
    EXPECT_EQ(StoredNumber("", "WindowWidth"), defaultSize.width() + 100);
    EXPECT_EQ(StoredNumber("", "WindowHeight"), defaultSize.height() + 80);
    RunProgram([&](SonicropApp& app) {
        EXPECT_EQ(app.Window()->size(), defaultSize + QSize(100, 80));
        EXPECT_EQ(app.Window()->pos(), QPoint(40, 30));
        EXPECT_FALSE(app.Window()->isMaximized());
    });
    // A place on no screen (a screen that has gone) centres the window; a stored size below the
    // default opens at the default.
    StoreNumber("", "WindowLeft", -30000);
    StoreNumber("", "WindowTop", 20000);
    StoreNumber("", "WindowWidth", 100);
    StoreNumber("", "WindowHeight", 100);
    RunProgram([&](SonicropApp& app) {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        EXPECT_EQ(app.Window()->size(), defaultSize);
        EXPECT_TRUE(screen.contains(app.Window()->frameGeometry().center()));
    });
}

TEST_F(SonicropAppTest, TheNextStartOpensOnThePageActiveAtClose)
{
    RunProgram([](SonicropApp& app) { EXPECT_TRUE(app.Window()->SetActivePage(2)); });
    EXPECT_EQ(StoredNumber("", "StartPage"), 2);
    RunProgram([](SonicropApp& app) {
        EXPECT_EQ(app.Window()->ActiveIndex(), 2);
        EXPECT_EQ(app.Window()->TabBar()->currentIndex(), 2);
        EXPECT_TRUE(app.Joiner()->isVisible());
    });
}

TEST_F(SonicropAppTest, AStartPageThatNamesNoPageOpensTheFirst)
{
    StoreNumber("", "StartPage", 9);
    RunProgram([](SonicropApp& app) { EXPECT_EQ(app.Window()->ActiveIndex(), 0); });
    EXPECT_EQ(StoredNumber("", "StartPage"), 0);
}

TEST_F(SonicropAppTest, PagesNeverShownWriteNothing)
{
    StoreNumber("", "FirstRun", 0);
    StoreNumber(kCutterSubkey, "ForwardOverlap", 40);
    RunProgram([](SonicropApp&) {});
    EXPECT_EQ(StoredNumber(kCutterSubkey, "ForwardOverlap"), 40);
    EXPECT_FALSE(HasStoredValue(kCutterSubkey, "FadeInLen")); // options page never shown
    EXPECT_FALSE(HasStoredValue(kJoinerSubkey, "ID3Genre")); // joiner page never shown
    EXPECT_FALSE(HasStoredValue(kBatchCutterSubkey, "CutType")); // batch page never shown
    EXPECT_EQ(StoredNumber(kCutterSubkey, "CutType"), 3); // the cutter page was shown
}

TEST_F(SonicropAppTest, ShownPagesSaveTheirSharesAtTheEnd)
{
    RunProgram([](SonicropApp& app) {
        app.Window()->SetActivePage(2);
        app.Window()->SetActivePage(3);
        app.Window()->SetActivePage(4);
    });
    EXPECT_EQ(StoredNumber(kJoinerSubkey, "ID3Genre"), -1);
    EXPECT_EQ(StoredNumber(kCutterSubkey, "FadeInLen"), 10);
    EXPECT_EQ(StoredNumber(kJoinerSubkey, "MP3SampleRate"), 44100);
    EXPECT_EQ(StoredNumber("", "StartPage"), 4);
}

TEST_F(SonicropAppTest, ABadOptionKeepsTheProgramOpenAndThePageActive)
{
    RunProgram([this](SonicropApp& app) {
        MainWindow* window = app.Window();
        ASSERT_TRUE(window->SetActivePage(3));
        app.Options()->forwardOverlapEdit()->SetText("x");
        EXPECT_FALSE(window->SetActivePage(0));
        EXPECT_EQ(window->ActiveIndex(), 3);
        // A click on a tab is turned back the same way.
        window->TabBar()->setCurrentIndex(1);
        EXPECT_EQ(window->TabBar()->currentIndex(), 3);
        EXPECT_FALSE(app.BatchCutter() == nullptr);
        EXPECT_FALSE(window->Page(1)->IsInitialised());

        EXPECT_FALSE(window->close());
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(messages_.size(), 3u);
        EXPECT_EQ(messages_.back().text, "Invalid number: x, please enter it again.");
        app.Options()->forwardOverlapEdit()->SetText("1");
    });
    EXPECT_EQ(StoredNumber(kCutterSubkey, "ForwardOverlap"), 10);
}

TEST_F(SonicropAppTest, TheMainWindowDoesNotCloseWhileAJobHasItDisabled)
{
    RunProgram([](SonicropApp& app) {
        MainWindow* window = app.Window();
        window->setEnabled(false); // what a running cut or join does
        EXPECT_FALSE(window->close());
        EXPECT_TRUE(window->isVisible());
        window->setEnabled(true);
    });
}

TEST_F(SonicropAppTest, PagesReadTheOptionsAsLastTakenOnTheOptionsPage)
{
    RunProgram([](SonicropApp& app) {
        MainWindow* window = app.Window();
        ASSERT_TRUE(window->SetActivePage(3));
        app.Options()->forwardOverlapEdit()->SetText("2.5");
        ASSERT_TRUE(window->SetActivePage(0));
        const OptionValues* live = app.Cutter()->LiveOptions();
        ASSERT_NE(live, nullptr);
        EXPECT_EQ(live->cut.ForwardOverlap, 25);
        EXPECT_EQ(app.Joiner()->LiveOptions(), live);
    });
}

TEST_F(SonicropAppTest, HelpCommandRaisesTheOpenHelpWindowInsteadOfOpeningAnother)
{
    RunProgram([](SonicropApp& app) {
        QWidget* help = HelpWindow::Find();
        ASSERT_NE(help, nullptr);
        help->showMinimized();
        app.Window()->activateWindow();
        QApplication::setActiveWindow(app.Window());
        QTest::keyClick(app.Window(), Qt::Key_F1);
        EXPECT_EQ(HelpWindowCount(), 1);
        EXPECT_FALSE(help->isMinimized());
        help->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(HelpWindowCount(), 0);
        app.Window()->SetActivePage(4);
        app.About()->HelpButton()->click();
        EXPECT_EQ(HelpWindowCount(), 1);
        app.About()->HelpButton()->click();
        EXPECT_EQ(HelpWindowCount(), 1);
    });
    EXPECT_EQ(HelpWindowCount(), 0);
}

TEST_F(SonicropAppTest, MissingHelpPagesOpenNothingAndSayNothing)
{
    HelpWindow::SetHelpFolder(settingsFolder_.Path().string());
    RunProgram([this](SonicropApp& app) {
        EXPECT_EQ(HelpWindow::Find(), nullptr);
        app.OnHelp();
        EXPECT_EQ(HelpWindow::Find(), nullptr);
        EXPECT_TRUE(messages_.empty());
    });
}

TEST_F(SonicropAppTest, AFileSizeLimitMakesWritesFailInsteadOfKillingTheProgram)
{
    std::signal(SIGXFSZ, SIG_DFL);
    RunProgram([](SonicropApp&) {
        struct sigaction action { };
        ASSERT_EQ(::sigaction(SIGXFSZ, nullptr, &action), 0);
        EXPECT_EQ(action.sa_handler, SIG_IGN);
    });
}

TEST_F(SonicropAppTest, AFileNamedOnTheCommandLineOpensInTheCutter)
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
        SonicropApp app(argc, argv);
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(app.FileToOpen(), path);
        EXPECT_EQ(app.Window()->ActiveIndex(), 0);
        CutterPage* cutter = app.Cutter();
        EXPECT_EQ(cutter->SourcePath(), path);
        // The page was set up before the file arrived: the file's controls stay enabled.
        EXPECT_TRUE(cutter->CutButton()->isEnabled());
        EXPECT_EQ(cutter->CutButton()->text(), "C&ut Now!");
        EXPECT_EQ(cutter->Pieces().Size(), 1u);
        app.Window()->close();
        app.ExitInstance(0);
    }
    EXPECT_TRUE(messages_.empty());
}
