#include "app/SonicropApp.h"

#include "app/AppSettings.h"
#include "app/HelpWindow.h"
#include "app/MainWindow.h"
#include "app/OptionsPage.h"
#include "ui/about/AboutPage.h"
#include "ui/lists/BatchCutterPage.h"
#include "ui/lists/JoinerPage.h"
#include "ui/cutter/CutterPage.h"
#include "ui/PageSettings.h"
#include "ui/ProductInfo.h"
#include "ui/widgets/WindowHelpers.h"

#include <QApplication>
#include <QIcon>

#include <csignal>

// Resources of a static library are registered by hand, outside any namespace.
static void RegisterResources() { Q_INIT_RESOURCE(sonicrop); }

SonicropApp::SonicropApp(int& argc, char** argv)
{
    // A write past the file-size limit (ulimit -f) then fails like a full disk, so the job removes
    // its partial output and says so, instead of the program being killed mid-write.
    std::signal(SIGXFSZ, SIG_IGN);
    if (!QApplication::instance())
        application_ = std::make_unique<QApplication>(argc, argv);
    // Qt has taken its own options out of argv by now; the first other argument is a file to open
    // ("Open With" from a file manager runs "sonicrop %f"). "--" ends the options.
    bool optionsEnded = false;
    for (int index = 1; index < argc && argv[index]; ++index) {
        const std::string argument = argv[index];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument.empty() || (!optionsEnded && argument[0] == '-'))
            continue;
        fileToOpen_ = QString::fromLocal8Bit(argv[index]).toStdString();
        break;
    }
    RegisterResources();
    QApplication::setApplicationName(kProductName);
    QApplication::setDesktopFileName("sonicrop");
    QIcon icon;
    for (int size : { 16, 32, 48, 256 })
        icon.addFile(QString(":/icons/sonicrop-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    // The program ends when the main window goes, whatever other windows are open.
    QApplication::setQuitOnLastWindowClosed(false);
}

SonicropApp::~SonicropApp() = default;

bool SonicropApp::InitInstance()
{
    startPage_ = LoadStartPage();
    if (TakeFirstRun())
        OpenHelpWindow(true);

    window_ = std::make_unique<MainWindow>();
    // Each page loads its own settings as it is constructed.
    cutter_ = new CutterPage;
    batchCutter_ = new BatchCutterPage;
    joiner_ = new JoinerPage;
    options_ = new OptionsPage;
    about_ = new AboutPage;
    window_->AddPage(cutter_);
    window_->AddPage(batchCutter_);
    window_->AddPage(joiner_);
    window_->AddPage(options_);
    window_->AddPage(about_);
    window_->SetOptionsPage(options_);
    for (PropertyPage* page : { static_cast<PropertyPage*>(cutter_), static_cast<PropertyPage*>(batchCutter_),
             static_cast<PropertyPage*>(joiner_) })
        page->SetLiveOptions(&options_->Values());
    // A file named on the command line opens in the cutter, so the cutter is the page shown.
    window_->SetStartPage(fileToOpen_.empty() ? startPage_ : 0);
    connect(window_.get(), &MainWindow::HelpRequested, this, &SonicropApp::OnHelp);
    connect(about_, &AboutPage::HelpRequested, this, &SonicropApp::OnHelp);
    window_->SetPlacement(LoadWindowPlacement());
    window_->Create();
    if (!fileToOpen_.empty())
        cutter_->OpenSourceAndReport(fileToOpen_);
    return true;
}

int SonicropApp::ExitInstance(int exitCode)
{
    if (QWidget* help = HelpWindow::Find())
        help->close();
    if (window_) {
        startPage_ = window_->RecordedIndex();
        const WindowPlacement placement = window_->Placement();
        // Destroying the main window destroys the pages; each page that was ever shown saves its share.
        window_.reset();
        cutter_ = nullptr;
        batchCutter_ = nullptr;
        joiner_ = nullptr;
        options_ = nullptr;
        about_ = nullptr;
        SaveStartPage(startPage_, kGroupStartPage);
        SaveWindowPlacement(placement);
    }
    return exitCode;
}

int SonicropApp::Run()
{
    if (!InitInstance())
        return 1;
    return ExitInstance(QApplication::exec());
}

void SonicropApp::OnHelp()
{
    if (QWidget* help = HelpWindow::Find()) {
        BringWindowToFront(help);
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    OpenHelpWindow(false);
    QApplication::restoreOverrideCursor();
}

void SonicropApp::OpenHelpWindow(bool maximised)
{
    // Missing help pages open nothing and say nothing.
    const std::string index = HelpWindow::IndexPath();
    if (index.empty())
        return;
    auto* help = new HelpWindow(QString::fromStdString(index));
    if (maximised)
        help->showMaximized();
    else
        help->show();
}
