// The pieces list's rule: whatever the user does, the pieces cover the source from 0 to its end
// without gap, overlap or empty piece.
#include "ui/cutter/PieceList.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

::testing::AssertionResult CoversTheSource(const PieceList& list)
{
    const auto& pieces = list.Entries();
    if (pieces.empty())
        return ::testing::AssertionFailure() << "no pieces";
    int32_t expectedStart = 0;
    for (size_t row = 0; row < pieces.size(); ++row) {
        if (pieces[row].start != expectedStart || pieces[row].end <= pieces[row].start)
            return ::testing::AssertionFailure()
                << "row " << row << ": " << pieces[row].start << "-" << pieces[row].end;
        expectedStart = pieces[row].end;
    }
    if (expectedStart != list.Duration())
        return ::testing::AssertionFailure() << "ends at " << expectedStart << " of " << list.Duration();
    return ::testing::AssertionSuccess();
}

PieceEntry Prototype(const char* title)
{
    PieceEntry piece;
    SetTagTitle(piece.tag, title);
    piece.trackNoType = TrackNoCustom;
    return piece;
}

} // namespace

TEST(PieceList, EveryEditKeepsThePiecesFollowingEachOtherOverTheWholeSource)
{
    std::mt19937 random(8);
    for (int run = 0; run < 200; ++run) {
        PieceList list;
        const int32_t duration = 1 + static_cast<int32_t>(random() % 600);
        list.Reset(duration);
        ASSERT_EQ(list.AddAt(0, Prototype("first")), 0u);
        for (int step = 0; step < 60; ++step) {
            const int32_t position = static_cast<int32_t>(random() % static_cast<uint32_t>(duration + 1));
            const size_t row = random() % list.Size();
            size_t selected = 0;
            switch (random() % 5) {
            case 0:
                list.AddAt(position, Prototype("new"));
                break;
            case 1:
                list.SetEnd(row, position, Prototype("new"), selected);
                ASSERT_LT(selected, list.Size());
                break;
            case 2:
                list.SetStart(row, position, Prototype("new"), selected);
                ASSERT_LT(selected, list.Size());
                break;
            case 3:
                if (list.Size() > 1) {
                    ASSERT_LT(list.Remove(row), list.Size());
                }
                break;
            default:
                if (random() % 8 == 0)
                    list.KeepFirstOnly();
                break;
            }
            ASSERT_TRUE(CoversTheSource(list)) << "run " << run << " step " << step;
        }
    }
}

TEST(PieceList, EditsKeepEachPieceItsOwnRecordAndRefuseEmptyPieces)
{
    PieceList list;
    list.Reset(100);
    list.AddAt(0, Prototype("a"));
    list.Entries()[0].checked = false;
    ASSERT_EQ(list.AddAt(40, Prototype("b")), 1u);
    EXPECT_TRUE(list.Entries()[1].checked); // a new piece is checked
    EXPECT_FALSE(list.AddAt(40, Prototype("c")));
    EXPECT_FALSE(list.AddAt(100, Prototype("c")));

    size_t selected = 0;
    EXPECT_EQ(list.SetEnd(1, 40, Prototype("x"), selected), PieceList::Edit::Refused);
    EXPECT_EQ(list.SetStart(1, 100, Prototype("x"), selected), PieceList::Edit::Refused);
    EXPECT_EQ(list.SetEnd(1, 100, Prototype("x"), selected), PieceList::Edit::Unchanged);

    // Moving the first piece's start adds a piece before it instead; the first keeps its record.
    EXPECT_EQ(list.SetStart(0, 10, Prototype("before"), selected), PieceList::Edit::Changed);
    EXPECT_EQ(selected, 1u);
    EXPECT_STREQ(list.Entries()[0].tag.title, "a");
    EXPECT_FALSE(list.Entries()[0].checked);
    EXPECT_STREQ(list.Entries()[1].tag.title, "before");

    // Removing hands the time to the neighbour and keeps the neighbour's record.
    EXPECT_EQ(list.Remove(0), 0u);
    EXPECT_EQ(list.Entries()[0].start, 0);
    EXPECT_STREQ(list.Entries()[0].tag.title, "before");
    list.KeepFirstOnly();
    ASSERT_EQ(list.Size(), 1u);
    EXPECT_EQ(list.Entries()[0].end, 100);
    EXPECT_STREQ(list.Entries()[0].tag.title, "before");
}
