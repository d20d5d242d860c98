// Streams that change their channel mode or sample rate inside: two real encodings laid one after
// the other, frame by frame. The decoder gives every frame's samples, and a re-encoding join
// brings each frame to the output's channels and rate, so nothing of either part is lost.
#include "engine/join/JoinJob.h"
#include "engine/join/Mp3StreamDecoder.h"
#include "tests/engine/join/RecordingProgress.h"
#include "tests/engine/join/ReencodeTestAudio.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/GaplessDecode.h"
#include "tests/support/Mp3Layout.h"
#include "tests/support/TempDir.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

ToneSpec Tone(int sampleRate, int channels, double seconds, double frequency = 440)
{
    ToneSpec shape;
    shape.sampleRate = sampleRate;
    shape.channels = channels;
    shape.seconds = seconds;
    shape.frequency = frequency;
    return shape;
}

// The encodings of the parts one after the other, and each part's frame count.
struct SplicedStream {
    Bytes bytes;
    std::vector<size_t> frames;
    std::vector<int> rates;
    std::vector<size_t> samples; // of each part's frames
    std::vector<Pcm> parts; // each part decoded on its own (the test decoder may leave out its last frame)
};

SplicedStream Splice(const TempDir& dir, const std::vector<ToneSpec>& parts)
{
    SplicedStream stream;
    for (size_t i = 0; i < parts.size(); ++i) {
        const Bytes encoded = EncodeTone(parts[i]);
        stream.frames.push_back(ReadMp3Layout(encoded).frames.size());
        stream.rates.push_back(parts[i].sampleRate);
        stream.samples.push_back(stream.frames.back() * (parts[i].sampleRate >= 32000 ? 1152 : 576));
        const std::string path = dir.File("part" + std::to_string(i) + ".mp3");
        WriteFile(path, encoded);
        stream.parts.push_back(DecodeFile(path));
        Append(stream.bytes, encoded);
    }
    return stream;
}

struct DecodedStream {
    std::vector<int16_t> left, right;
    // Where each run of frames of one channel count and rate starts, in samples.
    std::vector<std::tuple<size_t, int, int>> formats;
    bool ok = false;
};

DecodedStream DecodeWithStreamDecoder(const std::string& path)
{
    DecodedStream decoded;
    Mp3StreamDecoder decoder;
    if (!decoder.Open(path))
        return decoded;
    int16_t left[Mp3StreamDecoder::kMaxSamplesPerFrame], right[Mp3StreamDecoder::kMaxSamplesPerFrame];
    for (;;) {
        int samples = 0;
        bool end = false;
        if (!decoder.ReadPcm(left, right, samples, end))
            return decoded;
        if (end)
            break;
        const std::tuple<int, int> format { decoder.FrameChannels(), decoder.FrameSampleRate() };
        if (decoded.formats.empty()
            || std::tuple<int, int>(std::get<1>(decoded.formats.back()), std::get<2>(decoded.formats.back())) != format)
            decoded.formats.emplace_back(decoded.left.size(), std::get<0>(format), std::get<1>(format));
        decoded.left.insert(decoded.left.end(), left, left + samples);
        decoded.right.insert(decoded.right.end(), right, right + samples);
    }
    decoded.ok = true;
    return decoded;
}

JoinJob MakeJob(const std::vector<std::string>& paths)
{
    JoinJob job;
    for (const std::string& path : paths)
        job.AddInput(path);
    job.AssignTag("Joined", "", "", "", "", 255, false, 0);
    return job;
}

} // namespace

