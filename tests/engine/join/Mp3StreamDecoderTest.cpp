#include "engine/join/Mp3StreamDecoder.h"

#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/TempDir.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class Mp3StreamDecoderTest : public ::testing::Test {
protected:
    std::string Write(const Bytes& bytes, const std::string& name)
    {
        const std::string path = dir.File(name);
        WriteFile(path, bytes);
        return path;
    }

    // Decodes the rest of the stream; returns the samples per channel, or -1 on a decoder error.
    static long DecodeAll(Mp3StreamDecoder& decoder, std::vector<int16_t>* left = nullptr)
    {
        int16_t l[Mp3StreamDecoder::kMaxSamplesPerFrame], r[Mp3StreamDecoder::kMaxSamplesPerFrame];
        long total = 0;
        for (;;) {
            int n = 0;
            bool end = false;
            if (!decoder.ReadPcm(l, r, n, end))
                return -1;
            if (end)
                return total;
            total += n;
            if (left)
                left->insert(left->end(), l, l + n);
        }
    }

    TempDir dir;
};

} // namespace

TEST_F(Mp3StreamDecoderTest, ProbesAndDecodesARealCbrStream)
{
    ToneSpec tone;
    tone.seconds = 2.0;
    const Bytes mp3 = EncodeTone(tone);
    Mp3StreamDecoder decoder;
    ASSERT_TRUE(decoder.Open(Write(mp3, "tone.mp3")));
    EXPECT_EQ(decoder.SampleRate(), 44100);
    EXPECT_EQ(decoder.Bitrate(), 128);
    EXPECT_EQ(decoder.Channels(), 2);
    EXPECT_EQ(decoder.Mode(), 1);
    EXPECT_FALSE(decoder.IsVbr());
    EXPECT_EQ(decoder.TotalSamples(), mp3.size() * 8 / 128000 * 44100);

    std::vector<int16_t> left;
    const long samples = DecodeAll(decoder, &left);
    // Two seconds plus the encoder's delay and padding, less what the probe fed the decoder.
    EXPECT_GE(samples, 88200 - 1152);
    EXPECT_LE(samples, 88200 + 3 * 1152);
    EXPECT_NEAR(RmsLevel(left, 4000, 80000), 0.5 / std::sqrt(2.0), 0.03);
}

TEST_F(Mp3StreamDecoderTest, TakesTotalsFromAnInformationFrame)
{
    ToneSpec tone;
    tone.vbr = true;
    tone.writeInfoFrame = true;
    tone.channels = 1;
    tone.sampleRate = 22050;
    Mp3StreamDecoder decoder;
    ASSERT_TRUE(decoder.Open(Write(EncodeTone(tone), "vbr.mp3")));
    EXPECT_TRUE(decoder.IsVbr());
    EXPECT_EQ(decoder.SampleRate(), 22050);
    EXPECT_EQ(decoder.Channels(), 1);
    EXPECT_EQ(decoder.Mode(), 3);
    EXPECT_GT(decoder.TotalFrames(), 0);
    EXPECT_EQ(decoder.TotalSamples(), static_cast<uint64_t>(decoder.TotalFrames()) * 576u);
    EXPECT_GT(DecodeAll(decoder), 44100 - 2000);
}

TEST_F(Mp3StreamDecoderTest, EstimatesTotalsFromTheFileSize)
{
    // 1,000,000 bytes at 128 kbps: 62 whole seconds.
    Bytes file = Frames(FrameSpec {}, 2398);
    file.resize(1000000, 0);
    Mp3StreamDecoder decoder;
    ASSERT_TRUE(decoder.Open(Write(file, "million.mp3")));
    EXPECT_EQ(decoder.TotalSamples(), 2734200u);
    EXPECT_EQ(decoder.TotalFrames(), 2373);
    EXPECT_EQ(decoder.LeadingBytes(), 0u);
}

TEST_F(Mp3StreamDecoderTest, AnEstimatePastThirtyTwoBitsDoesNotWrap)
{
    // 900 MB at 32 kbps and 48 kHz, 62.5 hours: a few frames and then a hole, which costs no disk.
    FrameSpec low;
    low.bitrateIndex = 1;
    low.sampleRateIndex = 1;
    const std::string path = Write(Frames(low, 20), "long.mp3");
    std::filesystem::resize_file(path, 900000000);
    Mp3StreamDecoder decoder;
    ASSERT_TRUE(decoder.Open(path));
    EXPECT_EQ(decoder.TotalSamples(), uint64_t { 900000000 } * 8 / 32000 * 48000);
    EXPECT_EQ(decoder.TotalFrames(), 9375000);
}

TEST_F(Mp3StreamDecoderTest, AnInformationFrameCountIsCheckedAgainstTheFile)
{
    // 100 frames of 417 bytes after the information frame; the shortest frame at 44.1 kHz takes
    // 104 bytes, so the file could hold about 400.
    const FrameSpec k128;
    const struct {
        uint32_t count;
        uint64_t total;
    } cases[] = {
        { 0x40000000, 100 * 1152 }, // the library's own total wraps to 0
        { 5000, 100 * 1152 }, // more frames than the file can hold
        { 100, 100 * 1152 }, { 300, 300 * 1152 }, // a count the file could hold stands
    };
    for (const auto& [count, total] : cases) {
        SCOPED_TRACE(count);
        Bytes file = InfoFrame(k128, "Xing", 0x1, count);
        Append(file, Frames(k128, 100));
        Mp3StreamDecoder decoder;
        ASSERT_TRUE(decoder.Open(Write(file, "counted.mp3")));
        EXPECT_TRUE(decoder.IsVbr());
        EXPECT_EQ(decoder.TotalSamples(), total);
        EXPECT_EQ(decoder.TotalFrames(), static_cast<int>(total / 1152));
    }
}

