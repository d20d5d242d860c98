#include "ui/widgets/LinkLabel.h"
#include "tests/gui_support/GuiTestEnvironment.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QTest>
#include <QWidget>

class LinkLabelTest : public GuiTest {
protected:
    LinkLabelTest()
        : link_(new LinkLabel("Visit Sonicrop Homepage", &parent_))
    {
        link_->SetUrl("https://sonicrop.example/");
        parent_.resize(400, 200);
        parent_.show();
    }
    void Hover()
    {
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QCoreApplication::sendEvent(link_, &enter);
    }
    void Leave()
    {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(link_, &leave);
    }

    QWidget parent_;
    LinkLabel* link_;
};

TEST_F(LinkLabelTest, ColoursFollowHoverAndVisit)
{
    EXPECT_EQ(link_->TextColor(), QColor(0, 0, 238));
    EXPECT_FALSE(link_->IsUnderlined());
    Hover();
    EXPECT_EQ(link_->TextColor(), QColor(255, 0, 0));
    EXPECT_TRUE(link_->IsUnderlined()); // underline while hovering, the default mode
    Leave();
    EXPECT_EQ(link_->TextColor(), QColor(0, 0, 238));
    QTest::mouseClick(link_, Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_EQ(openedUrls_.size(), 1u);
    EXPECT_EQ(openedUrls_[0].toString(), "https://sonicrop.example/");
    EXPECT_TRUE(link_->IsVisited());
    EXPECT_EQ(link_->TextColor(), QColor(85, 26, 139));
    EXPECT_EQ(link_->toolTip(), "https://sonicrop.example/");
    EXPECT_EQ(link_->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(LinkLabelTest, UnderlineModes)
{
    link_->SetUnderlineMode(LinkLabel::kUnderlineAlways);
    EXPECT_TRUE(link_->IsUnderlined());
    link_->SetUnderlineMode(LinkLabel::kUnderlineNever);
    Hover();
    EXPECT_FALSE(link_->IsUnderlined());
}

TEST_F(LinkLabelTest, AFailedOpenBeepsReportsTheCodeAndStaysUnvisited)
{
    urlOpensSucceed_ = false;
    link_->Open();
    EXPECT_FALSE(link_->IsVisited());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text,
        "Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename extension.");
    EXPECT_EQ(messages_[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(LinkLabel::OpenErrorText(26), "A sharing violation occurred. ");
    EXPECT_EQ(LinkLabel::OpenErrorText(4), "Unknown Error (4) occurred.");
    EXPECT_EQ(LinkLabel::OpenErrorText(0), "The operating system is out\nof memory or resources.");
}

TEST_F(LinkLabelTest, FittingKeepsTheAnchorOfTheAlignment)
{
    link_->setGeometry(100, 50, 300, 40);
    link_->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    const QPoint centre = link_->geometry().center();
    link_->FitToText();
    EXPECT_LT(link_->width(), 300);
    EXPECT_LE(std::abs(link_->geometry().center().x() - centre.x()), 1);
    EXPECT_LE(std::abs(link_->geometry().center().y() - centre.y()), 1);

    link_->setGeometry(100, 50, 300, 40);
    link_->setAlignment(Qt::AlignRight);
    link_->FitToText();
    EXPECT_EQ(link_->geometry().right(), 399);
    EXPECT_EQ(link_->geometry().top(), 50);

    link_->setGeometry(100, 50, 300, 40);
    link_->setAlignment(Qt::AlignLeft);
    link_->FitToText();
    EXPECT_EQ(link_->geometry().left(), 100);
}

TEST(LinkLabelAttach, AnEmptyTextShowsTheTargetAndAnEmptyTargetTakesTheText)
{
    const LinkLabel fromTarget("", nullptr, "mailto:support@sonicrop.example");
    EXPECT_EQ(fromTarget.text(), "mailto:support@sonicrop.example");
    const LinkLabel fromText("https://sonicrop.example/");
    EXPECT_EQ(fromText.Url(), "https://sonicrop.example/");
}
