// Each frame's main data, as the bit reservoir gives it, must read as the run of the stream's bytes
// it stands for, followed by zeros for reads that run past its end.
#include "engine/level/FrameLevel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(std::span<const uint8_t> main) { return { main.begin(), main.end() }; }

TEST(LevelReservoir, MainDataReadsAsTheStreamRunsOverManyFramesOfAnyLength)
{
    std::mt19937 random(21);
    std::vector<uint8_t> stream;
    MainDataReservoir reservoir;
    // Frames shorter and longer than the reach, enough of them to fill the room many times.
    for (int frame = 0; frame < 400; ++frame) {
        const size_t length = frame % 7 == 0 ? random() % 40 : frame % 3 == 0 ? 200 + random() % 300 : 600 + random() % 900;
        std::vector<uint8_t> own(length);
        for (uint8_t& byte : own)
            byte = static_cast<uint8_t>(random() | 1); // never 0, so a zero stands out
        const size_t reach = std::min<size_t>(stream.size(), MainDataReservoir::kReach);
        const size_t mainDataBegin = frame % 5 == 0 ? 0 : frame % 5 == 1 ? reach : random() % (reach + 1);
        const auto main = reservoir.Append(own, mainDataBegin);
        std::vector<uint8_t> expected(stream.end() - static_cast<std::ptrdiff_t>(mainDataBegin), stream.end());
        expected.insert(expected.end(), own.begin(), own.end());
        expected.resize(expected.size() + MainDataReservoir::kPadding, 0);
        ASSERT_EQ(Bytes(main), expected) << "frame " << frame;
        stream.insert(stream.end(), own.begin(), own.end());
        EXPECT_EQ(reservoir.HoldsItsReach(), stream.size() >= MainDataReservoir::kReach);
    }
}

TEST(LevelReservoir, MainDataReachingPastTheBytesHeldIsNotRead)
{
    MainDataReservoir reservoir;
    const std::vector<uint8_t> shortOwn(100, 7);
    EXPECT_TRUE(reservoir.Append(shortOwn, 1).empty()); // nothing held yet
    EXPECT_FALSE(reservoir.Append(shortOwn, 100).empty()); // the first frame's 100 bytes
    EXPECT_TRUE(reservoir.Append(shortOwn, 201).empty());
    EXPECT_FALSE(reservoir.HoldsItsReach());

    reservoir.Clear();
    EXPECT_TRUE(reservoir.Append(shortOwn, 1).empty());
    const std::vector<uint8_t> longOwn(MainDataReservoir::kReach + 300, 9);
    EXPECT_FALSE(reservoir.Append(longOwn, 100).empty()); // the short frame appended after the break
    EXPECT_TRUE(reservoir.HoldsItsReach());
    const auto main = reservoir.Append(shortOwn, MainDataReservoir::kReach);
    std::vector<uint8_t> expected(MainDataReservoir::kReach + shortOwn.size() + MainDataReservoir::kPadding, 0);
    std::fill_n(expected.begin(), MainDataReservoir::kReach, uint8_t { 9 });
    std::fill_n(expected.begin() + MainDataReservoir::kReach, shortOwn.size(), uint8_t { 7 });
    EXPECT_EQ(Bytes(main), expected);
}

} // namespace
