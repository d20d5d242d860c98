// Where a stream starts and where it resumes after damage: a sync word counts only when the next
// header follows at its frame's end; leading tags in a row and trailing APE and Lyrics3 blocks are
// not audio; the reserved emphasis value is a frame like any other.
#include "engine/join/Mp3StreamDecoder.h"
#include "engine/stream/CountStreamSamples.h"
#include "engine/stream/Mp3SourceFile.h"

#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <set>

namespace {

// A real 44.1 kHz, 192 kbit/s encoding, as most files found on a disk.
Bytes Encoded192(double seconds = 2.0)
{
    ToneSpec tone;
    tone.bitrate = 192;
    tone.seconds = seconds;
    return EncodeTone(tone);
}

std::vector<size_t> FramePositions(const Bytes& bytes)
{
    // The encoder's frames follow each other without a gap.
    std::vector<size_t> positions;
    for (size_t p = 0; p + 4 <= bytes.size();) {
        const auto header = DecodeFrameHeader(&bytes[p]);
        if (!header)
            break;
        positions.push_back(p);
        p += static_cast<size_t>(header->frameLength);
    }
    return positions;
}

std::vector<size_t> Walk(Mp3SourceFile& source)
{
    std::vector<size_t> positions;
    for (auto f = source.NextCompleteFrame(source.Cursor()); f;
         f = source.NextCompleteFrame(f->position + static_cast<size_t>(f->header.frameLength)))
        positions.push_back(f->position);
    return positions;
}

// Junk that holds lone sync words of other streams: Layer I at 32 kHz, MPEG-2 Layer III at 24 kHz.
Bytes JunkWithFalseSyncs(size_t length)
{
    Bytes junk(length, 0x20);
    const uint8_t layer1[] = { 0xFF, 0xFF, 0x18, 0x00 };
    const uint8_t mpeg2[] = { 0xFF, 0xF3, 0x94, 0x40 };
    std::copy(std::begin(layer1), std::end(layer1), junk.begin() + 5);
    std::copy(std::begin(mpeg2), std::end(mpeg2), junk.begin() + static_cast<long>(length / 2));
    return junk;
}

// An ID3v2.3 tag with one UTF-16 comment frame: its text starts with the byte-order mark FF FE.
Bytes ID3v2WithUtf16Text()
{
    Bytes frame = { 'T', 'I', 'T', '2', 0, 0, 0, 0, 0, 0, 1, 0xFF, 0xFE };
    for (const char c : std::string("Title"))
        Append(frame, { static_cast<uint8_t>(c), 0 });
    frame[7] = static_cast<uint8_t>(frame.size() - 10);
    Bytes tag = ID3v2Block(static_cast<uint32_t>(frame.size()));
    std::copy(frame.begin(), frame.end(), tag.begin() + 10);
    return tag;
}

class StreamSyncTest : public ::testing::Test {
protected:
    std::string Write(const Bytes& bytes, const std::string& name = "in.mp3")
    {
        const std::string path = dir.File(name);
        WriteFile(path, bytes);
        return path;
    }
    TempDir dir;
};

} // namespace

TEST_F(StreamSyncTest, TheStreamStartsAtTheFirstConfirmedFrameNotAtALoneSyncWord)
{
    const Bytes audio = Encoded192();
    struct Case {
        const char* name;
        Bytes before;
    };
    Bytes twoTags = ID3v2Block(300);
    Append(twoTags, ID3v2WithUtf16Text());
    Bytes tagThenJunk = ID3v2WithUtf16Text();
    Append(tagThenJunk, JunkWithFalseSyncs(2000));
    // A broken frame: the header of a real frame with half its body.
    Bytes broken = JunkWithFalseSyncs(300);
    broken.insert(broken.end(), audio.begin(), audio.begin() + 300);
    const Case cases[] = {
        { "junk", JunkWithFalseSyncs(2255) },
        { "two tags", twoTags },
        { "tag and junk", tagThenJunk },
        { "broken frame", broken },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes file = c.before;
        Append(file, audio);
        const std::string path = Write(file);

        Mp3SourceFile source;
        ASSERT_TRUE(source.Open(path));
        EXPECT_EQ(source.Cursor(), c.before.size());
        EXPECT_EQ(source.SampleRate(), 44100);
        EXPECT_EQ(source.SamplesPerFrame(), 1152);
        EXPECT_EQ(Walk(source).size(), FramePositions(audio).size());

        StreamSampleCount count;
        ASSERT_TRUE(CountStreamSamples(path, count));
        EXPECT_EQ(count.totalSamples, static_cast<int64_t>(FramePositions(audio).size()) * 1152);

        // The decoder (and the list probe built on it) starts at the same frame.
        Mp3StreamDecoder decoder;
        ASSERT_TRUE(decoder.Open(path));
        EXPECT_EQ(decoder.SampleRate(), 44100);
        EXPECT_EQ(decoder.Bitrate(), 192);
        EXPECT_EQ(decoder.Layer(), 3);
        EXPECT_EQ(decoder.LeadingBytes(), c.before.size());
    }
}

