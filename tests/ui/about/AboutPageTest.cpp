#include "ui/about/AboutPage.h"
#include "tests/gui_support/GuiTestEnvironment.h"
#include "ui/widgets/LinkLabel.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QUrlQuery>

using AboutPageTest = GuiTest;

TEST_F(AboutPageTest, LinksAndButtonsOpenTheProductAddresses)
{
    AboutPage page;
    page.show();
    EXPECT_EQ(page.findChild<QLabel*>("VersionText")->text(), "Sonicrop v2.1 build 815");
    EXPECT_EQ(page.HomePageLink()->Url(), "https://sonicrop.example/");
    EXPECT_EQ(page.SupportLink()->Url(), "mailto:support@sonicrop.example");
    EXPECT_TRUE(page.HomePageLink()->IsUnderlined());
    EXPECT_TRUE(page.SupportLink()->IsUnderlined());

    page.UpdateButton()->click();
    page.TellFriendButton()->click();
    ASSERT_EQ(openedUrls_.size(), 2u);
    EXPECT_EQ(openedUrls_[0].toString(), "https://sonicrop.example/checkforupdates/?ver=2.1&build=815");
    const QUrl mail = openedUrls_[1];
    EXPECT_EQ(mail.scheme(), "mailto");
    EXPECT_EQ(mail.path(), "");
    const QUrlQuery query(mail);
    EXPECT_EQ(query.queryItemValue("subject", QUrl::FullyDecoded), "Sonicrop - very COOL application!!!");
    EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded), "Download from https://sonicrop.example/");

    urlOpensSucceed_ = false;
    page.UpdateButton()->click();
    EXPECT_TRUE(messages_.empty()); // the buttons report nothing when opening fails

    QSignalSpy help(&page, &AboutPage::HelpRequested);
    page.HelpButton()->click();
    EXPECT_EQ(help.count(), 1);
}
