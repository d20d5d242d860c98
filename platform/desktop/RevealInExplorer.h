#pragma once
// Shows a file selected in the desktop's file manager: the freedesktop FileManager1 D-Bus service
// when one answers, else the file's folder opened with the preferred program. The result is ignored.
#include <functional>
#include <string>

void RevealInExplorer(const std::string& path);

// Tests record the paths instead (no file manager runs headless); an empty function restores the
// desktop's file manager.
using Revealer = std::function<void(const std::string& path)>;
void SetRevealerForTests(Revealer revealer);
