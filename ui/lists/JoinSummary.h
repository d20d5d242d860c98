#pragma once
// What the joiner shows under its list: the files' count, total length and size, and how the join
// would be made with the options as they stand: "Frame copy, 44,100 Hz stereo" or "Re-encode to
// 44,100 Hz 128 kbit/s joint stereo" (the bitrate the encoder will really write).
#include "engine/join/ChooseJoinMethod.h"
#include "ui/lists/FileListItem.h"

#include <QString>
#include <span>

// "44,100": digits grouped by threes with commas.
QString GroupedNumber(long long value);
// The method's words; firstInput is the format a frame copy keeps.
QString JoinMethodWords(const JoinMethod& method, const JoinStreamFacts& firstInput);
// "3 files, 9:05, 4.21 MB" ("1 file", "No files"); the length of each file as the list shows it.
QString JoinListTotals(std::span<const JoinFileItem* const> items);
