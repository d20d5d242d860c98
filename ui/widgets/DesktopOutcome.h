#pragma once
// The desktop's file manager and player, asked for by a page: when neither answers, the page says
// so in a message box instead of leaving the user with nothing happening.
#include <string>

class QWidget;

// Shows the file in the file manager; false, after the message, when none could.
bool RevealOrSay(QWidget* page, const std::string& path);
// Opens the file with the desktop's player for it; false, after the message, when none could.
bool PlayOrSay(QWidget* page, const std::string& path);
