#pragma once
// Reading a time typed into the cutter's position box: "75", "75.5", "1:15.5" or "1:00:15.5" (as
// the page writes times), in tenths of a second. More decimals are rounded to the nearest tenth.
#include <QString>

#include <cstdint>
#include <optional>

// None for text that is no time: empty, letters, seconds or minutes of 60 and more after a colon,
// a time beyond what tenths of a second in 32 bits hold.
std::optional<int32_t> ParsePositionText(const QString& text);
