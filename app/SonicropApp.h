#pragma once
// The application object: starts the program (settings, first-run help, the main sheet and its five
// pages), answers the help command, and shuts down in order (help closed, start page saved).
#include <QObject>
#include <memory>
#include <string>

class CMainSheet;
class CPageAbout;
class CPageBatchSplitter;
class CPageJoiner;
class CPageOptions;
class CPageSplitter;
class QApplication;

class CMainApp : public QObject {
    Q_OBJECT
public:
    // Creates the QApplication unless one exists already (tests make their own).
    CMainApp(int& argc, char** argv);
    ~CMainApp() override;

    bool InitInstance();
    // Returns exitCode.
    int ExitInstance(int exitCode);
    // InitInstance, the event loop until the main window goes, ExitInstance.
    int Run();

    // The help command: raises the open help window, or opens the help.
    void OnHelp();

    CMainSheet* Sheet() const { return sheet_.get(); }
    // The live option values for every part of the program that needs them.
    CPageOptions* Options() const { return options_; }
    CPageSplitter* Splitter() const { return splitter_; }
    CPageBatchSplitter* BatchSplitter() const { return batchSplitter_; }
    CPageJoiner* Joiner() const { return joiner_; }
    CPageAbout* About() const { return about_; }
    int StartPage() const { return startPage_; }
    // The file named on the command line ("sonicrop FILE.mp3"), opened in the cutter at start-up.
    const std::string& FileToOpen() const { return fileToOpen_; }

private:
    void OpenHelpWindow(bool maximised);

    std::unique_ptr<QApplication> application_;
    std::unique_ptr<CMainSheet> sheet_;
    // The pages belong to the sheet's window and are destroyed with it.
    CPageSplitter* splitter_ = nullptr;
    CPageBatchSplitter* batchSplitter_ = nullptr;
    CPageJoiner* joiner_ = nullptr;
    CPageOptions* options_ = nullptr;
    CPageAbout* about_ = nullptr;
    int startPage_ = 0;
    std::string fileToOpen_;
};
