#pragma once
// Chooses the file name of the next piece of a source: "<base>_NN.mp3" with the lowest number not
// yet taken, next to the source, in the specified output folder or in a folder per source, and in
// the "Clipwright_Files" folder of the user's documents folder when none of those can be written.
#include "engine/cut/CutOptions.h"

#include <map>
#include <string>

// Where the numbering of one run's piece names goes on: for each base name, the number its last
// search stopped at. Every number below it was taken then, so a run that passes the same record
// to each call tests each number about once instead of counting from 1 for every piece.
struct PieceNumbering {
    std::map<std::string, int> firstToTry;
};

// False when no folder takes a piece; name then holds the name tried next to the source (or in the
// chosen folder), empty when every number there is taken. numbering, when given, carries the
// search on from the run's earlier calls.
bool MakePieceFileName(
    std::string& name, const std::string& sourcePath, const CutOptions& options, PieceNumbering* numbering = nullptr);

// The user's documents folder: $XDG_DOCUMENTS_DIR, else the one the desktop's user-dirs.dirs names,
// else $HOME/Documents; empty when none is known.
std::string DocumentsFolder();
