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
        {{0xFF, 0xFB, 0x90, 0x64}, 3, 2, 128, 44100, 0, 1, 417, 1152, 32},
        {{0xFF, 0xFB, 0x92, 0x64}, 3, 2, 128, 44100, 1, 1, 418, 1152, 32},
        {{0xFF, 0xFA, 0x94, 0xC0}, 3, 2, 128, 48000, 0, 3, 384, 1152, 17},
        {{0xFF, 0xF3, 0x80, 0xC4}, 2, 2, 64, 22050, 0, 3, 208, 576, 9},
        {{0xFF, 0xE3, 0x10, 0x00}, 0, 2, 8, 11025, 0, 0, 52, 576, 17},
        {{0xFF, 0xFF, 0x10, 0x00}, 3, 0, 32, 44100, 0, 0, 32, 384, 32},
        {{0xFF, 0xFF, 0x12, 0x00}, 3, 0, 32, 44100, 1, 0, 36, 384, 32},
        {{0xFF, 0xFD, 0xE4, 0x00}, 3, 1, 384, 48000, 0, 0, 1152, 1152, 32},
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