TEST_F(Mp3StreamDecoderTest, SkipsID3v2AlbumIdBlockAndJunkBeforeTheFirstFrame)
{
    ToneSpec tone;
    tone.seconds = 0.5;
    const Bytes audio = EncodeTone(tone);

    Bytes file = ID3v2Block(4086);
    const Bytes albumId = { 'A', 'i', 'D', 1, 20, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14 };
    Append(file, albumId);
    Append(file, Bytes(37, 0x11)); // junk
    Append(file, audio);
    const uint64_t audioBytes = audio.size();

    Mp3StreamDecoder decoder;
    ASSERT_TRUE(decoder.Open(Write(file, "tagged.mp3")));
    // The size estimate counts the audio only, from the first confirmed frame.
    EXPECT_EQ(decoder.LeadingBytes(), 4096u + albumId.size() + 37);
    EXPECT_EQ(decoder.TotalSamples(), audioBytes * 8 / 128000 * 44100);
    EXPECT_GT(DecodeAll(decoder), 20000);
}

TEST_F(Mp3StreamDecoderTest, RefusesDamagedInputWithoutHangingOrCrashing)
{
    Mp3StreamDecoder decoder;
    EXPECT_FALSE(decoder.Open(dir.File("missing.mp3")));
    EXPECT_FALSE(decoder.Open(Write({}, "empty.mp3")));
    EXPECT_FALSE(decoder.Open(Write(Bytes(3, 0xFF), "three.mp3")));
    EXPECT_FALSE(decoder.Open(Write(Bytes(100000, 0xFF), "ff.mp3")));
    EXPECT_FALSE(decoder.Open(Write(Bytes(100000, 0x00), "zero.mp3")));
    // Endless or blocking inputs: a device that never ends and a pipe without a writer.
    EXPECT_FALSE(decoder.Open("/dev/zero"));
    ASSERT_EQ(::mkfifo(dir.File("pipe.mp3").c_str(), 0600), 0);
    EXPECT_FALSE(decoder.Open(dir.File("pipe.mp3")));
    EXPECT_FALSE(decoder.Open(dir.Path().string()));

    Bytes pastEnd = ID3v2Block(10);
    pastEnd[6] = 0x7F;
    Append(pastEnd, Frames(FrameSpec {}, 3));
    EXPECT_FALSE(decoder.Open(Write(pastEnd, "id3-past-end.mp3")));

    // Album-ID lengths below the six bytes already read must not move the stream backwards.
    for (uint8_t length : { 0, 1, 5 }) {
        Bytes file = { 'A', 'i', 'D', 1, length, 0 };
        Append(file, Bytes(4000, 0xFF));
        EXPECT_FALSE(decoder.Open(Write(file, "aid.mp3")));
    }
    Bytes shortAlbumId = { 'A', 'i', 'D', 1, 2, 0 };
    Append(shortAlbumId, EncodeTone(ToneSpec {}));
    EXPECT_TRUE(decoder.Open(Write(shortAlbumId, "aid-ok.mp3")));

    // A header whose frame is cut short by the end of the file.
    const Bytes frame = Frame(FrameSpec {});
    EXPECT_FALSE(decoder.Open(Write(Bytes(frame.begin(), frame.begin() + 50), "cut.mp3")));
    EXPECT_FALSE(decoder.IsOpen());
}

TEST_F(Mp3StreamDecoderTest, DamagedLayerOneAndTwoFramesEndInAClearResult)
{
    // Layer I and II frames whose bodies are noise: the decoder may produce noise or an error,
    // but the process must survive and the stream must end.
    for (int layer : { 1, 2 }) {
        FrameSpec shape;
        shape.layer = layer;
        shape.bitrateIndex = 12;
        Bytes file;
        uint32_t seed = 12345;
        for (int i = 0; i < 40; ++i) {
            Bytes frame = Frame(shape);
            for (size_t b = 4; b < frame.size(); ++b) {
                seed = seed * 1103515245u + 12345u;
                frame[b] = static_cast<uint8_t>((seed >> 16) & 0x7F);
            }
            Append(file, frame);
        }
        Mp3StreamDecoder decoder;
        if (decoder.Open(Write(file, "layer" + std::to_string(layer) + ".mp3")))
            DecodeAll(decoder);
        SUCCEED();
    }
}

TEST_F(Mp3StreamDecoderTest, ReadsTheTagOnceWithoutDisturbingDecoding)
{
    ToneSpec tone;
    tone.seconds = 1.0;
    Bytes withTag = EncodeTone(tone);
    Append(withTag, ID3v1("Tagged", "Artist", 5, 8));
    Mp3StreamDecoder plain, tagged;
    ASSERT_TRUE(plain.Open(Write(EncodeTone(tone), "plain.mp3")));
    ASSERT_TRUE(tagged.Open(Write(withTag, "tagged.mp3")));
    EXPECT_FALSE(plain.ReadTagBlock().has_value());

    const auto block = tagged.ReadTagBlock();
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block->data()) + 3, 6), "Tagged");
    EXPECT_EQ((*block)[126], 5);

    // Two decoders at once, one of them after a tag read, decode the same audio.
    std::vector<int16_t> a, b;
    EXPECT_EQ(DecodeAll(plain, &a), DecodeAll(tagged, &b));
    EXPECT_EQ(a, b);
    EXPECT_EQ(tagged.ReadTagBlock(), block);
}
