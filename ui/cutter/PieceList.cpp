#include "ui/cutter/PieceList.h"

void PieceList::Reset(int32_t duration)
{
    entries_.clear();
    duration_ = duration;
}

std::optional<size_t> PieceList::RowContaining(int32_t position) const
{
    for (size_t row = 0; row < entries_.size(); ++row) {
        if (entries_[row].start <= position && position <= entries_[row].end)
            return row;
    }
    return std::nullopt;
}

void PieceList::Erase(size_t first, size_t last)
{
    if (first < last)
        entries_.erase(entries_.begin() + static_cast<long>(first), entries_.begin() + static_cast<long>(last));
}

std::optional<size_t> PieceList::AddAt(int32_t position, const PieceEntry& prototype)
{
    PieceEntry piece = prototype;
    piece.checked = true;
    piece.outputPath.clear();
    const std::optional<size_t> holder = RowContaining(position);
    if (!holder) {
        if (!entries_.empty())
            return std::nullopt; // outside the source: nothing to split
        piece.start = position;
        piece.end = duration_;
        entries_.push_back(piece);
        return 0;
    }
    PieceEntry& split = entries_[*holder];
    if (position == split.start || position == split.end)
        return std::nullopt;
    piece.start = position;
    piece.end = split.end;
    split.end = position;
    entries_.insert(entries_.begin() + static_cast<long>(*holder) + 1, piece);
    return *holder + 1;
}

PieceList::Edit PieceList::SetEnd(size_t row, int32_t position, const PieceEntry& prototype, size_t& selected)
{
    selected = row;
    if (row >= entries_.size())
        return Edit::Unchanged;
    PieceEntry& piece = entries_[row];
    if (position <= piece.start)
        return Edit::Refused;
    if (position == piece.end)
        return Edit::Unchanged;
    const std::optional<size_t> holder = RowContaining(position);
    if (!holder)
        return Edit::Unchanged;
    if (*holder == row) {
        // The end moves left: the last piece gets a new piece after it, any other gives the time
        // to the next piece.
        if (row + 1 == entries_.size())
            AddAt(position, prototype);
        else {
            piece.end = position;
            entries_[row + 1].start = position;
        }
        return Edit::Changed;
    }
    // The end moves right over the following pieces.
    piece.end = position;
    if (position < entries_[*holder].end) {
        entries_[*holder].start = position;
        Erase(row + 1, *holder);
    } else {
        Erase(row + 1, *holder + 1);
    }
    return Edit::Changed;
}

PieceList::Edit PieceList::SetStart(size_t row, int32_t position, const PieceEntry& prototype, size_t& selected)
{
    selected = row;
    if (row >= entries_.size())
        return Edit::Unchanged;
    if (position == entries_[row].start)
        return Edit::Unchanged;
    if (position >= entries_[row].end)
        return Edit::Refused;
    const std::optional<size_t> holder = RowContaining(position);
    if (!holder)
        return Edit::Unchanged;
    if (*holder < row) {
        // The start moves left over the pieces before.
        size_t firstErased = *holder + 1;
        if (entries_[*holder].start < position)
            entries_[*holder].end = position;
        else
            firstErased = *holder;
        Erase(firstErased, row);
        selected = firstErased;
        entries_[selected].start = position;
        return Edit::Changed;
    }
    if (row > 0) {
        entries_[row - 1].end = position;
        entries_[row].start = position;
        return Edit::Changed;
    }
    // The first piece always starts at 0: the time before position stays a piece of its own.
    AddAt(position, prototype);
    selected = 1;
    return Edit::Changed;
}

size_t PieceList::Remove(size_t row)
{
    if (entries_.size() < 2 || row >= entries_.size())
        return 0;
    size_t neighbour = 0;
    if (row == 0) {
        entries_[1].start = entries_[0].start;
    } else {
        entries_[row - 1].end = entries_[row].end;
        neighbour = row - 1;
    }
    Erase(row, row + 1);
    return neighbour;
}

void PieceList::KeepFirstOnly()
{
    if (entries_.empty())
        return;
    Erase(1, entries_.size());
    entries_[0].end = duration_;
}
