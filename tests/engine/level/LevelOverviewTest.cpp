// The level overview read from side information follows the level of the decoded sound, window by
// window, on real LAME encodings.
#include "engine/level/LevelOverview.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/GaplessDecode.h"
#include "tests/support/SpeechLike.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numeric>

namespace {

// Decoded RMS level of each window of a gapless decode, in dBFS (both channels' power averaged).
std::vector<double> DecodedLevels(const Pcm& pcm, int64_t windowSamples)
{
    std::vector<double> levels;
    for (size_t begin = 0; begin < pcm.left.size(); begin += static_cast<size_t>(windowSamples)) {
        const size_t end = begin + static_cast<size_t>(windowSamples);
        double power = std::pow(RmsLevel(pcm.left, begin, end), 2);
        if (!pcm.right.empty())
            power = (power + std::pow(RmsLevel(pcm.right, begin, end), 2)) / 2;
        levels.push_back(PowerToDb(power));
    }
    return levels;
}

double Correlation(const std::vector<double>& a, const std::vector<double>& b)
{
    const double n = static_cast<double>(a.size());
    const double ma = std::accumulate(a.begin(), a.end(), 0.0) / n;
    const double mb = std::accumulate(b.begin(), b.end(), 0.0) / n;
    double sab = 0, saa = 0, sbb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        sab += (a[i] - ma) * (b[i] - mb);
        saa += (a[i] - ma) * (a[i] - ma);
        sbb += (b[i] - mb) * (b[i] - mb);
    }
    return sab / std::sqrt(saa * sbb);
}

// The level strip shows 60 dB: below that is silence, told apart by the silence test.
constexpr double kFloorDb = -60;

struct Agreement {
    double r = 0; // over all windows, both levels floored at kFloorDb
    // Windows inside a silent stretch: the decode finds them and both neighbours below -60 dBFS.
    // (The first and last window of a stretch may hold the edge of a granule that still sounds.)
    size_t silent = 0;
    size_t silentFound = 0; // of those, the windows the overview shows below -45 dBFS
    double meanError = 0; // estimate minus decode over the windows above kFloorDb, dB
    size_t windowsDiffer = 0; // count of overview windows minus decoded windows
};

// The overview of path against decoded, its decode.
Agreement Compare(const std::string& path, const Pcm& decoded)
{
    std::string error;
    const auto overview = ReadLevelOverview(path, kDefaultLevelWindowMs, error);
    EXPECT_TRUE(overview) << error;
    if (!overview)
        return {};
    const auto truth = DecodedLevels(decoded, overview->windowSamples);
    Agreement result;
    result.windowsDiffer = overview->levelsDb.size() > truth.size() ? overview->levelsDb.size() - truth.size()
                                                                    : truth.size() - overview->levelsDb.size();
    std::vector<double> a, b;
    size_t sounding = 0;
    for (size_t k = 0; k < std::min(truth.size(), overview->levelsDb.size()); ++k) {
        a.push_back(std::max(kFloorDb, truth[k]));
        b.push_back(std::max<double>(kFloorDb, overview->levelsDb[k]));
        if (truth[k] < kFloorDb) {
            const bool inside = k > 0 && k + 1 < truth.size() && truth[k - 1] < kFloorDb && truth[k + 1] < kFloorDb;
            result.silent += inside ? 1 : 0;
            result.silentFound += inside && overview->levelsDb[k] < -45 ? 1 : 0;
            continue;
        }
        result.meanError += overview->levelsDb[k] - truth[k];
        ++sounding;
    }
    result.meanError /= static_cast<double>(sounding);
    result.r = Correlation(a, b);
    return result;
}

struct Encoding {
    const char* name;
    int bitrate;
    bool vbr;
    int sampleRate;
    int channels;
};

constexpr Encoding kEncodings[] = {
    { "cbr128", 128, false, 44100, 2 },
    { "cbr320", 320, false, 44100, 2 },
    { "vbr", 0, true, 44100, 2 },
    { "mpeg2_mono", 64, false, 22050, 1 },
    { "mpeg2_vbr", 0, true, 24000, 1 },
};

class LevelOverviewTest : public ::testing::TestWithParam<Encoding> { };

