#pragma once
// Reads the bytes of a CUE sheet. The input is untrusted: any byte string gives either a sheet whose
// tracks have rising INDEX 01 times, or one error naming the problem and its line.
#include "engine/cue/CueSheet.h"

#include <string_view>

// Accepted: one FILE (MP3 or WAVE; a name in quotes, or unquoted up to its type word), AUDIO
// TRACKs with INDEX 00 and INDEX 01 (mm:ss:ff), TITLE and PERFORMER of the disc and of each track,
// REM DATE and REM GENRE; other known commands and REM lines are passed over. Commands are read
// without regard to case; CRLF, LF and CR line ends.
bool ParseCueSheet(std::string_view bytes, CueSheet& sheet, CueError& error);

// "03:25:60" as CD frames; none when it is not minutes:seconds:frames with seconds below 60 and
// frames below 75.
std::optional<int64_t> ParseCueTime(std::string_view text);
// The time as the sheet writes it: "03:25:60".
std::string FormatCueTime(int64_t frames);
