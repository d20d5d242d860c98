#include "engine/join/CanJoinByFrameCopy.h"
#include "engine/join/ChooseJoinMethod.h"
#include "engine/join/JoinMethodText.h"
#include "engine/join/PickAutoEncoding.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

JoinStreamFacts Facts(int sampleRate, int bitrate, int channelMode, bool isVbr = false, int layer = 3)
{
    return { sampleRate, bitrate, channelMode, isVbr, layer };
}

} // namespace

TEST(CanJoinByFrameCopy, NeedsTwoInputsOfOneLayerRateAndChannelCount)
{
    const JoinStreamFacts base = Facts(44100, 128, 1);
    const std::vector<JoinStreamFacts> same { base, base, base };
    EXPECT_TRUE(CanJoinByFrameCopy(same));

    EXPECT_FALSE(CanJoinByFrameCopy(std::vector<JoinStreamFacts> {}));
    EXPECT_FALSE(CanJoinByFrameCopy(std::vector<JoinStreamFacts> { base }));
    EXPECT_FALSE(CanJoinByFrameCopy(std::vector<JoinStreamFacts> { base, Facts(48000, 128, 1) }));
    EXPECT_FALSE(CanJoinByFrameCopy(std::vector<JoinStreamFacts> { base, Facts(22050, 64, 1) }));
    EXPECT_FALSE(CanJoinByFrameCopy(std::vector<JoinStreamFacts> { base, base, Facts(44100, 128, 3) }));
    EXPECT_FALSE(CanJoinByFrameCopy(std::vector<JoinStreamFacts> { base, Facts(44100, 128, 1, false, 2) }));
    // Bitrates may differ, inputs may carry information frames, and stereo, joint stereo and dual
    // channel frames mix: the decoder follows each frame's own header.
    EXPECT_TRUE(CanJoinByFrameCopy(std::vector<JoinStreamFacts> { base, Facts(44100, 112, 1) }));
    EXPECT_TRUE(CanJoinByFrameCopy(std::vector<JoinStreamFacts> { Facts(44100, 128, 1, true), base }));
    EXPECT_TRUE(CanJoinByFrameCopy(std::vector<JoinStreamFacts> { base, Facts(44100, 128, 0), Facts(44100, 96, 2) }));
    EXPECT_TRUE(CanJoinByFrameCopy(std::vector<JoinStreamFacts> { Facts(22050, 32, 3), Facts(22050, 64, 3) }));
}

TEST(PickAutoEncoding, TakesTheHighestRateAndBitrateAndTheWidestChannelMode)
{
    const auto pick = [](std::vector<JoinStreamFacts> entries) { return PickAutoEncoding(entries); };

    JoinEncoding encoding = pick({ Facts(44100, 128, 0), Facts(22050, 64, 3) });
    EXPECT_EQ(encoding.sampleRate, 44100);
    EXPECT_EQ(encoding.bitrate, 128);
    EXPECT_EQ(encoding.channelMode, 0);

    // Rate and bitrate are taken independently of each other.
    encoding = pick({ Facts(48000, 96, 3), Facts(32000, 192, 3) });
    EXPECT_EQ(encoding.sampleRate, 48000);
    EXPECT_EQ(encoding.bitrate, 192);
    EXPECT_EQ(encoding.channelMode, 3);

    // Joint stereo wins over stereo wherever it appears.
    EXPECT_EQ(pick({ Facts(44100, 128, 0), Facts(44100, 128, 1), Facts(44100, 128, 0) }).channelMode, 1);
    EXPECT_EQ(pick({ Facts(44100, 128, 3), Facts(44100, 128, 0) }).channelMode, 0);
    // Dual-channel inputs do not count.
    EXPECT_EQ(pick({ Facts(44100, 128, 2), Facts(44100, 96, 2) }).channelMode, 3);
    EXPECT_EQ(pick({ Facts(44100, 128, 2), Facts(22050, 64, 3) }).channelMode, 3);
    EXPECT_EQ(pick({ Facts(44100, 128, 2), Facts(22050, 64, 0) }).channelMode, 0);
}

TEST(ChooseJoinMethod, FixedSettingsAlwaysReencodeOtherwiseFrameCopyWhenPossible)
{
    const std::vector<JoinStreamFacts> same { Facts(44100, 128, 1), Facts(44100, 128, 1) };
    const std::vector<JoinStreamFacts> mixed { Facts(44100, 128, 1), Facts(22050, 112, 3) };
    const std::vector<JoinStreamFacts> withVbr { Facts(44100, 128, 1), Facts(44100, 160, 1, true) };

    EncodingOptions automatic;
    EXPECT_TRUE(ChooseJoinMethod(automatic, same).frameCopy);
    EXPECT_TRUE(ChooseJoinMethod(automatic, withVbr).frameCopy);
    EXPECT_EQ(JoinMethodText(ChooseJoinMethod(automatic, withVbr)), "frame copy");

    JoinMethod method = ChooseJoinMethod(automatic, mixed);
    EXPECT_FALSE(method.frameCopy);
    EXPECT_EQ(method.encoding.sampleRate, 44100);
    EXPECT_EQ(method.encoding.bitrate, 128);
    EXPECT_EQ(method.encoding.channelMode, 1);
    EXPECT_EQ(JoinMethodText(method), "re-encode 44100 Hz 128 kbps joint");
    EXPECT_EQ(JoinMethodText(method, 112), "re-encode 44100 Hz 112 kbps joint");

    EncodingOptions fixed;
    fixed.AutoMP3EncodingParam = false;
    fixed.MP3SampleRate = 22050;
    fixed.MP3BitRate = 32;
    fixed.MP3ChannelMode = 3;
    method = ChooseJoinMethod(fixed, same);
    EXPECT_FALSE(method.frameCopy);
    EXPECT_EQ(method.encoding.sampleRate, 22050);
    EXPECT_EQ(method.encoding.bitrate, 32);
    EXPECT_EQ(method.encoding.channelMode, 3);
}