void CheckAgainstDecode(const Pcm& pcm, const Encoding& e, bool expectSilence)
{
    TempDir dir;
    const std::string path = dir.File("source.mp3");
    WriteFile(path, EncodePcm(pcm, e.bitrate, e.vbr, true, 2));
    const Agreement agreement = Compare(path, DecodeGapless(path));
    SCOPED_TRACE(::testing::Message() << e.name << ": r " << agreement.r << ", mean error " << agreement.meanError
                                      << " dB, silence " << agreement.silentFound << "/" << agreement.silent);
    EXPECT_GE(agreement.r, 0.95);
    EXPECT_EQ(agreement.windowsDiffer, 0u);
    // The offset matters to whoever compares levels with a threshold (silence). VBR, where the
    // encoder picks its steps and tables value by value, must read the level as closely as CBR
    // reads its own: a loose bound on what a table codes reads it 4 to 5 dB loud.
    EXPECT_NEAR(agreement.meanError, 0.0, e.vbr ? 4.0 : 12.0);
    if (expectSilence) {
        EXPECT_GT(agreement.silent, 10u);
        EXPECT_EQ(agreement.silentFound, agreement.silent);
    }
}

// Music with a passage of digital silence and one of a faint tone 70 dB down.
Pcm MusicWithSilence(int sampleRate, int channels)
{
    Pcm pcm = MakeMusic(14.0, sampleRate, channels);
    const size_t second = static_cast<size_t>(sampleRate);
    for (size_t i = 5 * second; i < 7 * second; ++i) {
        pcm.left[i] = 0;
        if (channels == 2)
            pcm.right[i] = 0;
    }
    for (size_t i = 9 * second; i < 11 * second; ++i) {
        const auto faint = static_cast<int16_t>(std::lround(10 * std::sin(2 * M_PI * 440.0 * i / sampleRate)));
        pcm.left[i] = faint;
        if (channels == 2)
            pcm.right[i] = faint;
    }
    return pcm;
}

TEST_P(LevelOverviewTest, FollowsTheDecodedLevelOfMusic)
{
    const Encoding& e = GetParam();
    CheckAgainstDecode(MusicWithSilence(e.sampleRate, e.channels), e, true);
}

TEST_P(LevelOverviewTest, FollowsTheDecodedLevelOfSpeech)
{
    const Encoding& e = GetParam();
    CheckAgainstDecode(MakeSpeech(16.0, e.sampleRate, e.channels), e, true);
}

INSTANTIATE_TEST_SUITE_P(Encodings, LevelOverviewTest, ::testing::ValuesIn(kEncodings),
    [](const auto& param) { return std::string(param.param.name); });

// Noise whose power falls 3 dB per octave, about -40 dBFS RMS: every band holds sound, so an
// encoder's scale factors matter as much as its global gain.
Pcm PinkNoise(double seconds)
{
    Pcm pcm;
    pcm.sampleRate = 44100;
    const auto count = static_cast<size_t>(seconds * pcm.sampleRate);
    uint32_t state = 99;
    double b0 = 0, b1 = 0, b2 = 0;
    for (size_t i = 0; i < count; ++i) {
        state = state * 1664525u + 1013904223u;
        const double white = static_cast<double>(state >> 8) / 8388608.0 - 1.0;
        b0 = 0.99765 * b0 + white * 0.0990460;
        b1 = 0.96300 * b1 + white * 0.2965164;
        b2 = 0.57000 * b2 + white * 1.0526913;
        const double pink = (b0 + b1 + b2 + white * 0.1848) * 0.0035;
        pcm.left.push_back(static_cast<int16_t>(std::lround(pink * 32767)));
        pcm.right.push_back(static_cast<int16_t>(std::lround(-pink * 32767)));
    }
    return pcm;
}

// Median of the estimate minus the decoded level over the windows above -50 dBFS.
double MedianError(const std::string& path)
{
    std::string error;
    const auto overview = ReadLevelOverview(path, kDefaultLevelWindowMs, error);
    EXPECT_TRUE(overview) << error;
    if (!overview)
        return 1e9;
    const auto truth = DecodedLevels(DecodeGapless(path), overview->windowSamples);
    std::vector<double> errors;
    for (size_t k = 0; k < std::min(truth.size(), overview->levelsDb.size()); ++k)
        if (truth[k] > -50)
            errors.push_back(overview->levelsDb[k] - truth[k]);
    EXPECT_GT(errors.size(), 20u);
    if (errors.empty())
        return 1e9;
    std::nth_element(errors.begin(), errors.begin() + static_cast<long>(errors.size() / 2), errors.end());
    return errors[errors.size() / 2];
}

