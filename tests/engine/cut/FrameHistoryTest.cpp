#include "engine/cut/FrameHistory.h"

#include <gtest/gtest.h>

TEST(FrameHistory, RecordsEachPositionOnceAndInRisingOrder)
{
    FrameHistory history;
    history.Append(100, 1152);
    history.Append(517, 1152);
    history.Append(517, 1152); // met again after a step back
    history.Append(300, 1152); // behind the newest
    EXPECT_EQ(history.Count(), 2u);
    EXPECT_EQ(history.Newest().position, 517u);
    EXPECT_EQ(history.PopNewest().position, 517u);
    history.Append(517, 1152);
    EXPECT_EQ(history.Count(), 2u);
}

TEST(FrameHistory, ReachBackNeedsTheWholeBudget)
{
    FrameHistory history;
    for (size_t i = 0; i < 10; ++i)
        history.Append(i * 417, 1152);
    const auto reach = history.ReachBack(1152 * 3);
    ASSERT_TRUE(reach.has_value());
    EXPECT_EQ(reach->entries, 3);
    EXPECT_EQ(reach->position, 7u * 417);
    EXPECT_EQ(history.ReachBack(1152 * 3 + 1)->entries, 4);
    EXPECT_FALSE(history.ReachBack(1152 * 10 + 1).has_value()); // not a shorter lead-in: none
    EXPECT_FALSE(history.ReachBack(0).has_value());
}

TEST(FrameHistory, KeepsOnlyWhatAWalkCanReach)
{
    FrameHistory trimmed;
    FrameHistory full;
    full.SetRetention(int64_t { 1 } << 40);
    const int64_t retention = 88200; // two seconds at 44100 Hz
    trimmed.SetRetention(retention);
    for (size_t i = 0; i < 200000; ++i) {
        trimmed.Append(i * 417, 1152);
        full.Append(i * 417, 1152);
    }
    EXPECT_LT(trimmed.Count(), 100u);
    EXPECT_EQ(full.Count(), 200000u);
    // Step back three frames, then reach back the retained length: same answer as with everything.
    for (int i = 0; i < 3; ++i) {
        trimmed.PopNewest();
        full.PopNewest();
    }
    const auto a = trimmed.ReachBack(retention);
    const auto b = full.ReachBack(retention);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->position, b->position);
    EXPECT_EQ(a->entries, b->entries);
}
