// The re-encoding join: every input decoded to 16-bit PCM, converted to the target sample rate and
// channel count, and encoded as one continuous constant-bitrate stream behind an ID3v2.4 tag, then
// one ID3v1 block. LAME's information frame tells gapless decoders the encoder's delay and padding.
#include "engine/join/JoinInputProgress.h"
#include "engine/join/JoinJob.h"
#include "engine/join/Mp3FileEncoder.h"
#include "engine/join/Mp3StreamDecoder.h"
#include "engine/join/PcmToOutputFormat.h"
#include "engine/stream/ID3v2Fields.h"
#include "engine/stream/InfoFrame.h"

#include <algorithm>
#include <cstdint>
#include <vector>

bool JoinJob::JoinByReencoding(
    const std::string& outputPath, int sampleRate, int bitrate, int channelMode, JobProgress& progress)
{
    errorText_.clear();
    encodedBitrate_ = 0;
    const int channels = channelMode == 3 ? 1 : 2;
    if (OutputIsAnInput(outputPath)) {
        Fail("Failed to create file \"%s\".", outputPath);
        return false;
    }
    Mp3FileEncoder encoder;
    if (!encoder.Create(outputPath)) {
        // An output created without an encoder would be left empty: remove it.
        encoder.Discard();
        Fail("Failed to create file \"%s\".", outputPath);
        return false;
    }

    if (ProgressBar* lower = progress.Bar(JobProgress::Lower)) {
        lower->SetRange(0, InputCount());
        lower->SetStep(1);
        lower->SetPosition(0);
    }
    progress.Pump();

    if (tag_) {
        ID3v1Block block;
        BuildID3v1FromInfo(block.data(), *tag_);
        encoder.SetTagBlock(block);
        encoder.SetLeadingBlock(BuildID3v2Tag(*tag_));
    }
    encoder.SetChannels(channels);
    encoder.SetInputRate(sampleRate);
    encoder.SetBitrate(bitrate);
    encoder.SetOutputRate(sampleRate);
    encoder.SetMode(channelMode);
    if (!encoder.Start()) {
        encoder.Discard(); // the encoder refused its settings; there is no message for that
        return false;
    }
    encodedBitrate_ = encoder.Bitrate();
    if (ProgressBar* upper = progress.Bar(JobProgress::Upper))
        upper->SetRange(0, UpperBarWidth(progress));

    auto fail = [&](const char* format, const std::string& path) {
        encoder.Discard();
        if (format)
            Fail(format, path);
        return false;
    };

    std::vector<int16_t> decodedLeft(Mp3StreamDecoder::kMaxSamplesPerFrame);
    std::vector<int16_t> decodedRight(Mp3StreamDecoder::kMaxSamplesPerFrame);
    PcmToOutputFormat converter;
    Mp3StreamDecoder decoder;

    for (int index = 0; index < InputCount(); ++index) {
        const std::string& inputPath = inputs_[static_cast<size_t>(index)];
        progress.SetLabel(JobProgress::Lower, JoiningLabel(index + 1, InputCount(), outputPath));
        if (ProgressBar* lower = progress.Bar(JobProgress::Lower))
            lower->StepIt();

        if (!decoder.Open(inputPath))
            return fail("Failed to open file \"%s\".", inputPath);
        // Without a size the percentage is shown as complete after the first frame.
        const uint64_t total = decoder.TotalSamples();
        JoinInputProgress inputProgress(progress, inputPath, total == Mp3StreamDecoder::kUnknownTotal ? 0 : total);
        progress.Pump();
        if (progress.IsCancelled())
            return fail(nullptr, {});

        // The converter follows the decoded frames: a stream may change its channel count or
        // sample rate from frame to frame, and every frame is brought to the output's.
        converter.SetOutputFormat(channels, sampleRate);
        std::fill(decodedRight.begin(), decodedRight.end(), int16_t { 0 });

        // A LAME tag's delay and padding say which decoded samples are the input's own: the
        // priming before them and the padding after them are not encoded again, so the pieces of
        // one cut join without repeating the frames each piece starts with.
        uint64_t keepBegin = 0;
        uint64_t keepEnd = UINT64_MAX;
        if (decoder.Source().HasInfoFrame()) {
            const auto layout = ParseInfoFrame(decoder.Source().InfoFrame());
            if (layout && layout->lameTag) {
                keepBegin = static_cast<uint64_t>(layout->lameTag->encoderDelay + LameTag::kDecoderDelay);
                if (layout->frameCount) {
                    const int64_t end = static_cast<int64_t>(*layout->frameCount) * decoder.SamplesPerFrame()
                        - layout->lameTag->encoderPadding + LameTag::kDecoderDelay;
                    keepEnd = std::max<uint64_t>(keepBegin, static_cast<uint64_t>(std::max<int64_t>(end, 0)));
                }
            }
        }

        uint64_t done = 0;
        for (;;) {
            int samples = 0;
            bool endOfStream = false;
            // A decode that ends before the input's audio does would drop the rest of it: the
            // join fails rather than write a shorter file.
            if (!decoder.ReadPcm(decodedLeft.data(), decodedRight.data(), samples, endOfStream))
                return fail(decoder.SourceReadFailed() ? "Failed to read file \"%s\"."
                                                       : "Failed to decode file \"%s\" to the end of its audio.",
                    inputPath);
            if (endOfStream || samples <= 0)
                break;
            samples = std::min(samples, Mp3StreamDecoder::kMaxSamplesPerFrame);
            const uint64_t frameBegin = done;
            done += static_cast<uint64_t>(samples);
            inputProgress.Advance(done);
            progress.Pump();
            if (progress.IsCancelled())
                return fail(nullptr, {});

            const uint64_t from = std::max(frameBegin, keepBegin);
            const uint64_t to = std::min(done, keepEnd);
            if (from >= to)
                continue;
            const int count = converter.Convert(decodedLeft.data() + (from - frameBegin),
                decodedRight.data() + (from - frameBegin), static_cast<int>(to - from), decoder.FrameChannels(),
                decoder.FrameSampleRate());
            if (!encoder.Encode(converter.Left(), converter.Right(), count))
                return fail("Failed to write file \"%s\".", outputPath);
        }
        if (const int held = converter.Finish();
            held > 0 && !encoder.Encode(converter.Left(), converter.Right(), held))
            return fail("Failed to write file \"%s\".", outputPath);
        decoder.Close();
    }

    if (!encoder.Finish()) {
        Fail("Failed to write file \"%s\".", outputPath);
        return false;
    }
    return true;
}
