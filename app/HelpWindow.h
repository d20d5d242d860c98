#pragma once
// The program's help: HTML pages shown in a window of their own titled "Sonicrop Help".
#include <QWidget>
#include <string>

class QTextBrowser;

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(const QString& indexPath);
    QTextBrowser* Browser() const { return browser_; }

    // The open help window, or nullptr.
    static QWidget* Find();
    // The index page: "help/index.html" beside the program (the build tree), else the installed
    // copy in "../share/sonicrop/help/". Empty when neither exists.
    static std::string IndexPath();
    // Tests point the help at the source folder.
    static void SetHelpFolder(const std::string& folder);

private:
    QTextBrowser* browser_ = nullptr;
};
