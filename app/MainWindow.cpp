#include "app/MainWindow.h"

#include "app/OptionsPage.h"
#include "ui/widgets/PropertyPage.h"
#include "ui/ProductInfo.h"
#include "ui/widgets/WindowHelpers.h"

#include <QApplication>
#include <QGuiApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

MainWindow::MainWindow()
    : QWidget(nullptr,
        Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(kProductName);
    tabs_ = new QTabBar(this);
    tabs_->setExpanding(false);
    tabs_->setDrawBase(false);
    stack_ = new QStackedWidget(this);
    stack_->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(7, 7, 7, 7);
    layout->setSpacing(0);
    layout->addWidget(tabs_);
    layout->addWidget(stack_);
    connect(tabs_, &QTabBar::currentChanged, this, &MainWindow::TabClicked);

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, &MainWindow::HelpRequested);
    // Ctrl+Tab and Ctrl+PgDn move between pages as in a tabbed dialog, through the same check.
    for (const QKeySequence& keys : { QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown) })
        connect(new QShortcut(keys, this), &QShortcut::activated, this,
            [this] { SetActivePage((ActiveIndex() + 1) % PageCount()); });
    for (const QKeySequence& keys :
        { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), QKeySequence(Qt::CTRL | Qt::Key_PageUp) })
        connect(new QShortcut(keys, this), &QShortcut::activated, this,
            [this] { SetActivePage((ActiveIndex() + PageCount() - 1) % PageCount()); });
}

void MainWindow::AddPage(PropertyPage* page)
{
    pages_.push_back(page);
    stack_->addWidget(page);
    const QSignalBlocker blocker(tabs_);
    tabs_->addTab(page->Title());
}

PropertyPage* MainWindow::Page(int index) const
{
    return (index >= 0 && index < PageCount()) ? pages_[static_cast<size_t>(index)] : nullptr;
}

void MainWindow::Create()
{
    font_ = CreatePageFont();
    ApplyFontToChildren(this, font_);
    setWindowIcon(QApplication::windowIcon());

    const int start = (startPage_ >= 0 && startPage_ < PageCount()) ? startPage_ : 0;
    {
        const QSignalBlocker blocker(tabs_);
        tabs_->setCurrentIndex(start);
    }
    stack_->setCurrentIndex(start);
    shownIndex_ = start;
    stack_->setMinimumSize(PropertyPage::PageSize() + QSize(2 * stack_->frameWidth(), 2 * stack_->frameWidth()));
    adjustSize();
    defaultSize_ = minimumSizeHint().expandedTo(sizeHint());
    setMinimumSize(defaultSize_);
    resize(defaultSize_);
    Place();
    lastNormal_ = QRect(pos(), size());
    created_ = true;
    SetMainWindow(this);
    if (placement_.maximised)
        showMaximized();
    else
        show();
}

void MainWindow::Place()
{
    const QRect stored = placement_.normal;
    if (!stored.isEmpty()) {
        const QSize size = stored.size().expandedTo(defaultSize_);
        // The stored place counts when its title area is on some screen now (screens come and go).
        const QRect titleArea(stored.topLeft(), QSize(size.width(), 30));
        for (const QScreen* screen : QGuiApplication::screens()) {
            const QRect shared = screen->availableGeometry().intersected(titleArea);
            if (shared.width() >= 100 && shared.height() >= 20) {
                resize(size.boundedTo(screen->availableGeometry().size()).expandedTo(defaultSize_));
                move(stored.topLeft());
                return;
            }
        }
        resize(size);
    }
    if (const QScreen* screen = QApplication::primaryScreen()) {
        resize(size().boundedTo(screen->availableGeometry().size()).expandedTo(defaultSize_));
        move(screen->availableGeometry().center() - rect().center());
    }
}

WindowPlacement MainWindow::Placement() const
{
    if (destroyed_ || !created_)
        return placement_;
    return { lastNormal_.isEmpty() ? QRect(pos(), size()) : lastNormal_, isMaximized() };
}

void MainWindow::moveEvent(QMoveEvent* event)
{
    NoteNormalGeometry();
    QWidget::moveEvent(event);
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    NoteNormalGeometry();
    QWidget::resizeEvent(event);
}

void MainWindow::NoteNormalGeometry()
{
    // The frame's position (what move() takes) and the window's size, while it is neither
    // maximised nor minimised, so a maximised window comes back to its earlier place when restored.
    if (created_ && isVisible() && !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)))
        lastNormal_ = QRect(pos(), size());
}

int MainWindow::ActiveIndex() const { return created_ ? shownIndex_ : startPage_; }

int MainWindow::RecordedIndex() const { return destroyed_ ? recordedIndex_ : ActiveIndex(); }

bool MainWindow::SetActivePage(int index)
{
    if (index < 0 || index >= PageCount())
        return false;
    if (index != shownIndex_) {
        if (PropertyPage* leaving = Page(shownIndex_); leaving && !leaving->OnKillActive())
            return false;
        shownIndex_ = index;
        stack_->setCurrentIndex(index);
    }
    const QSignalBlocker blocker(tabs_);
    tabs_->setCurrentIndex(index);
    return true;
}

void MainWindow::TabClicked(int index)
{
    // The tab bar has already moved: put it back until the page being left agrees.
    {
        const QSignalBlocker blocker(tabs_);
        tabs_->setCurrentIndex(shownIndex_);
    }
    SetActivePage(index);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // A job disables the window while it runs; the desktop may still ask a disabled window to close.
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    if (options_ && !options_->TakeAndCheck()) {
        event->ignore();
        return;
    }
    event->accept();
    DestroyWindow();
}

void MainWindow::DestroyWindow()
{
    recordedIndex_ = ActiveIndex();
    placement_ = Placement();
    destroyed_ = true;
    hide();
    // The main window is gone: the program's event loop ends with it.
    QCoreApplication::quit();
}
