// Decoding for listening: exact positions, clean starts anywhere, and files that must not open.
#include "ui/playback/PlaybackDecoder.h"

#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class PlaybackDecoderTest : public ::testing::Test {
protected:
    std::string Tone(const std::string& name, const ToneSpec& shape)
    {
        WriteFile(dir.File(name), EncodeTone(shape));
        return dir.File(name);
    }

    // Every sample of the stretch, read in uneven chunks.
    static std::vector<int16_t> ReadAll(PlaybackDecoder& decoder, int64_t from, int64_t to)
    {
        decoder.Start(from, to);
        std::vector<int16_t> all;
        std::vector<int16_t> chunk(1100 * 2);
        size_t request = 1;
        for (;;) {
            const size_t got = decoder.Read(chunk.data(), request);
            if (got == 0)
                break;
            all.insert(all.end(), chunk.begin(), chunk.begin() + static_cast<long>(got) * decoder.Channels());
            request = request % 997 + 89;
        }
        return all;
    }

    TempDir dir;
};

} // namespace

TEST_F(PlaybackDecoderTest, AStretchStartingAnywhereDecodesAsTheWholeFileDoes)
{
    // A low VBR bitrate puts the main data of a frame several frames back.
    ToneSpec vbr;
    vbr.vbr = true;
    vbr.seconds = 4;
    vbr.frequency = 1000;
    ToneSpec mono;
    mono.channels = 1;
    mono.bitrate = 32;
    mono.seconds = 4;
    for (const auto& [name, shape] : { std::pair { "vbr.mp3", vbr }, std::pair { "mono.mp3", mono } }) {
        PlaybackDecoder decoder;
        ASSERT_TRUE(decoder.Open(Tone(name, shape))) << name;
        const int64_t total = decoder.Count().totalSamples;
        const auto channels = static_cast<size_t>(decoder.Channels());
        EXPECT_EQ(channels, static_cast<size_t>(shape.channels));
        const std::vector<int16_t> whole = ReadAll(decoder, 0, total);
        ASSERT_EQ(whole.size(), static_cast<size_t>(total) * channels) << name;

        for (const int64_t from : { int64_t { 1 }, int64_t { 1152 * 40 + 17 }, total / 2, total - 5 }) {
            const int64_t to = std::min(total, from + 30000);
            const std::vector<int16_t> part = ReadAll(decoder, from, to);
            ASSERT_EQ(part.size(), static_cast<size_t>(to - from) * channels) << name << " from " << from;
            // The same samples, to within the last bit of rounding in the decoder's filter banks.
            int largestDifference = 0;
            for (size_t i = 0; i < part.size(); ++i)
                largestDifference
                    = std::max(largestDifference, std::abs(part[i] - whole[static_cast<size_t>(from) * channels + i]));
            EXPECT_LE(largestDifference, 1) << name << " from " << from;
        }
    }
}

TEST_F(PlaybackDecoderTest, LimitsTheStretchToTheStream)
{
    ToneSpec shape;
    shape.seconds = 1;
    PlaybackDecoder decoder;
    ASSERT_TRUE(decoder.Open(Tone("tone.mp3", shape)));
    const int64_t total = decoder.Count().totalSamples;
    EXPECT_EQ(ReadAll(decoder, total - 100, total + 5000).size(), 200u);
    EXPECT_TRUE(ReadAll(decoder, total + 10, total + 20).empty());
    EXPECT_TRUE(ReadAll(decoder, 5000, 4000).empty());
    decoder.Start(-50, 10);
    EXPECT_EQ(decoder.NextSample(), 0);
}

TEST_F(PlaybackDecoderTest, RefusesWhatIsNotAPlayableMp3Stream)
{
    WriteFile(dir.File("empty.mp3"), {});
    WriteFile(dir.File("text.mp3"), Bytes(20000, 'a'));
    Bytes truncated = Frame(FrameSpec {});
    truncated.resize(200);
    WriteFile(dir.File("truncated.mp3"), truncated);
    std::filesystem::create_directory(dir.File("folder.mp3"));
    ASSERT_EQ(::mkfifo(dir.File("fifo.mp3").c_str(), 0600), 0);
    PlaybackDecoder decoder;
    for (const char* name : { "empty.mp3", "text.mp3", "truncated.mp3", "folder.mp3", "fifo.mp3", "missing.mp3" }) {
        EXPECT_FALSE(decoder.Open(dir.File(name))) << name;
        EXPECT_FALSE(decoder.IsOpen()) << name;
    }
}

TEST_F(PlaybackDecoderTest, AFileCutShortWhilePlayingEndsInSilenceOfTheCountedLength)
{
    ToneSpec shape;
    shape.seconds = 20;
    const std::string path = Tone("tone.mp3", shape);
    PlaybackDecoder decoder;
    ASSERT_TRUE(decoder.Open(path));
    std::filesystem::resize_file(path, 100000);
    const int64_t total = decoder.Count().totalSamples;
    const std::vector<int16_t> all = ReadAll(decoder, 0, total);
    ASSERT_EQ(all.size(), static_cast<size_t>(total) * 2);
    EXPECT_TRUE(std::all_of(all.end() - 20000, all.end(), [](int16_t sample) { return sample == 0; }));
}

TEST_F(PlaybackDecoderTest, PlaysOnThroughAChangeBetweenStereoAndMono)
{
    // Two encodings one after the other, as concatenated files are: the decoder must not go quiet
    // at the second's first frame, and a stretch starting after the change decodes as the whole does.
    for (const int firstChannels : { 2, 1 }) {
        SCOPED_TRACE(firstChannels);
        ToneSpec first;
        first.channels = firstChannels;
        first.seconds = 3;
        ToneSpec second = first;
        second.channels = 3 - firstChannels;
        second.frequency = 660;
        Bytes bytes = EncodeTone(first);
        Append(bytes, EncodeTone(second));
        const std::string path = dir.File("spliced.mp3");
        WriteFile(path, bytes);

        PlaybackDecoder decoder;
        ASSERT_TRUE(decoder.Open(path));
        const auto channels = static_cast<size_t>(decoder.Channels());
        ASSERT_EQ(channels, static_cast<size_t>(firstChannels));
        const int64_t total = decoder.Count().totalSamples;
        const std::vector<int16_t> whole = ReadAll(decoder, 0, total);
        ASSERT_EQ(whole.size(), static_cast<size_t>(total) * channels);
        // Each channel of the second part's tone at its level, after the change.
        std::vector<int16_t> channel[2];
        for (size_t i = 0; i < whole.size(); ++i)
            channel[i % channels].push_back(whole[i]);
        const size_t change = 3 * 44100;
        const double full = RmsLevel(channel[0], 44100, 2 * 44100);
        ASSERT_GT(full, 0.3);
        for (size_t c = 0; c < channels; ++c)
            EXPECT_NEAR(RmsLevel(channel[c], change + 10000, channel[c].size() - 10000), full, 0.1 * full) << c;

        const int64_t from = static_cast<int64_t>(change) + 20000;
        const std::vector<int16_t> part = ReadAll(decoder, from, from + 30000);
        ASSERT_EQ(part.size(), 30000 * channels);
        int largestDifference = 0;
        for (size_t i = 0; i < part.size(); ++i)
            largestDifference
                = std::max(largestDifference, std::abs(part[i] - whole[static_cast<size_t>(from) * channels + i]));
        EXPECT_LE(largestDifference, 1);
    }
}
