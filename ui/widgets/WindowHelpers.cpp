#include "ui/widgets/WindowHelpers.h"

#include <QPointer>
#include <QWidget>

QFont CreatePageFont()
{
    QFont font("Tahoma");
    font.setPixelSize(11);
    return font;
}

void ApplyFontToChildren(QWidget* window, const QFont& font)
{
    if (!window)
        return;
    window->setFont(font);
    for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->setFont(font);
}

void BringWindowToFront(QWidget* window)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
}

namespace {

QPointer<QWidget>& MainWindowPointer()
{
    static QPointer<QWidget> window;
    return window;
}

} // namespace

QWidget* CurrentMainWindow() { return MainWindowPointer(); }

void SetMainWindow(QWidget* window) { MainWindowPointer() = window; }
