#pragma once
// Small window helpers shared by the main window, the pages and the dialogs.
#include <QFont>
#include <QRect>

class QWidget;

// The font of every page and of the main window: "Tahoma", 11 pixels high (the desktop substitutes a
// similar face when Tahoma is absent).
QFont CreatePageFont();
// Sets the font on the window and on each of its direct children.
void ApplyFontToChildren(QWidget* window, const QFont& font);
// Restores the window when minimised, raises it and gives it the input focus.
void BringWindowToFront(QWidget* window);
// The program's main window (once it is shown), or nullptr. Jobs disable it while they
// run; progress dialogs centre over it and stay above it.
QWidget* CurrentMainWindow();
void SetMainWindow(QWidget* window);

// Dialog units of an 8-point Tahoma dialog: 4 horizontal units are 6 pixels, 8 vertical units 13.
inline int DialogUnitsX(int units) { return units * 3 / 2; }
inline int DialogUnitsY(int units) { return units * 13 / 8; }
inline QRect DialogRect(int x, int y, int width, int height)
{
    return { DialogUnitsX(x), DialogUnitsY(y), DialogUnitsX(width), DialogUnitsY(height) };
}
