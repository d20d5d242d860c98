#include "ui/about/AboutPage.h"

#include "platform/desktop/ShellOpen.h"
#include "ui/widgets/LinkLabel.h"
#include "ui/ProductInfo.h"
#include "ui/widgets/WindowHelpers.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

namespace {

// Runs a shell call under the wait cursor; its result is not reported.
void OpenWithWaitCursor(const std::string& target)
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    ShellOpen(target);
    QGuiApplication::restoreOverrideCursor();
}

} // namespace

AboutPage::AboutPage(QWidget* parent)
    : PropertyPage("About", parent)
{
    helpButton_ = new QPushButton("&Help Topics", this);
    helpButton_->setGeometry(DialogRect(307, 7, 127, 14));
    updateButton_ = new QPushButton("&Check for Updates", this);
    updateButton_->setGeometry(DialogRect(307, 28, 127, 14));
    tellFriendButton_ = new QPushButton("&Tell a Friend", this);
    tellFriendButton_->setGeometry(DialogRect(307, 49, 127, 14));

    auto* icon = new QLabel(this);
    icon->setObjectName("ProgramIcon");
    icon->setGeometry(DialogRect(7, 7, 22, 22));
    icon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    auto* version = new QLabel(kVersionText, this);
    version->setObjectName("VersionText");
    version->setGeometry(DialogRect(39, 8, 160, 9));

    homePageLink_ = new LinkLabel("Visit Sonicrop Homepage", this);
    homePageLink_->setGeometry(DialogRect(39, 102, 176, 9));
    supportLink_ = new LinkLabel("Feedback and Support", this);
    supportLink_->setGeometry(DialogRect(39, 117, 176, 9));

    // The buttons keep to the right edge of a larger page; the icon, version and links to the left.
    for (QPushButton* button : { helpButton_, updateButton_, tellFriendButton_ })
        AnchorControl(button, kAnchorRight);

    connect(helpButton_, &QPushButton::clicked, this, &AboutPage::HelpRequested);
    connect(updateButton_, &QPushButton::clicked, this, &AboutPage::CheckForUpdates);
    connect(tellFriendButton_, &QPushButton::clicked, this, &AboutPage::TellFriend);
}

void AboutPage::OnInitDialog()
{
    homePageLink_->SetUrl(kHomePageUrl);
    homePageLink_->SetUnderlineMode(LinkLabel::kUnderlineAlways);
    supportLink_->SetUrl(std::string("mailto:") + kSupportAddress);
    supportLink_->SetUnderlineMode(LinkLabel::kUnderlineAlways);
}

std::string AboutPage::UpdatePageUrl() { return std::string(kHomePageUrl) + kUpdatePath; }

std::string AboutPage::TellFriendUrl()
{
    return std::string("mailto:?subject=") + "Sonicrop - very COOL application!!!" + "&body=Download from "
        + kHomePageUrl;
}

void AboutPage::CheckForUpdates() { OpenWithWaitCursor(UpdatePageUrl()); }

void AboutPage::TellFriend() { OpenWithWaitCursor(TellFriendUrl()); }
