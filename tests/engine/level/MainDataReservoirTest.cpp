// The bit reservoir keeps only the bytes later frames can reach; each frame's main data must still
// read as the run of the stream's bytes it stands for.
#include "engine/level/FrameLevel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

namespace {

// Reads the whole main data, and a stretch past its end, byte by byte through windows that start
// at every offset, as the scale factor reads do.
std::vector<uint8_t> ReadThrough(const MainData& main, size_t past)
{
    std::vector<uint8_t> bytes(main.size() + past);
    std::array<uint8_t, MainData::kWindow> scratch;
    for (size_t offset = 0; offset < bytes.size(); offset += 13) {
        scratch.fill(0xEE);
        const uint8_t* window = main.Window(offset, scratch);
        for (size_t k = 0; k < MainData::kWindow && offset + k < bytes.size(); ++k)
            bytes[offset + k] = window[k];
    }
    return bytes;
}

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
        ASSERT_TRUE(main) << "frame " << frame;
        ASSERT_EQ(main->size(), mainDataBegin + length);
        std::vector<uint8_t> expected(stream.end() - static_cast<std::ptrdiff_t>(mainDataBegin), stream.end());
        expected.insert(expected.end(), own.begin(), own.end());
        expected.resize(expected.size() + 40, 0); // zeros past the end
        ASSERT_EQ(ReadThrough(*main, 40), expected) << "frame " << frame;
        stream.insert(stream.end(), own.begin(), own.end());
        EXPECT_EQ(reservoir.HoldsItsReach(), stream.size() >= MainDataReservoir::kReach);
    }
}

TEST(LevelReservoir, MainDataReachingPastTheBytesHeldIsNotRead)
{
    MainDataReservoir reservoir;
    const std::vector<uint8_t> shortOwn(100, 7);
    EXPECT_FALSE(reservoir.Append(shortOwn, 1)); // nothing held yet
    ASSERT_TRUE(reservoir.Append(shortOwn, 100)); // the first frame's 100 bytes
    EXPECT_FALSE(reservoir.Append(shortOwn, 201));
    EXPECT_FALSE(reservoir.HoldsItsReach());

    reservoir.Clear();
    EXPECT_FALSE(reservoir.Append(shortOwn, 1));
    const std::vector<uint8_t> longOwn(MainDataReservoir::kReach + 300, 9);
    ASSERT_TRUE(reservoir.Append(longOwn, 100)); // the short frame appended after the break
    EXPECT_TRUE(reservoir.HoldsItsReach());
    const auto main = reservoir.Append(shortOwn, MainDataReservoir::kReach);
    ASSERT_TRUE(main);
    std::vector<uint8_t> expected(MainDataReservoir::kReach + shortOwn.size(), 7);
    std::fill_n(expected.begin(), MainDataReservoir::kReach, uint8_t { 9 });
    EXPECT_EQ(ReadThrough(*main, 0), expected);
}

} // namespace
