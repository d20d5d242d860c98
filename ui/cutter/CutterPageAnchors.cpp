// How the cutter page's controls follow a window larger than the default: the level strip takes
// half the extra height up to three times its own, the pieces list the rest; the file name, the
// information text, the strip and the slider the extra width; the split modes and the buttons at
// the right keep their distance from the right edge, the bottom row from the bottom edge, and the
// slider and its buttons stay right below the strip. Controls are sorted by where they sit at the
// default size, so a control added to a region follows it without a rule of its own.
#include "ui/cutter/CutterPage.h"
#include "ui/cutter/LevelStrip.h"
#include "ui/widgets/WindowHelpers.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QTreeWidget>
#include <algorithm>

void CutterPage::AnchorControls()
{
    const int right = DialogUnitsX(300); // the right-hand buttons start beyond this
    const int modesLeft = DialogUnitsX(235); // the split modes, beside the information text
    const int modesBottom = DialogUnitsY(112);
    const int bottomRow = DialogUnitsY(280);
    stripBase_ = strip_->geometry();
    listBase_ = list_->geometry();
    stripBand_.clear();
    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->isWindow())
            continue; // menus and dialogs
        const QRect area = control->geometry();
        if (area.top() >= stripBase_.bottom() && area.bottom() <= listBase_.top())
            stripBand_.push_back({ control, area.top() }); // between the strip and the list
        if (control == list_)
            AnchorControl(control, kAnchorGrow);
        else if (control == sourceEdit_ || control == infoText_)
            AnchorControl(control, kAnchorWide);
        else if (area.top() >= bottomRow)
            AnchorControl(control, area.left() >= right ? Anchor { 1, 1, 1, 1 } : Anchor { 0, 1, 0, 1 });
        else if (area.left() < DialogUnitsX(20) && area.right() > DialogUnitsX(420))
            AnchorControl(control, kAnchorWide); // a strip across the page (the slider)
        else if (area.left() >= right || (area.left() >= modesLeft && area.bottom() < modesBottom))
            AnchorControl(control, kAnchorRight);
    }
}

void CutterPage::resizeEvent(QResizeEvent* event)
{
    PropertyPage::resizeEvent(event);
    GrowLevelStrip(event->size().height() - PageSize().height());
}

void CutterPage::GrowLevelStrip(int extraHeight)
{
    // Run after the anchors have placed every control for the new width.
    const int grow = std::clamp(extraHeight / 2, 0, 2 * stripBase_.height());
    QRect strip = strip_->geometry();
    strip.setTop(stripBase_.top());
    strip.setHeight(stripBase_.height() + grow);
    strip_->setGeometry(strip);
    for (const auto& [control, top] : stripBand_)
        control->move(control->x(), top + grow);
    QRect list = list_->geometry();
    list.setTop(listBase_.top() + grow);
    list_->setGeometry(list);
}