TEST(FormatChangeDecoding, EveryFrameOfEveryPartIsDecodedWithItsOwnChannelsAndRate)
{
    TempDir dir;
    struct Case {
        const char* name;
        std::vector<ToneSpec> parts;
    };
    const std::vector<Case> cases {
        { "stereo-mono-stereo", { Tone(44100, 2, 1.0), Tone(44100, 1, 1.0, 660), Tone(44100, 2, 0.5) } },
        { "mono-stereo", { Tone(44100, 1, 1.0), Tone(44100, 2, 1.0, 660) } },
        { "44100-48000", { Tone(44100, 2, 1.0), Tone(48000, 2, 1.0, 660) } },
        { "48000-mono-22050", { Tone(48000, 2, 0.5), Tone(22050, 1, 1.0, 660) } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SplicedStream stream = Splice(dir, c.parts);
        const std::string path = dir.File(std::string(c.name) + ".mp3");
        WriteFile(path, stream.bytes);

        const DecodedStream decoded = DecodeWithStreamDecoder(path);
        ASSERT_TRUE(decoded.ok);
        // Each part's samples, exactly as the part decodes on its own, in order; a mono part in
        // both channels.
        ASSERT_EQ(decoded.formats.size(), c.parts.size());
        size_t at = 0;
        for (size_t i = 0; i < c.parts.size(); ++i) {
            const Pcm& part = stream.parts[i];
            EXPECT_GE(part.left.size() + 1152, stream.samples[i]);
            EXPECT_EQ(decoded.formats[i], std::make_tuple(at, c.parts[i].channels, c.parts[i].sampleRate));
            ASSERT_GE(decoded.left.size(), at + part.left.size());
            const auto from = decoded.left.begin() + static_cast<std::ptrdiff_t>(at);
            EXPECT_TRUE(std::equal(part.left.begin(), part.left.end(), from)) << "part " << i;
            const std::vector<int16_t>& right = part.right.empty() ? part.left : part.right;
            EXPECT_TRUE(std::equal(right.begin(), right.end(), decoded.right.begin() + static_cast<std::ptrdiff_t>(at)))
                << "part " << i;
            at += stream.samples[i];
        }
        EXPECT_EQ(decoded.left.size(), at);
    }
}

// The inputs' whole length, at the output's rate, reaches the joined file: its LAME tag's delay and
// padding taken off, the decode holds every input sample (the resampler's held samples are flushed
// at each change of rate and at each input's end).
TEST(FormatChangeReencoding, AJoinKeepsEveryPartOfAnInputThatChangesChannelsOrRate)
{
    TempDir dir;
    const SplicedStream modes = Splice(dir, { Tone(44100, 2, 1.5), Tone(44100, 1, 1.5, 660), Tone(44100, 2, 0.5) });
    const std::string modesPath = dir.File("modes.mp3");
    WriteFile(modesPath, modes.bytes);
    const SplicedStream rates = Splice(dir, { Tone(44100, 2, 1.0), Tone(48000, 2, 1.5, 660) });
    const std::string ratesPath = dir.File("rates.mp3");
    WriteFile(ratesPath, rates.bytes);

    auto samplesAt44100 = [](const SplicedStream& stream) {
        double total = 0;
        for (size_t i = 0; i < stream.samples.size(); ++i)
            total += static_cast<double>(stream.samples[i]) * 44100.0 / stream.rates[i];
        return total;
    };
    struct Case {
        std::vector<std::string> inputs;
        int channelMode;
        double expected;
    };
    const std::vector<Case> cases {
        { { modesPath, modesPath }, 1, 2 * samplesAt44100(modes) },
        { { modesPath, modesPath }, 3, 2 * samplesAt44100(modes) },
        { { ratesPath, modesPath }, 0, samplesAt44100(rates) + samplesAt44100(modes) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.inputs.size() << " inputs, mode " << c.channelMode);
        JoinJob job = MakeJob(c.inputs);
        RecordingProgress progress;
        const std::string output = dir.File("joined.mp3");
        ASSERT_TRUE(job.JoinByReencoding(output, 44100, 128, c.channelMode, progress)) << job.ErrorText();
        const Pcm joined = DecodeGapless(output);
        EXPECT_EQ(joined.sampleRate, 44100);
        EXPECT_NEAR(static_cast<double>(joined.left.size()), c.expected, 2.0);
        EXPECT_EQ(joined.right.empty(), c.channelMode == 3);

        // The second part of the first input (mono, or at 48 kHz) sounds in both channels at its
        // pitch and level from 1.5 s in.
        const size_t begin = 66150 + 11025, end = 66150 + 40000;
        EXPECT_NEAR(ZeroCrossingFrequency(joined.left, begin, end, 44100), 660.0, 6.0);
        EXPECT_NEAR(RmsLevel(joined.left, begin, end), 0.5 / std::sqrt(2.0), 0.05);
        if (!joined.right.empty()) {
            EXPECT_NEAR(RmsLevel(joined.right, begin, end), 0.5 / std::sqrt(2.0), 0.05);
        }
    }
}

TEST(FormatChangeReencoding, ADecodeThatEndsBeforeTheAudioFailsTheJoinAndLeavesNoOutput)
{
    TempDir dir;
    const std::string good = dir.File("good.mp3");
    WriteFile(good, EncodeTone(Tone(44100, 2, 1.0)));

    // A real stream whose frames from the middle on hold nothing but 0xFF after the header: the
    // decoder takes none of them whole, so the rest of the audio never comes out of it.
    const Mp3Layout layout = ReadMp3Layout(EncodeTone(Tone(44100, 2, 4.0)));
    Bytes stalled;
    for (size_t i = 0; i < layout.frames.size(); ++i) {
        Bytes frame = layout.frames[i];
        if (i >= layout.frames.size() / 2)
            std::fill(frame.begin() + 4, frame.end(), uint8_t { 0xFF });
        Append(stalled, frame);
    }
    // Layer I frames whose bodies are noise: a decoder error at the first frame.
    FrameSpec layerOne;
    layerOne.layer = 1;
    layerOne.bitrateIndex = 12;
    Bytes noise;
    uint32_t seed = 12345;
    for (int i = 0; i < 40; ++i) {
        Bytes frame = Frame(layerOne);
        for (size_t b = 4; b < frame.size(); ++b) {
            seed = seed * 1103515245u + 12345u;
            frame[b] = static_cast<uint8_t>((seed >> 16) & 0x7F);
        }
        Append(noise, frame);
    }

    for (const auto& [name, bytes] : { std::pair { "stalled.mp3", stalled }, std::pair { "noise.mp3", noise } }) {
        SCOPED_TRACE(name);
        const std::string bad = dir.File(name);
        WriteFile(bad, bytes);
        const std::string output = dir.File("out.mp3");
        JoinJob job = MakeJob({ good, bad, good });
        RecordingProgress progress;
        EXPECT_FALSE(job.JoinByReencoding(output, 44100, 128, 1, progress));
        EXPECT_EQ(job.ErrorText(), "Failed to decode file \"" + bad + "\" to the end of its audio.");
        EXPECT_FALSE(std::filesystem::exists(output));
    }
}
