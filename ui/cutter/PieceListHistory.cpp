#include "ui/cutter/PieceListHistory.h"

#include <cstring>

namespace {

bool SameTag(const ID3TagInfo& a, const ID3TagInfo& b)
{
    return std::memcmp(a.title, b.title, sizeof a.title) == 0 && std::memcmp(a.artist, b.artist, sizeof a.artist) == 0
        && std::memcmp(a.album, b.album, sizeof a.album) == 0 && std::memcmp(a.year, b.year, sizeof a.year) == 0
        && std::memcmp(a.comment, b.comment, sizeof a.comment) == 0 && a.genre == b.genre && a.hasTrack == b.hasTrack
        && a.track == b.track && a.text.title == b.text.title && a.text.artist == b.text.artist
        && a.text.album == b.text.album && a.text.year == b.text.year && a.text.comment == b.text.comment
        && a.text.genre == b.text.genre;
}

bool SamePiece(const PieceEntry& a, const PieceEntry& b)
{
    return a.start == b.start && a.end == b.end && a.checked == b.checked && a.trackNoType == b.trackNoType
        && a.startMs == b.startMs && a.endMs == b.endMs && a.startSample == b.startSample && a.endSample == b.endSample
        && SameTag(a.tag, b.tag);
}

} // namespace

bool SamePieces(const std::vector<PieceEntry>& a, const std::vector<PieceEntry>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!SamePiece(a[i], b[i]))
            return false;
    return true;
}

void PieceListHistory::Clear()
{
    undo_.clear();
    redo_.clear();
}

void PieceListHistory::Record(PieceListSnapshot before)
{
    undo_.push_back(std::move(before));
    if (undo_.size() > kMaximumSteps)
        undo_.erase(undo_.begin());
    redo_.clear();
}

std::optional<PieceListSnapshot> PieceListHistory::Undo(PieceListSnapshot current)
{
    if (undo_.empty())
        return std::nullopt;
    PieceListSnapshot previous = std::move(undo_.back());
    undo_.pop_back();
    redo_.push_back(std::move(current));
    return previous;
}

std::optional<PieceListSnapshot> PieceListHistory::Redo(PieceListSnapshot current)
{
    if (redo_.empty())
        return std::nullopt;
    PieceListSnapshot next = std::move(redo_.back());
    redo_.pop_back();
    undo_.push_back(std::move(current));
    return next;
}
