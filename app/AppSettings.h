#pragma once
// The application's own values in the options key: the start page, the first-run mark and the main
// window's place.
#include <QRect>


int LoadStartPage();
void SaveStartPage(int startPage, unsigned groups);
// True on the very first start: FirstRun is absent or non-zero; it is then set to 0. When the store
// cannot be written the mark stays, and every start counts as the first.
bool TakeFirstRun();

// The main window's last normal (not maximised) geometry and whether it was maximised.
struct WindowPlacement {
    QRect normal; // empty when never stored
    bool maximised = false;
};
WindowPlacement LoadWindowPlacement();
void SaveWindowPlacement(const WindowPlacement& placement);
