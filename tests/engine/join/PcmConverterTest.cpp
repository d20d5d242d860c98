#include "engine/join/PcmConverter.h"

#include "tests/support/EncodedAudio.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numeric>

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

namespace {

// The resampler written out term by term in double precision, one channel, for comparison with
// the vectorised converter: filters of single-precision taps, a history of the last taps + 1
// input samples, and the input time carried from block to block.
class PlainResampler {
public:
    PlainResampler(int inRate, int outRate)
        : inRate_(inRate)
        , outRate_(outRate)
    {
        ratio_ = static_cast<double>(inRate) / outRate;
        phases_ = std::min(outRate / std::gcd(outRate, inRate), 320);
        const bool integer = std::fabs(ratio_ - std::floor(ratio_ + 0.5)) < 0.0001;
        const double cutOff = std::min(1.0 / ratio_, 1.0);
        order_ = 31 + (integer ? 1 : 0);
        history_.assign(static_cast<size_t>(order_ + 1), 0);
        for (int j = 0; j <= 2 * phases_; ++j) {
            const double offset = static_cast<double>(j - phases_) / (2.0 * phases_);
            std::vector<float> taps;
            double sum = 0;
            for (int i = 0; i <= order_; ++i) {
                double x = std::clamp((i - offset) / order_, 0.0, 1.0);
                const double x2 = x - 0.5;
                const double w = std::fabs(x2) < 1e-9
                    ? cutOff
                    : (0.42 - 0.5 * std::cos(2 * M_PI * x) + 0.08 * std::cos(4 * M_PI * x))
                        * std::sin(order_ * M_PI * cutOff * x2) / (M_PI * order_ * x2);
                taps.push_back(static_cast<float>(w));
                sum += taps.back();
            }
            for (float& tap : taps)
                tap = static_cast<float>(tap / sum);
            bank_.push_back(taps);
        }
    }

    std::vector<int> Convert(const std::vector<int16_t>& in)
    {
        const int count = static_cast<int>(in.size());
        const int h = order_ + 1;
        auto y = [&](int n) { return n < 0 ? history_[static_cast<size_t>(h + n)] : in[static_cast<size_t>(n)]; };
        std::vector<int> out;
        int j = 0;
        int k = 0;
        for (; k < count * (outRate_ / inRate_ + 1); ++k) {
            const double time0 = k * ratio_;
            j = static_cast<int>(std::floor(time0 - inputTime_));
            if (j + order_ - order_ / 2 >= count)
                break;
            const double offset = time0 - inputTime_ - (j + 0.5 * (order_ % 2));
            const int q = static_cast<int>(std::floor(offset * 2 * phases_ + phases_ + 0.5));
            double sum = 0;
            for (int i = 0; i <= order_; ++i)
                sum += y(i + j - order_ / 2)
                    * static_cast<double>(bank_[static_cast<size_t>(q)][static_cast<size_t>(i)]);
            out.push_back(static_cast<int>(std::trunc(sum)));
        }
        const int used = std::min(count, order_ + j - order_ / 2);
        inputTime_ += used - static_cast<double>(out.size()) * ratio_;
        std::vector<int16_t> next(history_);
        if (used >= h) {
            next.assign(in.end() - (count - used) - h, in.end() - (count - used));
        } else {
            next.erase(next.begin(), next.begin() + used);
            next.insert(next.end(), in.begin(), in.begin() + used);
        }
        history_ = next;
        return out;
    }

private:
    int inRate_, outRate_;
    double ratio_ = 0;
    int phases_ = 0;
    int order_ = 0;
    std::vector<std::vector<float>> bank_;
    std::vector<int16_t> history_;
    double inputTime_ = 0;
};

} // namespace

TEST(PcmConverter, MatchesTheTermByTermFilterSumOverBlocksOfAnySize)
{
    // Noise at 40% of full scale never saturates, so each sample may differ from the plain double
    // sum only by the rounding of single-precision arithmetic: one step at most. Blocks shorter
    // than the history exercise the history's shift.
    struct Case {
        int inRate, outRate;
    };
    for (const Case c : { Case { 22050, 44100 }, Case { 48000, 44100 }, Case { 44100, 22050 }, Case { 11025, 48000 },
             Case { 32000, 44100 } }) {
        SCOPED_TRACE(std::to_string(c.inRate) + " -> " + std::to_string(c.outRate));
        PcmConverter converter = Configured(1, c.inRate, 1, c.outRate);
        PlainResampler plain(c.inRate, c.outRate);
        uint32_t seed = 99;
        int compared = 0;
        for (int block : { 1152, 576, 7, 1, 20, 1152, 33, 5, 1000 }) {
            std::vector<int16_t> in(static_cast<size_t>(block));
            for (int16_t& s : in) {
                seed = seed * 1664525u + 1013904223u;
                s = static_cast<int16_t>(static_cast<int>(seed >> 16) % 26000 - 13000);
            }
            std::vector<int16_t> out(static_cast<size_t>(converter.MaxOutputCount(block))), unused(out.size());
            int produced = 0;
            converter.Convert(in.data(), in.data(), block, out.data(), unused.data(), produced);
            const std::vector<int> expected = plain.Convert(in);
            ASSERT_EQ(produced, static_cast<int>(expected.size())) << "block of " << block;
            for (int i = 0; i < produced; ++i)
                ASSERT_NEAR(out[static_cast<size_t>(i)], expected[static_cast<size_t>(i)], 1) << "block of " << block;
            compared += produced;
        }
        EXPECT_GT(compared, 1500);
    }
}
