// Faded pieces of a source that changes its channel count or sample rate half-way (two real
// encodings laid one after the other): the piece keeps the audio after the change, at the piece's
// own format, and its whole length.
#include "engine/cut/FadeCutter.h"
#include "tests/engine/cut/CutTestSupport.h"
#include "tests/engine/join/ReencodeTestAudio.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/GaplessDecode.h"
#include "tests/support/Mp3Layout.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

struct Part {
    int sampleRate;
    int channels;
    double frequency;
};

// 3 s of each part's tone, one encoding after the other; the samples of the whole at 44.1 kHz.
double WriteSplicedSource(const std::string& path, const std::vector<Part>& parts)
{
    Bytes bytes;
    double samplesAt44100 = 0;
    for (const Part& part : parts) {
        ToneSpec shape;
        shape.sampleRate = part.sampleRate;
        shape.channels = part.channels;
        shape.frequency = part.frequency;
        shape.seconds = 3.0;
        const Bytes encoded = EncodeTone(shape);
        samplesAt44100 += static_cast<double>(ReadMp3Layout(encoded).frames.size()) * 1152 * 44100 / part.sampleRate;
        Append(bytes, encoded);
    }
    WriteFile(path, bytes);
    return samplesAt44100;
}

} // namespace

TEST(FormatChangeFade, AFadedPieceKeepsTheAudioAfterAChangeOfChannelsOrRate)
{
    struct Case {
        const char* name;
        std::vector<Part> parts;
    };
    const std::vector<Case> cases {
        { "stereo-mono", { { 44100, 2, 440 }, { 44100, 1, 660 } } },
        { "mono-stereo", { { 44100, 1, 440 }, { 44100, 2, 660 } } },
        { "44100-48000", { { 44100, 2, 440 }, { 48000, 2, 660 } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string source = dir.File("source.mp3");
        const double sourceSamples = WriteSplicedSource(source, c.parts);
        const int firstChannels = c.parts[0].channels;

        RecordingJob job;
        FadeCutter cutter;
        ASSERT_TRUE(cutter.Open(source));
        cutter.SetCancelFlag(&job);
        cutter.SetProgressBar(&job.bar);
        cutter.SetLeadIn(0);
        cutter.SetLeadOut(0);
        cutter.SetFadeIn(true, 5);
        cutter.SetFadeOut(true, 5);
        ID3TagInfo tag {};
        bool endReached = false;
        // The first piece runs 1 s past the change, the rest holds the other 2 s.
        ASSERT_TRUE(cutter.WritePieceByDuration(dir.File("first.mp3"), 40, &tag, endReached));
        EXPECT_FALSE(endReached);
        ASSERT_TRUE(cutter.WriteRest(dir.File("rest.mp3"), &tag));

        const Pcm first = DecodeGapless(dir.File("first.mp3"));
        const Pcm rest = DecodeGapless(dir.File("rest.mp3"));
        for (const Pcm* piece : { &first, &rest }) {
            EXPECT_EQ(piece->sampleRate, 44100);
            EXPECT_EQ(piece->right.empty(), firstChannels == 1);
        }
        // Both pieces together hold the source's length and the three frames the next piece
        // repeats after a budgeted one (the resampler keeps back a few samples at a change).
        const double overlap = 3.0 * 1152 * 44100 / c.parts[1].sampleRate;
        EXPECT_NEAR(static_cast<double>(first.left.size() + rest.left.size()), sourceSamples + overlap, 64);
        // The first piece ends with the frame that holds its end: within a frame after 4 s.
        EXPECT_GE(first.left.size(), 4u * 44100 - 64);
        EXPECT_LE(first.left.size(), 4u * 44100 + 1152);

        // The second part's tone plays right after the change, not silence.
        const double full = RmsLevel(first.left, 44100, 2 * 44100);
        ASSERT_GT(full, 0.3);
        EXPECT_NEAR(RmsLevel(first.left, 3 * 44100 + 10000, 3 * 44100 + 30000), full, 0.1 * full);
        // (The only quiet stretch is the second encoding's own start, under 2,000 samples.)
        EXPECT_LT(LongestSilence(first.left, 44100, first.left.size() - 44100 / 2), 2000u);
        EXPECT_NEAR(ZeroCrossingFrequency(first.left, 3 * 44100 + 10000, first.left.size() - 44100 / 2, 44100), 660, 5);
        EXPECT_NEAR(ZeroCrossingFrequency(rest.left, 44100 / 2, rest.left.size() - 44100 / 2, 44100), 660, 5);
        EXPECT_NEAR(RmsLevel(rest.left, 44100 / 2, 44100), full, 0.1 * full);
    }
}
