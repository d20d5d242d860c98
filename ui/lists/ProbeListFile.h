#pragma once
// The probe of a file added to a list: it reads the first frames, a few at the middle and the end,
// and the last 128 bytes, so adding a thousand files stays quick. Only a variable-bitrate stream
// whose information frame gives no usable counts is walked whole, for its average bitrate.
#include "ui/lists/FileListItem.h"

#include <string>

// Fills every field of the record but path from the file; false when it cannot be opened or holds
// no MPEG audio frame. isVbr tells whether a VBR information frame with a frame count was found.
bool ProbeListFile(const std::string& path, FileListItem& item, bool& isVbr);
