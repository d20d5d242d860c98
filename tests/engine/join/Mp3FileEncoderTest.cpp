#include "engine/join/Mp3FileEncoder.h"
#include "engine/stream/MpegFrameHeader.h"
#include "tests/engine/join/RecordingProgress.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

// Encodes a second of tone and returns the first frame header of the file.
std::optional<MpegFrameHeader> EncodeSecond(
    const std::string& path, int sampleRate, int channels, int bitrate, int mode)
{
    ToneSpec shape;
    shape.sampleRate = sampleRate;
    shape.channels = channels;
    shape.seconds = 1.0;
    const Pcm pcm = MakeTone(shape);
    Mp3FileEncoder encoder;
    if (!encoder.Create(path))
        return std::nullopt;
    encoder.SetChannels(channels);
    encoder.SetInputRate(sampleRate);
    encoder.SetBitrate(bitrate);
    encoder.SetOutputRate(sampleRate);
    encoder.SetMode(mode);
    if (!encoder.Start())
        return std::nullopt;
    // One call with the whole second: the wrapper feeds LAME in parts its buffer can take.
    if (!encoder.Encode(pcm.left.data(), channels == 2 ? pcm.right.data() : nullptr, static_cast<int>(pcm.left.size())))
        return std::nullopt;
    if (!encoder.Finish())
        return std::nullopt;
    const auto found = FindNextFrame(ReadFile(path), 0);
    return found ? std::optional(found->header) : std::nullopt;
}

} // namespace

TEST(Mp3FileEncoder, ClampsTheBitrateAndPassesOnlyEncoderModes)
{
    TempDir dir;
    auto header = EncodeSecond(dir.File("high.mp3"), 44100, 2, 400, 1);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->bitrate, 320);
    EXPECT_EQ(header->channelMode, 1);

    header = EncodeSecond(dir.File("low.mp3"), 8000, 1, 4, 3);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->bitrate, 8);
    EXPECT_EQ(header->channelMode, 3);

    header = EncodeSecond(dir.File("dual.mp3"), 44100, 2, 128, 2); // dual channel is encoded as stereo
    ASSERT_TRUE(header);
    EXPECT_EQ(header->channelMode, 0);
}

TEST(Mp3FileEncoder, AppendsTheTagBlockAfterTheFlushedFrames)
{
    TempDir dir;
    const std::string path = dir.File("tagged.mp3");
    const Pcm pcm = MakeTone(ToneSpec {});
    Bytes block = ID3v1("Title", "Artist", 4, 17);
    ID3v1Block tag;
    std::copy(block.begin(), block.end(), tag.begin());
    {
        Mp3FileEncoder encoder;
        ASSERT_TRUE(encoder.Create(path));
        encoder.SetTagBlock(tag);
        encoder.SetChannels(2);
        encoder.SetInputRate(44100);
        encoder.SetBitrate(128);
        encoder.SetOutputRate(44100);
        encoder.SetMode(1);
        ASSERT_TRUE(encoder.Start());
        ASSERT_TRUE(encoder.Encode(pcm.left.data(), pcm.right.data(), static_cast<int>(pcm.left.size())));
        // Destroying the wrapper finishes the file.
    }
    const Bytes bytes = ReadFile(path);
    ASSERT_GT(bytes.size(), 128u);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), bytes.end() - 128));
    // Every byte before the tag is a whole 128 kbit/s frame: the flush reached the file.
    size_t position = 0;
    while (position < bytes.size() - 128) {
        const auto header = DecodeFrameHeader(bytes.data() + position);
        ASSERT_TRUE(header) << position;
        EXPECT_EQ(header->bitrate, 128);
        position += static_cast<size_t>(header->frameLength);
    }
    EXPECT_EQ(position, bytes.size() - 128);
    // Two seconds of PCM plus the encoder's delay and padding.
    EXPECT_GE(DecodeFile(path).left.size(), pcm.left.size());
}

TEST(Mp3FileEncoder, AFailedWriteFailsEncodeOrFinishAndDeletesTheFile)
{
    TempDir dir;
    const std::string path = dir.File("full.mp3");
    const Pcm pcm = MakeTone(ToneSpec {});
    Mp3FileEncoder encoder;
    ASSERT_TRUE(encoder.Create(path));
    encoder.SetChannels(2);
    encoder.SetInputRate(44100);
    encoder.SetBitrate(128);
    encoder.SetOutputRate(44100);
    encoder.SetMode(1);
    ASSERT_TRUE(encoder.Start());
    bool encoded = true, finished = true;
    {
        FileSizeLimit full(2000);
        encoded = encoder.Encode(pcm.left.data(), pcm.right.data(), static_cast<int>(pcm.left.size()));
        finished = encoder.Finish();
    }
    EXPECT_FALSE(encoded);
    EXPECT_FALSE(finished);
    EXPECT_FALSE(std::filesystem::exists(path));
}
