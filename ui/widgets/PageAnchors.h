#pragma once
// Controls placed at fixed positions on a page of the default size, and how each follows when the
// page grows: every edge moves by its share (0 to 1) of the width or height beyond the default.
// A list that grows has its right and bottom edges at share 1; a button beside it moves with share 1
// on both its left and right edges; two fields side by side split the extra width at 0.5.
#include <QRect>
#include <QSize>
#include <vector>

class QWidget;

struct Anchor {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

inline constexpr Anchor kAnchorGrow { 0, 0, 1, 1 }; // both ways
inline constexpr Anchor kAnchorRight { 1, 0, 1, 0 }; // keeps its distance from the right edge
inline constexpr Anchor kAnchorWide { 0, 0, 1, 0 }; // grows in width only

class PageAnchors {
public:
    // Takes the control's present geometry as its place on a page of the default size.
    void Add(QWidget* control, Anchor anchor);
    // Places every control for a page that is extra larger than the default (negative parts count as 0).
    void Apply(QSize extra) const;

private:
    struct Entry {
        QWidget* control;
        QRect base;
        Anchor anchor;
    };
    std::vector<Entry> entries_;
};
