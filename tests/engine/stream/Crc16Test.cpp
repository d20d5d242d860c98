#include "engine/stream/Crc16.h"

#include "tests/support/Mp3Layout.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// The fast paths fold 256, 64 and 16 bytes at a time and hand the rest to tables: every length
// around those steps, at every alignment, from any starting value, must give the bit-by-bit result.
TEST(Crc16Test, MatchesTheBitwiseCrcForEveryLengthAlignmentAndStart)
{
    std::mt19937 random(7);
    std::vector<uint8_t> bytes(5000);
    for (auto& byte : bytes)
        byte = static_cast<uint8_t>(random());
    for (size_t length = 0; length <= 1600; ++length) {
        const size_t offset = length % 17;
        const auto start = static_cast<uint16_t>(random());
        ASSERT_EQ(Crc16Update(start, { bytes.data() + offset, length }),
            BitwiseCrc16(bytes.data() + offset, length, start))
            << "length " << length << " offset " << offset;
    }
    EXPECT_EQ(Crc16Update(0, bytes), BitwiseCrc16(bytes.data(), bytes.size()));
}

TEST(Crc16Test, ChainedUpdatesEqualOneUpdateOverTheWhole)
{
    std::vector<uint8_t> bytes(300000);
    std::mt19937 random(11);
    for (auto& byte : bytes)
        byte = static_cast<uint8_t>(random());
    uint16_t chained = 0;
    for (size_t at = 0; at < bytes.size();) {
        const size_t length = std::min<size_t>(bytes.size() - at, 1 + random() % 1500);
        chained = Crc16Update(chained, { bytes.data() + at, length });
        at += length;
    }
    EXPECT_EQ(chained, Crc16Update(0, bytes));
    EXPECT_EQ(chained, BitwiseCrc16(bytes.data(), bytes.size()));
    // The check value of CRC-16/ARC.
    const uint8_t digits[] = { '1', '2', '3', '4', '5', '6', '7', '8', '9' };
    EXPECT_EQ(Crc16Update(0, digits), 0xBB3D);
}

} // namespace
