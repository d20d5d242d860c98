#include "app/EncodingChoices.h"

#include <algorithm>
#include <gtest/gtest.h>

TEST(EncodingChoices, ASampleRateLimitsTheBitRate)
{
    EXPECT_EQ(BitRateForSampleRate(11025, 128), 64);
    EXPECT_EQ(BitRateForSampleRate(22050, 320), 160);
    EXPECT_EQ(BitRateForSampleRate(44100, 16), 32);
    EXPECT_EQ(BitRateForSampleRate(48000, 128), 128);
}

TEST(EncodingChoices, ABitRateLimitsTheSampleRate)
{
    EXPECT_EQ(SampleRateForBitRate(320, 22050), 32000);
    EXPECT_EQ(SampleRateForBitRate(16, 44100), 24000);
    EXPECT_EQ(SampleRateForBitRate(96, 8000), 16000);
    EXPECT_EQ(SampleRateForBitRate(48, 8000), 8000);
    EXPECT_EQ(SampleRateForBitRate(48, 48000), 48000);
}

TEST(EncodingChoices, EveryCorrectedPairIsInTheLists)
{
    for (int sampleRate : kSampleRates)
        for (int bitRate : kBitRates) {
            const int fittingBitRate = BitRateForSampleRate(sampleRate, bitRate);
            const int fittingSampleRate = SampleRateForBitRate(bitRate, sampleRate);
            EXPECT_NE(std::find(kBitRates.begin(), kBitRates.end(), fittingBitRate), kBitRates.end());
            EXPECT_NE(std::find(kSampleRates.begin(), kSampleRates.end(), fittingSampleRate), kSampleRates.end());
        }
}
