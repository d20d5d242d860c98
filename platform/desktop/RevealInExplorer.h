#pragma once
// Shows a file selected in the desktop's file manager: the freedesktop FileManager1 D-Bus service
// when one answers, else the file's folder opened with the preferred program. The result is ignored.
#include <string>

void RevealInExplorer(const std::string& path);
