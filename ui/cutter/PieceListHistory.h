#pragma once
// Undo and redo of the cutter's pieces list: whole copies of the list before each edit, which is
// plenty for lists of a few hundred pieces. A new edit forgets what was undone.
#include "engine/cut/PieceEntry.h"

#include <cstddef>
#include <optional>
#include <vector>

struct PieceListSnapshot {
    std::vector<PieceEntry> entries;
    int selectedRow = -1;
};

// Whether two lists hold the same pieces with the same checks and tags (the files a cut wrote
// for them do not count: they are not the user's edit).
bool SamePieces(const std::vector<PieceEntry>& a, const std::vector<PieceEntry>& b);

class PieceListHistory {
public:
    static constexpr size_t kMaximumSteps = 500;

    void Clear();
    // The list as it was before an edit that changed it.
    void Record(PieceListSnapshot before);
    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    // The list to go back to, given the list as it is now (kept for Redo); none when nothing is left.
    std::optional<PieceListSnapshot> Undo(PieceListSnapshot current);
    std::optional<PieceListSnapshot> Redo(PieceListSnapshot current);

private:
    std::vector<PieceListSnapshot> undo_;
    std::vector<PieceListSnapshot> redo_;
};
