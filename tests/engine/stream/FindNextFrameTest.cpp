#include "engine/stream/MpegFrameHeader.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

struct Expected {
    std::vector<uint8_t> bytes;
    int version, layerIndex, bitrate, sampleRate, padding, channelMode, frameLength, samples, sideInfo;
};

} // namespace

TEST(FindNextFrame, DecodesReferenceHeaders)
{
    const std::vector<Expected> cases = {
        { { 0xFF, 0xFB, 0x90, 0x64 }, 3, 2, 128, 44100, 0, 1, 417, 1152, 32 },
        { { 0xFF, 0xFB, 0x92, 0x64 }, 3, 2, 128, 44100, 1, 1, 418, 1152, 32 },
        { { 0xFF, 0xFA, 0x94, 0xC0 }, 3, 2, 128, 48000, 0, 3, 384, 1152, 17 },
        { { 0xFF, 0xF3, 0x80, 0xC4 }, 2, 2, 64, 22050, 0, 3, 208, 576, 9 },
        { { 0xFF, 0xE3, 0x10, 0x00 }, 0, 2, 8, 11025, 0, 0, 52, 576, 17 },
        { { 0xFF, 0xFF, 0x10, 0x00 }, 3, 0, 32, 44100, 0, 0, 32, 384, 32 },
        { { 0xFF, 0xFF, 0x12, 0x00 }, 3, 0, 32, 44100, 1, 0, 36, 384, 32 },
        { { 0xFF, 0xFD, 0xE4, 0x00 }, 3, 1, 384, 48000, 0, 0, 1152, 1152, 32 },
    };
    for (const auto& c : cases) {
        const auto found = FindNextFrame(c.bytes, 0);
        ASSERT_TRUE(found.has_value());
        const MpegFrameHeader& h = found->header;
        EXPECT_EQ(found->position, 0u);
        EXPECT_EQ(h.version, c.version);
        EXPECT_EQ(h.layerIndex, c.layerIndex);
        EXPECT_EQ(h.bitrate, c.bitrate);
        EXPECT_EQ(h.sampleRate, c.sampleRate);
        EXPECT_EQ(h.padding, c.padding);
        EXPECT_EQ(h.channelMode, c.channelMode);
        EXPECT_EQ(h.frameLength, c.frameLength);
        EXPECT_EQ(h.samplesPerFrame, c.samples);
        EXPECT_EQ(h.sideInfoSize, c.sideInfo);
    }
}

TEST(FindNextFrame, PassesOverJunkAndRefusedHeadersToTheNextCandidate)
{
    // Junk, bitrate index 15, reserved version, reserved layer, then a good header.
    const std::vector<uint8_t> data = { 0x00, 0x12, 0xFF, 0x00, 0xFF, 0xFB, 0xF0, 0x64, 0xFF, 0xE8, 0x90, 0x64, 0xFF,
        0xF9, 0x90, 0x64, 0xFF, 0xFB, 0x90, 0x64 };
    const auto found = FindNextFrame(data, 0);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->position, 16u);
    EXPECT_EQ(found->header.frameLength, 417);
    // Starting past a header finds nothing further.
    EXPECT_FALSE(FindNextFrame(data, 17).has_value());
}

TEST(FindNextFrame, AcceptsTheReservedEmphasisWithTheSameLength)
{
    // Emphasis 2 is reserved, but it changes nothing in the frame and decoders ignore it.
    const std::vector<uint8_t> data = { 0xFF, 0xFB, 0x90, 0x66 };
    const auto found = FindNextFrame(data, 0);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->position, 0u);
    EXPECT_EQ(found->header.frameLength, 417);
}

TEST(FindNextFrame, StopsAtFreeFormatEvenWhenAValidHeaderFollows)
{
    const std::vector<uint8_t> data = { 0xFF, 0xFB, 0x00, 0x64, 0xFF, 0xFB, 0x90, 0x64 };
    EXPECT_FALSE(FindNextFrame(data, 0).has_value());
    EXPECT_EQ(FindNextFrame(data, 1)->position, 4u);
}

TEST(FindNextFrame, NeedsAllFourHeaderBytesInsideTheData)
{
    const std::vector<uint8_t> cut = { 0x00, 0xFF, 0xFB, 0x90 };
    EXPECT_FALSE(FindNextFrame(cut, 0).has_value());
    EXPECT_FALSE(FindNextFrame(std::vector<uint8_t>(4096, 0x00), 0).has_value());
    EXPECT_FALSE(FindNextFrame(std::vector<uint8_t>(4096, 0xFF), 0).has_value());
    EXPECT_FALSE(FindNextFrame(std::vector<uint8_t> {}, 0).has_value());
    EXPECT_FALSE(FindNextFrame(std::vector<uint8_t> { 0xFF, 0xFB, 0x90, 0x64 }, 1).has_value());
    EXPECT_FALSE(FindNextFrame(std::vector<uint8_t> { 0xFF, 0xFB, 0x90, 0x64 }, 100).has_value());
}
