#pragma once
// The main window: a fixed-size window titled "Sonicrop" showing the pages as tabs, without OK,
// Cancel or Apply buttons and without a maximise button. Leaving a page asks the page first; closing
// asks the options page to take and check its values.
#include <QFont>
#include <QWidget>
#include <vector>

class OptionsPage;
class PropertyPage;
class QStackedWidget;
class QTabBar;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    MainWindow();

    void AddPage(PropertyPage* page);
    void SetOptionsPage(OptionsPage* options) { options_ = options; }
    // The page shown first; an index that names no page opens the first page.
    void SetStartPage(int index) { startPage_ = index; }
    // Lays out, sets icon and font, centres on the screen and shows the start page.
    void Create();

    int ActiveIndex() const;
    // Leaves the active page for another one when the active page agrees; false otherwise.
    bool SetActivePage(int index);
    PropertyPage* Page(int index) const;
    int PageCount() const { return static_cast<int>(pages_.size()); }
    QTabBar* TabBar() const { return tabs_; }
    // The index recorded when the window went away (the active page until then).
    int RecordedIndex() const;

Q_SIGNALS:
    // F1 without Shift, Ctrl or Alt.
    void HelpRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void TabClicked(int index);
    void DestroyWindow();

    QTabBar* tabs_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    std::vector<PropertyPage*> pages_;
    OptionsPage* options_ = nullptr;
    QFont font_;
    int startPage_ = 0;
    int recordedIndex_ = 0;
    bool created_ = false;
    bool destroyed_ = false;
    int shownIndex_ = 0; // the tab whose page the stack shows
};
