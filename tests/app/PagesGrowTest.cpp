// Every page laid out at the default size and larger: controls stay on the page and those that did
// not overlap at the default size do not overlap when it grows; fields that should use the room do.
#include "app/OptionsPage.h"
#include "tests/gui_support/GuiTestEnvironment.h"
#include "ui/about/AboutPage.h"
#include "ui/lists/BatchCutterPage.h"
#include "ui/lists/JoinerPage.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

namespace {

using PagesGrowTest = GuiTest;

std::vector<QWidget*> Controls(QWidget& page)
{
    std::vector<QWidget*> controls;
    for (QWidget* child : page.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow() && child->isVisible())
            controls.push_back(child);
    return controls;
}

// Pairs of controls whose rectangles overlap (a group box and what it holds excepted).
std::set<std::pair<QWidget*, QWidget*>> Overlaps(QWidget& page)
{
    std::set<std::pair<QWidget*, QWidget*>> pairs;
    const std::vector<QWidget*> controls = Controls(page);
    for (QWidget* one : controls)
        for (QWidget* other : controls)
            if (one < other && one->geometry().intersects(other->geometry()))
                pairs.insert({ one, other });
    return pairs;
}

} // namespace

TEST_F(PagesGrowTest, NoControlLeavesThePageOrRunsIntoAnotherAsThePageGrows)
{
    std::vector<std::unique_ptr<PropertyPage>> pages;
    pages.push_back(std::make_unique<BatchCutterPage>());
    pages.push_back(std::make_unique<JoinerPage>());
    pages.push_back(std::make_unique<OptionsPage>());
    pages.push_back(std::make_unique<AboutPage>());
    for (const auto& page : pages) {
        page->resize(PropertyPage::PageSize());
        page->show();
        QApplication::processEvents();
        const auto atDefault = Overlaps(*page);
        for (const QSize larger : { QSize(600, 270), QSize(1240, 540) }) {
            page->resize(PropertyPage::PageSize() + larger);
            QApplication::processEvents();
            for (QWidget* control : Controls(*page))
                EXPECT_TRUE(page->rect().contains(control->geometry()))
                    << page->windowTitle().toStdString() << ": " << control->metaObject()->className();
            EXPECT_EQ(Overlaps(*page), atDefault) << page->windowTitle().toStdString();
        }
    }
}

TEST_F(PagesGrowTest, TheOptionsFieldsTakeTheWidthAndTheButtonsKeepToTheRight)
{
    OptionsPage options;
    options.resize(PropertyPage::PageSize());
    options.show();
    const int folderWidth = options.folderEdit()->width();
    const int encodingWidth = options.encodingList()->width();
    const int browseGap = options.width() - options.browseButton()->geometry().right();
    options.resize(PropertyPage::PageSize() + QSize(300, 200));
    EXPECT_EQ(options.folderEdit()->width(), folderWidth + 300);
    EXPECT_EQ(options.encodingList()->width(), encodingWidth + 300);
    EXPECT_EQ(options.width() - options.browseButton()->geometry().right(), browseGap);
    EXPECT_GT(options.sampleRateList()->width(), PropertyPage::PageSize().width() / 5);
    EXPECT_LT(options.sampleRateList()->geometry().right(), options.bitRateList()->x());
    EXPECT_LT(options.bitRateList()->geometry().right(), options.channelList()->x());

    AboutPage about;
    about.resize(PropertyPage::PageSize());
    about.show();
    const auto buttons = about.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 3);
    const int gap = about.width() - buttons[0]->geometry().right();
    about.resize(PropertyPage::PageSize() + QSize(300, 200));
    for (QPushButton* button : buttons)
        EXPECT_EQ(about.width() - button->geometry().right(), gap) << button->text().toStdString();
}
