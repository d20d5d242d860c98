#pragma once
// The pieces of the cutter's source, in order: the editing rules of the pieces list. The pieces
// follow each other without gap or overlap: the first starts at 0, each starts where the one before
// ends, the last ends at the source's duration, and none is empty (unless the source lasts less
// than a tenth). Every operation keeps that. Times are tenths of a second.
#include "engine/cut/PieceEntry.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

class PieceList {
public:
    enum class Edit { Changed, Unchanged, Refused };

    std::vector<PieceEntry>& Entries() { return entries_; }
    const std::vector<PieceEntry>& Entries() const { return entries_; }
    size_t Size() const { return entries_.size(); }
    int32_t Duration() const { return duration_; }

    // Empties the list for a source of that duration.
    void Reset(int32_t duration);
    // A new boundary at position: the piece holding it is split, the new piece (a copy of prototype,
    // checked) goes after it. None when position is a boundary already; the new row otherwise.
    std::optional<size_t> AddAt(int32_t position, const PieceEntry& prototype);
    // Moves the end of piece row to position. Refused when position is not after its start; a
    // position past the next pieces swallows them. selected: the row of the edited piece afterwards.
    Edit SetEnd(size_t row, int32_t position, const PieceEntry& prototype, size_t& selected);
    // Moves the start of piece row to position; refused when position is not before its end. On the
    // first piece the start stays 0 and a new piece from position is added, which becomes selected.
    Edit SetStart(size_t row, int32_t position, const PieceEntry& prototype, size_t& selected);
    // Removes a piece of two or more; its neighbour (the next for the first piece, else the one
    // before) takes over its time. Returns the neighbour's row.
    size_t Remove(size_t row);
    // Keeps only the first piece, which then runs to the end.
    void KeepFirstOnly();

private:
    std::optional<size_t> RowContaining(int32_t position) const;
    void Erase(size_t first, size_t last); // rows [first, last)

    std::vector<PieceEntry> entries_;
    int32_t duration_ = 0;
};
