#pragma once
// What both file lists show of a file: the columns "File", "Size", "Length", "BitRate", "Freq." and
// "Ch." with their texts, shared by the batch cutter and the joiner.
#include "ui/lists/SortableList.h"

#include <cstdint>
#include <memory>
#include <string>

// "%02d:%02d" of whole minutes and seconds; the minutes are not limited ("1666:40" for 100,000 s).
std::string FormatListLength(uint64_t totalSamples, int32_t sampleRate);
// "Stereo", "J-Stereo", "Dual Channel", "Mono"; empty for any other mode.
const char* ChannelModeText(int32_t channelMode);

// Appends a row for the record and fills the six shared columns (a sample rate of 0 becomes 1 in
// the record first), then scrolls it into view. Returns the row's index.
int InsertFileListRow(SortableList& list, std::unique_ptr<FileListItem> record);
