#pragma once
// The application object: starts the program (settings, first-run help, the main window and its five
// pages), answers the help command, and shuts down in order (help closed, start page saved).
#include <QObject>
#include <memory>
#include <string>

class MainWindow;
class AboutPage;
class BatchCutterPage;
class JoinerPage;
class OptionsPage;
class CutterPage;
class QApplication;

class SonicropApp : public QObject {
    Q_OBJECT
public:
    // Creates the QApplication unless one exists already (tests make their own).
    SonicropApp(int& argc, char** argv);
    ~SonicropApp() override;

    bool InitInstance();
    // Returns exitCode.
    int ExitInstance(int exitCode);
    // InitInstance, the event loop until the main window goes, ExitInstance.
    int Run();

    // The help command: raises the open help window, or opens the help.
    void OnHelp();

    MainWindow* Window() const { return window_.get(); }
    // The live option values for every part of the program that needs them.
    OptionsPage* Options() const { return options_; }
    CutterPage* Cutter() const { return cutter_; }
    BatchCutterPage* BatchCutter() const { return batchCutter_; }
    JoinerPage* Joiner() const { return joiner_; }
    AboutPage* About() const { return about_; }
    int StartPage() const { return startPage_; }
    // The file named on the command line ("sonicrop FILE.mp3"), opened in the cutter at start-up.
    const std::string& FileToOpen() const { return fileToOpen_; }

private:
    void OpenHelpWindow(bool maximised);

    std::unique_ptr<QApplication> application_;
    std::unique_ptr<MainWindow> window_;
    // The pages belong to the main window and are destroyed with it.
    CutterPage* cutter_ = nullptr;
    BatchCutterPage* batchCutter_ = nullptr;
    JoinerPage* joiner_ = nullptr;
    OptionsPage* options_ = nullptr;
    AboutPage* about_ = nullptr;
    int startPage_ = 0;
    std::string fileToOpen_;
};
