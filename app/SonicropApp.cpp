#include "app/CMainApp.h"

#include "app/AppSettings.h"
#include "app/CHelpWindow.h"
#include "app/CMainSheet.h"
#include "app/CPageOptions.h"
#include "ui/CPageAbout.h"
#include "ui/CPageBatchSplitter.h"
#include "ui/CPageJoiner.h"
#include "ui/CPageSplitter.h"
#include "ui/PageSettings.h"
#include "ui/ProductInfo.h"
#include "ui/WindowHelpers.h"

#include <QApplication>
#include <QIcon>

#include <csignal>

// Resources of a static library are registered by hand, outside any namespace.
static void RegisterResources() { Q_INIT_RESOURCE(sonicrop); }

CMainApp::CMainApp(int& argc, char** argv)
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

CMainApp::~CMainApp() = default;

bool CMainApp::InitInstance()
{
    startPage_ = LoadStartPage();
    if (TakeFirstRun())
        OpenHelpWindow(true);

    sheet_ = std::make_unique<CMainSheet>();
    // Each page loads its own settings as it is constructed.
    splitter_ = new CPageSplitter;
    batchSplitter_ = new CPageBatchSplitter;
    joiner_ = new CPageJoiner;
    options_ = new CPageOptions;
    about_ = new CPageAbout;
    sheet_->AddPage(splitter_);
    sheet_->AddPage(batchSplitter_);
    sheet_->AddPage(joiner_);
    sheet_->AddPage(options_);
    sheet_->AddPage(about_);
    sheet_->SetOptionsPage(options_);
    for (CPropertyPage* page : { static_cast<CPropertyPage*>(splitter_), static_cast<CPropertyPage*>(batchSplitter_),
             static_cast<CPropertyPage*>(joiner_) })
        page->SetLiveOptions(&options_->Values());
    // A file named on the command line opens in the cutter, so the cutter is the page shown.
    sheet_->SetStartPage(fileToOpen_.empty() ? startPage_ : 0);
    connect(sheet_.get(), &CMainSheet::HelpRequested, this, &CMainApp::OnHelp);
    connect(about_, &CPageAbout::HelpRequested, this, &CMainApp::OnHelp);
    sheet_->Create();
    if (!fileToOpen_.empty())
        splitter_->OpenSourceAndReport(fileToOpen_);
    return true;
}

int CMainApp::ExitInstance(int exitCode)
{
    if (QWidget* help = CHelpWindow::Find())
        help->close();
    if (sheet_) {
        startPage_ = sheet_->RecordedIndex();
        // Destroying the sheet destroys the pages; each page that was ever shown saves its share.
        sheet_.reset();
        splitter_ = nullptr;
        batchSplitter_ = nullptr;
        joiner_ = nullptr;
        options_ = nullptr;
        about_ = nullptr;
        SaveStartPage(startPage_, kGroupStartPage);
    }
    return exitCode;
}

int CMainApp::Run()
{
    if (!InitInstance())
        return 1;
    return ExitInstance(QApplication::exec());
}

void CMainApp::OnHelp()
{
    if (QWidget* help = CHelpWindow::Find()) {
        BringWindowToFront(help);
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    OpenHelpWindow(false);
    QApplication::restoreOverrideCursor();
}

void CMainApp::OpenHelpWindow(bool maximised)
{
    // Missing help pages open nothing and say nothing.
    const std::string index = CHelpWindow::IndexPath();
    if (index.empty())
        return;
    auto* help = new CHelpWindow(QString::fromStdString(index));
    if (maximised)
        help->showMaximized();
    else
        help->show();
}
