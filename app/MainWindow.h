#pragma once
// The main window: a window titled "Sonicrop" showing the pages as tabs, without OK, Cancel or Apply
// buttons. The pages' size is its default and smallest size; it can be resized and maximised, and it
// opens where it was last (when that place is still on a screen). Leaving a page asks the page first; closing
// asks the options page to take and check its values.
#include "app/AppSettings.h"

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
    // Where Create() puts the window: an empty normal geometry centres it at the default size.
    void SetPlacement(const WindowPlacement& placement) { placement_ = placement; }
    // Lays out, sets icon and font, places the window and shows the start page.
    void Create();
    // The geometry and state now, or as they were when the window went away.
    WindowPlacement Placement() const;
    // The default size of the whole window (the pages at their default size, with the tabs).
    QSize DefaultSize() const { return defaultSize_; }

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
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void TabClicked(int index);
    void DestroyWindow();
    // Size and position from the placement, or centred on the primary screen.
    void Place();
    void NoteNormalGeometry();

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
    WindowPlacement placement_;
    QSize defaultSize_;
    QRect lastNormal_; // frame position and size while last neither maximised nor minimised
};