// Layers I and II: levels from their scale factors, against ffmpeg's decode.

bool HasFfmpeg() { return std::system("ffmpeg -version >/dev/null 2>&1") == 0; }

// ffmpeg's decode of path, every sample of every frame (Layers I and II know no delay to drop).
Pcm FfmpegDecode(const std::string& path, int sampleRate, int channels)
{
    Pcm pcm;
    pcm.sampleRate = sampleRate;
    const std::string command = "ffmpeg -v error -i '" + path + "' -f s16le -ac " + std::to_string(channels) + " -";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return pcm;
    int16_t frame[2];
    while (std::fread(frame, sizeof(int16_t), static_cast<size_t>(channels), pipe) == static_cast<size_t>(channels)) {
        pcm.left.push_back(frame[0]);
        if (channels == 2)
            pcm.right.push_back(frame[1]);
    }
    ::pclose(pipe);
    return pcm;
}

// MPEG-1 Layer I frames at 44.1 kHz, 384 kbps, stereo, without CRC, built in the subband domain:
// the lowest eight subbands of each channel carry random 8-bit samples under the frame's scale
// factor index, or nothing (silence) where the index is negative.
Bytes LayerOneStream(const std::vector<int>& scaleIndexes)
{
    FrameSpec shape;
    shape.layer = 1;
    shape.bitrateIndex = 12;
    shape.channelMode = 0;
    uint32_t seed = 12345;
    auto random = [&] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 24; // 0-255
    };
    Bytes stream;
    for (const int index : scaleIndexes) {
        Bytes frame = FrameHeaderBytes(shape);
        frame.resize(static_cast<size_t>(FrameLengthOf(shape)), 0);
        frame[1] |= 0x01; // no CRC
        size_t bit = 32;
        auto put = [&](uint32_t value, int width) {
            for (int b = width - 1; b >= 0; --b, ++bit)
                if ((value >> b) & 1)
                    frame[bit / 8] |= static_cast<uint8_t>(0x80 >> (bit % 8));
        };
        const int coded = index >= 0 ? 8 : 0;
        for (int sb = 0; sb < 32; ++sb)
            for (int ch = 0; ch < 2; ++ch)
                put(sb < coded ? 7 : 0, 4); // allocation 7: 8 bits a sample
        for (int sb = 0; sb < coded; ++sb)
            for (int ch = 0; ch < 2; ++ch)
                put(static_cast<uint32_t>(index), 6);
        for (int s = 0; s < 12; ++s)
            for (int sb = 0; sb < coded; ++sb)
                for (int ch = 0; ch < 2; ++ch)
                    put(std::min<uint32_t>(random(), 254), 8); // all ones is not a sample
        Append(stream, frame);
    }
    return stream;
}

} // namespace

// An absolute threshold (silence) needs the same level for the same sound however it was encoded:
// VBR sets global_gain for its coarsest band and lifts the others with scale factors, which must
// not read 15 dB loud.
TEST(LevelOverview, ReadsTheSameLevelForCbrAndVbrOfOneSound)
{
    struct Case {
        const char* name;
        int bitrate;
        bool vbr;
        int quality;
    };
    const Case cases[]
        = { { "cbr128", 128, false, 4 }, { "cbr320", 320, false, 4 }, { "vbr2", 0, true, 2 }, { "vbr5", 0, true, 5 } };
    const Pcm noise = PinkNoise(6.0);
    TempDir dir;
    for (const Case& c : cases) {
        const std::string path = dir.File(std::string(c.name) + ".mp3");
        WriteFile(path, EncodePcm(noise, c.bitrate, c.vbr, true, c.quality));
        EXPECT_NEAR(MedianError(path), 0.0, 4.0) << c.name;
    }
}

