// How the cutter page's controls follow a window larger than the default: the pieces list takes the
// extra height, the file name, the information text and the slider the extra width; the split
// modes and the buttons at the right keep their distance from the right edge, the bottom row from
// the bottom edge. Controls are sorted by where they sit at the default size, so a control added to
// a region follows it without a rule of its own.
#include "ui/cutter/CutterPage.h"
#include "ui/widgets/WindowHelpers.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeWidget>

void CutterPage::AnchorControls()
{
    const int right = DialogUnitsX(300); // the right-hand buttons start beyond this
    const int modesLeft = DialogUnitsX(235); // the split modes, beside the information text
    const int modesBottom = DialogUnitsY(112);
    const int bottomRow = DialogUnitsY(280);
    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->isWindow())
            continue; // menus and dialogs
        const QRect area = control->geometry();
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
