#include "engine/join/PcmConverter.h"

#include "tests/support/EncodedAudio.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

PcmConverter Configured(int inChannels, int inRate, int outChannels, int outRate)
{
    PcmConverter converter;
    converter.Reset();
    converter.SetOutputFormat(outChannels, outRate);
    converter.SetInputFormat(inChannels, inRate);
    converter.Prepare();
    return converter;
}

// Streams the input through the converter in decoder-sized blocks, as a join does.
std::vector<int16_t> ConvertInBlocks(PcmConverter& converter, const std::vector<int16_t>& input, int block = 1152,
    std::vector<int16_t>* rightOut = nullptr, const std::vector<int16_t>* rightIn = nullptr)
{
    std::vector<int16_t> out;
    std::vector<int16_t> l(static_cast<size_t>(converter.MaxOutputCount(block))), r(l.size());
    for (size_t at = 0; at < input.size(); at += static_cast<size_t>(block)) {
        const int n = static_cast<int>(std::min<size_t>(static_cast<size_t>(block), input.size() - at));
        int produced = 0;
        converter.Convert(&input[at], rightIn ? &(*rightIn)[at] : &input[at], n, l.data(), r.data(), produced);
        out.insert(out.end(), l.begin(), l.begin() + produced);
        if (rightOut)
            rightOut->insert(rightOut->end(), r.begin(), r.begin() + produced);
    }
    return out;
}

// Frequency from rising zero crossings over the middle of the signal.
double MeasuredFrequency(const std::vector<int16_t>& s, int rate)
{
    size_t first = 0, last = 0;
    int crossings = 0;
    for (size_t i = s.size() / 10; i + 1 < s.size() * 9 / 10; ++i) {
        if (s[i] < 0 && s[i + 1] >= 0) {
            if (crossings == 0)
                first = i;
            last = i;
            ++crossings;
        }
    }
    return crossings > 1 ? (crossings - 1) * static_cast<double>(rate) / static_cast<double>(last - first) : 0;
}

} // namespace

TEST(PcmConverter, BuildsThePhaseFilterBankFromTheRateRatio)
{
    PcmConverter down = Configured(2, 48000, 2, 44100);
    EXPECT_EQ(down.PhaseCount(), 147);
    EXPECT_FALSE(down.IntegerRatio());
    EXPECT_EQ(down.FilterOrder(), 31);
    EXPECT_EQ(down.FilterCount(), 295);

    PcmConverter up = Configured(1, 22050, 1, 44100);
    EXPECT_DOUBLE_EQ(up.Ratio(), 0.5);
    EXPECT_EQ(up.PhaseCount(), 2);
    EXPECT_DOUBLE_EQ(up.CutOff(), 1.0);

    PcmConverter half = Configured(2, 44100, 2, 22050);
    EXPECT_TRUE(half.IntegerRatio());
    EXPECT_EQ(half.FilterOrder(), 32);

    PcmConverter same = Configured(2, 44100, 2, 44100);
    EXPECT_EQ(same.FilterCount(), 0);
}

TEST(PcmConverter, ResamplingKeepsPitchAndLevelAcrossBlocks)
{
    struct Case {
        int inRate, outRate;
    };
    for (const Case c : { Case { 22050, 44100 }, Case { 48000, 44100 }, Case { 11025, 44100 }, Case { 44100, 22050 },
             Case { 16000, 44100 }, Case { 8000, 48000 } }) {
        ToneSpec tone;
        tone.sampleRate = c.inRate;
        tone.seconds = 1.0;
        tone.frequency = 441;
        tone.amplitude = 0.5;
        const Pcm input = MakeTone(tone);
        PcmConverter converter = Configured(1, c.inRate, 1, c.outRate);
        const std::vector<int16_t> out = ConvertInBlocks(converter, input.left);
        SCOPED_TRACE(std::to_string(c.inRate) + " -> " + std::to_string(c.outRate));
        EXPECT_NEAR(static_cast<double>(out.size()), c.outRate, c.outRate * 0.01);
        EXPECT_NEAR(MeasuredFrequency(out, c.outRate), 441.0, 1.0);
        EXPECT_NEAR(RmsLevel(out, out.size() / 10, out.size() * 9 / 10), 0.5 / std::sqrt(2.0), 0.02);
    }
}

TEST(PcmConverter, ConvertsChannelCounts)
{
    // Mono to stereo at a new rate: both outputs equal.
    PcmConverter up = Configured(1, 11025, 2, 22050);
    ToneSpec tone;
    tone.sampleRate = 11025;
    tone.channels = 1;
    const Pcm input = MakeTone(tone);
    std::vector<int16_t> right;
    const std::vector<int16_t> left = ConvertInBlocks(up, input.left, 576, &right);
    ASSERT_FALSE(left.empty());
    EXPECT_EQ(left, right);

    // Stereo to mono averages and truncates toward zero.
    PcmConverter down = Configured(2, 44100, 1, 44100);
    const int16_t l[] = { 3, 100, -32768, 32767 };
    const int16_t r[] = { -4, 101, -32768, 32767 };
    int16_t out[4], unused[4];
    int n = 0;
    down.Convert(l, r, 4, out, unused, n);
    ASSERT_EQ(n, 4);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 100);
    EXPECT_EQ(out[2], -32768);
    EXPECT_EQ(out[3], 32767);
}

TEST(PcmConverter, SaturatesInsteadOfWrappingOnOvershoot)
{
    // A full-scale square wave rings past full scale when filtered; no sample may flip sign.
    std::vector<int16_t> square(22050);
    for (size_t i = 0; i < square.size(); ++i)
        square[i] = (i / 50) % 2 == 0 ? 32767 : -32768;
    PcmConverter converter = Configured(1, 22050, 1, 44100);
    const std::vector<int16_t> out = ConvertInBlocks(converter, square);
    int16_t peak = 0, trough = 0;
    for (size_t i = 100; i < out.size(); ++i) {
        peak = std::max(peak, out[i]);
        trough = std::min(trough, out[i]);
        const size_t inputIndex = i / 2;
        // Well inside a plateau the output keeps the plateau's sign.
        if (inputIndex % 50 > 10 && inputIndex % 50 < 40 && inputIndex + 40 < square.size()) {
            ASSERT_EQ(out[i] > 0, square[inputIndex] > 0) << "at " << i;
        }
    }
    EXPECT_EQ(peak, 32767);
    EXPECT_EQ(trough, -32768);
}