TEST(LevelOverview, FollowsTheDecodedLevelOfLayerOneAndTwo)
{
    if (!HasFfmpeg())
        GTEST_SKIP() << "no ffmpeg to encode Layer II and decode Layers I and II";
    TempDir dir;

    // Layer I: loud, silent, quiet, silent, medium passages, each level drifting a little; 115
    // frames of 384 samples are a second.
    std::vector<int> indexes;
    const std::pair<int, int> passages[] = { { 14, 3 }, { -1, 2 }, { 34, 3 }, { -1, 2 }, { 24, 2 } };
    for (const auto& [index, seconds] : passages)
        for (int k = 0; k < seconds * 115; ++k)
            indexes.push_back(index < 0 ? -1 : index + (k / 23) % 5);
    WriteFile(dir.File("layer1.mp3"), LayerOneStream(indexes));
    {
        const Agreement agreement = Compare(dir.File("layer1.mp3"), FfmpegDecode(dir.File("layer1.mp3"), 44100, 2));
        SCOPED_TRACE(::testing::Message() << "Layer I: r " << agreement.r << ", mean error " << agreement.meanError
                                          << " dB, silence " << agreement.silentFound << "/" << agreement.silent);
        EXPECT_GE(agreement.r, 0.95);
        EXPECT_EQ(agreement.windowsDiffer, 0u);
        EXPECT_NEAR(agreement.meanError, 0.0, 12.0);
        EXPECT_GT(agreement.silent, 20u);
        EXPECT_EQ(agreement.silentFound, agreement.silent);
    }

    // Layer II from ffmpeg's encoder: music with silence and speech, stereo and mono.
    struct Case {
        const char* name;
        Pcm pcm;
        const char* bitrate;
    };
    const Case cases[]
        = { { "music", MusicWithSilence(44100, 2), "192k" }, { "speech", MakeSpeech(16.0, 48000, 1), "96k" } };
    for (const Case& c : cases) {
        const int channels = c.pcm.right.empty() ? 1 : 2;
        std::vector<int16_t> interleaved;
        for (size_t i = 0; i < c.pcm.left.size(); ++i) {
            interleaved.push_back(c.pcm.left[i]);
            if (channels == 2)
                interleaved.push_back(c.pcm.right[i]);
        }
        const std::string raw = dir.File(std::string(c.name) + ".raw");
        const std::string path = dir.File(std::string(c.name) + ".mp3");
        const auto* bytes = reinterpret_cast<const uint8_t*>(interleaved.data());
        WriteFile(raw, Bytes(bytes, bytes + interleaved.size() * sizeof(int16_t)));
        const std::string encode = "ffmpeg -v error -y -f s16le -ar " + std::to_string(c.pcm.sampleRate) + " -ac "
            + std::to_string(channels) + " -i '" + raw + "' -c:a mp2 -b:a " + c.bitrate + " -f mp2 '" + path + "'";
        ASSERT_EQ(std::system(encode.c_str()), 0) << encode;
        const Agreement agreement = Compare(path, FfmpegDecode(path, c.pcm.sampleRate, channels));
        SCOPED_TRACE(::testing::Message()
            << "Layer II " << c.name << ": r " << agreement.r << ", mean error " << agreement.meanError
            << " dB, silence " << agreement.silentFound << "/" << agreement.silent);
        EXPECT_GE(agreement.r, 0.95);
        EXPECT_EQ(agreement.windowsDiffer, 0u);
        EXPECT_NEAR(agreement.meanError, 0.0, 12.0);
        EXPECT_GT(agreement.silent, 10u);
        EXPECT_EQ(agreement.silentFound, agreement.silent);
    }
}

TEST(LevelOverview, ReportsFilesWithoutAudioAndStopsWhenCancelled)
{
    TempDir dir;
    std::string error;
    WriteFile(dir.File("junk.mp3"), Bytes(5000, 0x20));
    EXPECT_FALSE(ReadLevelOverview(dir.File("junk.mp3"), 100, error));
    EXPECT_NE(error.find("holds no MPEG audio frames"), std::string::npos) << error;
    EXPECT_FALSE(ReadLevelOverview(dir.File("missing.mp3"), 100, error));
    EXPECT_NE(error.find("Failed to read file"), std::string::npos) << error;

    // Frames whose bodies are filler: side information that means nothing must still give a level
    // for every window, never read outside the frame.
    WriteFile(dir.File("filler.mp3"), Frames(FrameSpec {}, 200));
    const auto filler = ReadLevelOverview(dir.File("filler.mp3"), 100, error);
    ASSERT_TRUE(filler) << error;
    EXPECT_EQ(filler->levelsDb.size(), static_cast<size_t>((200 * 1152 + 4409) / 4410));

    WriteFile(dir.File("long.mp3"), Frames(FrameSpec {}, 10000));
    const std::atomic<bool> cancel { true };
    EXPECT_FALSE(ReadLevelOverview(dir.File("long.mp3"), 100, error, &cancel));
    EXPECT_TRUE(error.empty());
}
