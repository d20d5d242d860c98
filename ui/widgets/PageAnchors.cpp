#include "ui/widgets/PageAnchors.h"

#include <QWidget>
#include <algorithm>
#include <cmath>

void PageAnchors::Add(QWidget* control, Anchor anchor)
{
    if (control)
        entries_.push_back({ control, control->geometry(), anchor });
}

void PageAnchors::Apply(QSize extra) const
{
    const int dx = std::max(0, extra.width());
    const int dy = std::max(0, extra.height());
    const auto share = [](double part, int total) { return static_cast<int>(std::lround(part * total)); };
    for (const Entry& entry : entries_) {
        const int left = entry.base.left() + share(entry.anchor.left, dx);
        const int top = entry.base.top() + share(entry.anchor.top, dy);
        const int right = entry.base.left() + entry.base.width() + share(entry.anchor.right, dx);
        const int bottom = entry.base.top() + entry.base.height() + share(entry.anchor.bottom, dy);
        entry.control->setGeometry(left, top, right - left, bottom - top);
    }
}