TEST_F(StreamSyncTest, AfterADamagedFrameTheWalkResumesOnlyAtConfirmedFrames)
{
    const Bytes audio = Encoded192();
    const std::vector<size_t> frames = FramePositions(audio);
    ASSERT_GT(frames.size(), 40u);
    // Frames 20 and 21 overwritten with junk that holds false syncs, among them a header of this
    // very stream whose frame end holds no header.
    Bytes damaged = audio;
    const size_t from = frames[20];
    const size_t to = frames[22];
    const Bytes junk = JunkWithFalseSyncs(to - from);
    std::copy(junk.begin(), junk.end(), damaged.begin() + static_cast<long>(from));
    const uint8_t sameStream[] = { 0xFF, 0xFB, 0xB0, 0x64 };
    std::copy(std::begin(sameStream), std::end(sameStream), damaged.begin() + static_cast<long>(from + 100));

    Mp3SourceFile source;
    ASSERT_TRUE(source.Open(Write(damaged)));
    const std::vector<size_t> walked = Walk(source);
    // The frames before and after the damage, and nothing from inside it.
    std::vector<size_t> expected(frames.begin(), frames.begin() + 20);
    expected.insert(expected.end(), frames.begin() + 22, frames.end());
    EXPECT_EQ(walked, expected);

    // The decoder is fed the same frames: two frames' samples fewer than the whole stream.
    Mp3StreamDecoder whole, cut;
    ASSERT_TRUE(whole.Open(Write(audio, "whole.mp3")));
    ASSERT_TRUE(cut.Open(Write(damaged, "damaged.mp3")));
    auto decodeAll = [](Mp3StreamDecoder& decoder) {
        int16_t l[1152], r[1152];
        long total = 0;
        for (int n = 0; ; total += n) {
            bool end = false;
            if (!decoder.ReadPcm(l, r, n, end))
                return -1L;
            if (end)
                return total;
        }
    };
    EXPECT_EQ(decodeAll(cut), decodeAll(whole) - 2 * 1152);
}

TEST_F(StreamSyncTest, TagsInARowAndTagPaddingOfFFBytesAreAllSkipped)
{
    const Bytes audio = Encoded192(1.0);
    Bytes padded = ID3v2WithUtf16Text();
    padded.resize(padded.size() + 600, 0xFF); // padding beyond the stated size, as some taggers write
    Bytes file = ID3v2Block(1000);
    Append(file, ID3v2WithUtf16Text());
    Bytes ffPadding = ID3v2Block(500);
    std::fill(ffPadding.begin() + 10, ffPadding.end(), uint8_t { 0xFF });
    Append(file, ffPadding);
    Append(file, padded);
    const size_t audioStart = file.size();
    Append(file, audio);

    Mp3SourceFile source;
    ASSERT_TRUE(source.Open(Write(file)));
    EXPECT_EQ(source.ID3v2Length(), 1010u); // the first tag, the one pieces carry
    EXPECT_EQ(source.AudioStart(), audioStart);
    EXPECT_EQ(Walk(source).size(), FramePositions(audio).size());
}

