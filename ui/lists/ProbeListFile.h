#pragma once
// The probe of a file added to a list: it reads the first frames and the last 128 bytes, never the
// whole file, so adding a thousand files stays quick.
#include "ui/lists/FileListItem.h"

#include <string>

// Fills every field of the record but path from the file; false when it cannot be opened or holds
// no MPEG audio frame. isVbr tells whether a VBR information frame with a frame count was found.
bool ProbeListFile(const std::string& path, FileListItem& item, bool& isVbr);
