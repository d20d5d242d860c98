#pragma once
// Folders the desktop defines for the current user.
#include <string>

// The user's documents folder, ending with a separator ($HOME/Documents when the desktop names none).
std::string GetDocumentsFolder();