TEST_F(StreamSyncTest, APEAndLyricsBlocksBeforeTheID3v1TagAreNotAudio)
{
    const Bytes audio = Encoded192(1.0);
    const size_t frameCount = FramePositions(audio).size();
    // Their contents hold whole frames of the same stream, as a cover picture may hold anything.
    const Bytes inside = Frames(FrameSpec {}, 3);

    Bytes ape = { 'A', 'P', 'E', 'T', 'A', 'G', 'E', 'X', 0xD0, 0x07, 0, 0 };
    auto apeSize = [&](Bytes& block, uint32_t size, uint32_t flags) {
        for (int i = 0; i < 4; ++i) {
            block[static_cast<size_t>(12 + i)] = static_cast<uint8_t>(size >> (8 * i));
            block[static_cast<size_t>(20 + i)] = static_cast<uint8_t>(flags >> (8 * i));
        }
    };
    ape.resize(32, 0);
    const uint32_t apeLength = static_cast<uint32_t>(inside.size() + 32);
    Bytes apeHeader = ape;
    apeSize(apeHeader, apeLength, 0xA0000000u); // has a header, this is the header
    Bytes apeFooter = ape;
    apeSize(apeFooter, apeLength, 0x80000000u);
    Bytes apeTag = apeHeader;
    Append(apeTag, inside);
    Append(apeTag, apeFooter);

    Bytes lyrics;
    for (const char c : std::string("LYRICSBEGININD00002\x31\x30"))
        lyrics.push_back(static_cast<uint8_t>(c));
    Append(lyrics, inside);
    const std::string lyricsLength = std::to_string(lyrics.size());
    for (const char c : std::string(6 - lyricsLength.size(), '0') + lyricsLength + "LYRICS200")
        lyrics.push_back(static_cast<uint8_t>(c));

    struct Case {
        const char* name;
        Bytes tail;
    };
    Bytes both = lyrics;
    Append(both, apeTag);
    Append(both, ID3v1());
    Bytes apeOnly = apeTag;
    Append(apeOnly, ID3v1());
    Bytes lyricsOnly = lyrics;
    Append(lyricsOnly, ID3v1());
    const Case cases[] = { { "APE", apeOnly }, { "Lyrics3", lyricsOnly }, { "both", both }, { "APE, no ID3v1", apeTag } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes file = audio;
        Append(file, c.tail);
        const std::string path = Write(file);
        Mp3SourceFile source;
        ASSERT_TRUE(source.Open(path));
        EXPECT_EQ(source.AudioEnd(), audio.size());
        EXPECT_EQ(Walk(source).size(), frameCount);
        StreamSampleCount count;
        ASSERT_TRUE(CountStreamSamples(path, count));
        EXPECT_EQ(count.frameCount, static_cast<int64_t>(frameCount));
    }

    // A stored length that reaches before the audio is not trusted: the block is then taken as
    // audio bytes, and its frames are walked.
    Bytes lying = audio;
    Bytes badFooter = apeFooter;
    apeSize(badFooter, 0x7FFFFFFF, 0);
    Append(lying, inside);
    Append(lying, badFooter);
    Mp3SourceFile source;
    ASSERT_TRUE(source.Open(Write(lying, "lying.mp3")));
    EXPECT_EQ(source.AudioEnd(), lying.size());
}

TEST_F(StreamSyncTest, TheReservedEmphasisValueChangesNothing)
{
    const Bytes audio = Encoded192(1.0);
    const std::vector<size_t> frames = FramePositions(audio);
    Bytes marked = audio;
    for (const size_t i : { size_t { 0 }, size_t { 5 }, frames.size() / 2 })
        marked[frames[i] + 3] = static_cast<uint8_t>((marked[frames[i] + 3] & 0xFC) | 0x02);

    const std::string path = Write(marked);
    Mp3SourceFile source;
    ASSERT_TRUE(source.Open(path));
    EXPECT_EQ(Walk(source), frames);
    StreamSampleCount count;
    ASSERT_TRUE(CountStreamSamples(path, count));
    EXPECT_EQ(count.totalSamples, static_cast<int64_t>(frames.size()) * 1152);
    Mp3StreamDecoder decoder;
    ASSERT_TRUE(decoder.Open(path));
    EXPECT_EQ(decoder.LeadingBytes(), 0u);
}

TEST_F(StreamSyncTest, AWalkInSyncThatStartsOnZerosFindsNoFrame)
{
    // Zeros where a walk in sync starts before it has seen any header (a hole of a sparse file, a
    // zeroed stretch): no frame, rather than a frame of no length walked again and again.
    const Bytes audio = Encoded192(0.5);
    Bytes bytes = audio;
    bytes.insert(bytes.end(), 8192, 0x00);
    bytes.insert(bytes.end(), audio.begin(), audio.end());
    Mp3SourceFile source;
    ASSERT_TRUE(source.Open(Write(bytes)));
    std::vector<uint8_t> room(64 << 10);
    int calls = 0;
    const size_t walked = source.FramesInSync(audio.size() + 100, room, [&](const FoundFrame&, std::span<const uint8_t> frame) {
        ++calls;
        return !frame.empty() && calls < 1000;
    });
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(walked, 0u);
}
