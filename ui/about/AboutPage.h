#pragma once
// The "About" page: the program's icon and version, the home page and support links, and the
// help, update-check and tell-a-friend buttons.
#include "ui/widgets/PropertyPage.h"

class LinkLabel;
class QPushButton;

class AboutPage : public PropertyPage {
    Q_OBJECT
public:
    explicit AboutPage(QWidget* parent = nullptr);

    LinkLabel* HomePageLink() const { return homePageLink_; }
    LinkLabel* SupportLink() const { return supportLink_; }
    QPushButton* HelpButton() const { return helpButton_; }
    QPushButton* UpdateButton() const { return updateButton_; }
    QPushButton* TellFriendButton() const { return tellFriendButton_; }

    static std::string UpdatePageUrl();
    static std::string TellFriendUrl();

Q_SIGNALS:
    // "&Help Topics": the application's help command.
    void HelpRequested();

protected:
    void OnInitDialog() override;

private:
    void CheckForUpdates();
    void TellFriend();

    LinkLabel* homePageLink_ = nullptr;
    LinkLabel* supportLink_ = nullptr;
    QPushButton* helpButton_ = nullptr;
    QPushButton* updateButton_ = nullptr;
    QPushButton* tellFriendButton_ = nullptr;
};
