#pragma once
// A CUE sheet read from disk, with the path of the audio file it names.
#include "engine/cue/CueSheet.h"

#include <string>

struct LoadedCueSheet {
    CueSheet sheet;
    std::string audioPath; // the MP3 file to cut
};

// Reads and parses the sheet and finds its audio file: the FILE name relative to the sheet's folder
// (or absolute); failing that, the name's last part (after '/' or '\') in the sheet's folder, since
// sheets written on another system carry its paths; failing that, a sheet written for a WAVE rip
// is matched to the same name with ".mp3" beside the sheet. False with one message ("Line 7: ...")
// when the sheet cannot be read, is not a valid sheet, or names no MP3 file that exists.
bool LoadCueSheet(const std::string& sheetPath, LoadedCueSheet& loaded, std::string& errorText);

// The message of a parse error: "Line 7: the time ..." or, for the whole sheet, "The sheet ...".
std::string CueErrorText(const CueError& error);
