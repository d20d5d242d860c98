#pragma once
// Shows a file selected in the desktop's file manager: the freedesktop FileManager1 D-Bus service
// when one answers, else the file's folder opened with the preferred program.
#include <functional>
#include <string>

// False when neither a file manager nor a program for the folder could be reached.
bool RevealInExplorer(const std::string& path);

// Tests record the paths instead (no file manager runs headless) and say whether it was shown; an
// empty function restores the desktop's file manager.
using Revealer = std::function<bool(const std::string& path)>;
void SetRevealerForTests(Revealer revealer);
