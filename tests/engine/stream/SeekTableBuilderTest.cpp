#include "engine/stream/SeekTableBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

// Every frame's offset kept: the exact table that the bounded builder must match where it can.
std::array<uint8_t, 100> ExactTable(const std::vector<uint64_t>& offsets, uint64_t byteCount)
{
    std::array<uint8_t, 100> table {};
    for (uint64_t i = 0; i < table.size(); ++i) {
        const uint64_t offset = offsets[i * offsets.size() / 100];
        table[i] = static_cast<uint8_t>(std::min<uint64_t>(255, offset * 256 / byteCount));
    }
    return table;
}

// Up to its capacity every frame is kept; past it (several halvings of the kept offsets) a
// constant frame length still gives the exact table, and varying lengths stay within one step of
// it. Frame counts just around each halving are where a miscounted stride would show.
TEST(SeekTableBuilderTest, MatchesTheExactTableAcrossHalvings)
{
    constexpr uint64_t kInfoLength = 417;
    const uint64_t capacity = SeekTableBuilder::kCapacity;
    std::mt19937 random(5);
    for (uint64_t frames : { uint64_t { 1 }, uint64_t { 99 }, uint64_t { 100 }, capacity - 1, capacity, capacity + 1,
             2 * capacity - 1, 2 * capacity, 2 * capacity + 1, 4 * capacity + 3, 8 * capacity + 5, uint64_t { 229689 } }) {
        for (bool constant : { true, false }) {
            SeekTableBuilder builder;
            std::vector<uint64_t> offsets;
            uint64_t byteCount = kInfoLength;
            for (uint64_t frame = 0; frame < frames; ++frame) {
                offsets.push_back(byteCount);
                builder.Add(byteCount);
                byteCount += constant ? 417 : 104 + random() % 1300;
            }
            EXPECT_EQ(builder.Frames(), frames);
            const auto built = builder.Build(byteCount);
            const auto exact = ExactTable(offsets, byteCount);
            if (constant || frames <= capacity) {
                EXPECT_EQ(built, exact) << frames << (constant ? " constant" : " varying");
                continue;
            }
            for (size_t i = 0; i < built.size(); ++i) {
                EXPECT_LE(std::abs(int { built[i] } - int { exact[i] }), 1) << frames << " entry " << i;
                if (i > 0)
                    EXPECT_GE(built[i], built[i - 1]) << frames << " entry " << i;
            }
        }
    }
}

} // namespace
