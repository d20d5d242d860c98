#include "app/HelpWindow.h"

#include "platform/PathHelpers.h"
#include "ui/ProductInfo.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {

std::string& HelpFolderOverride()
{
    static std::string folder;
    return folder;
}

} // namespace

void HelpWindow::SetHelpFolder(const std::string& folder) { HelpFolderOverride() = folder; }

std::string HelpWindow::IndexPath()
{
    std::vector<std::string> candidates;
    if (!HelpFolderOverride().empty()) {
        candidates.push_back(HelpFolderOverride() + "/index.html");
    } else {
        std::string programFolder;
        if (!GetProgramFolder(programFolder))
            return {};
        candidates.push_back(programFolder + "help/index.html");
        candidates.push_back(programFolder + "../share/sonicrop/help/index.html");
    }
    for (const std::string& path : candidates)
        if (FileExists(path))
            return path;
    return {};
}

QWidget* HelpWindow::Find()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->windowTitle() == kHelpWindowTitle)
            return window;
    return nullptr;
}

HelpWindow::HelpWindow(const QString& indexPath)
{
    setWindowTitle(kHelpWindowTitle);
    setWindowIcon(QApplication::windowIcon());
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(820, 620);

    browser_ = new QTextBrowser(this);
    browser_->setOpenExternalLinks(true);
    auto* contents = new QPushButton("&Contents", this);
    auto* back = new QPushButton("&Back", this);
    auto* forward = new QPushButton("&Forward", this);
    back->setEnabled(false);
    forward->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contents);
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_);

    connect(contents, &QPushButton::clicked, browser_, &QTextBrowser::home);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
    browser_->setSource(QUrl::fromLocalFile(indexPath));
}
