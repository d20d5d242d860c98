#pragma once
// Writes one piece of the cutter's pieces list alone to a file the user chose, with the same piece
// writers, overlaps, fades, tag and track numbering as "Cut Now!" would write it: copied frames cut
// to the sample, or encoded again with fades. Plain C++ over the engine; the page adds the dialogs.
#include "engine/cut/PieceEntry.h"
#include "engine/cut/SplitRun.h"

#include <cstddef>
#include <string>
#include <vector>

enum class SavePieceResult { Saved, Cancelled, Failed };

// entries[row] is written to path; the entries and the source are left as they are. Nothing is
// put under path unless the whole piece was written (errorText then says why).
SavePieceResult SavePieceAs(const CutterSource& source, const std::vector<PieceEntry>& entries, size_t row,
    const std::string& path, const SplitSettings& settings, std::string& errorText);
