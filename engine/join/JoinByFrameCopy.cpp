// The frame-copy join: an ID3v2.4 tag from the join's tag record, every input's audio frames byte
// for byte, then one ID3v1 block.
//
// The inputs' own information frames are dropped. The result gets one new information frame
// when it needs one: when its bitrate may vary (an input announces "Xing", or the inputs' first
// frames differ in bitrate), so players find its length and seek table, or when the first input
// has a LAME tag, so its delay (and the last input's padding) still reach gapless decoders; only
// then does it carry a LAME tag. The frame is "Xing" when the frames written differ in bitrate, "Info" otherwise.
// Inputs that start with frames equal to the frames that ended the input before them, where the
// previous padding and this delay trim exactly those frames (the pieces of one cut: priming
// frames, and the frame a cut inside a frame leaves to both pieces), lose them, so the pieces of
// one cut join back into the source's frames and decode to the pieces' samples end to end.
#include "engine/join/JoinInputFacts.h"
#include "engine/join/JoinInputProgress.h"
#include "engine/join/JoinJob.h"
#include "engine/join/JoinStreamFacts.h"
#include "engine/join/PrimingTail.h"
#include "engine/stream/AudioTally.h"
#include "engine/stream/ID3v2Fields.h"
#include "engine/stream/InfoFrameWriter.h"
#include "engine/stream/Mp3SourceFile.h"
#include "platform/OutputFile.h"

#include <algorithm>
#include <deque>

namespace {

bool NeedsInfoFrame(const std::vector<JoinInputFacts>& inputs)
{
    if (inputs.front().lameTag)
        return true;
    return std::any_of(inputs.begin(), inputs.end(),
        [&](const JoinInputFacts& input) { return input.isXing || input.firstBitrate != inputs.front().firstBitrate; });
}

// Spans over frames copied out of the read window, which moves on as the input is read.
std::vector<std::span<const uint8_t>> SpansOf(const std::vector<std::vector<uint8_t>>& frames)
{
    return { frames.begin(), frames.end() };
}

} // namespace

bool JoinJob::ReencodeInstead(const std::string& outputPath, int changedRate, JobProgress& progress)
{
    std::vector<JoinStreamFacts> entries(inputs_.size());
    for (size_t i = 0; i < inputs_.size(); ++i) {
        if (!ProbeJoinInput(inputs_[i], entries[i])) {
            Fail("Failed to open file \"%s\".", inputs_[i]);
            return false;
        }
    }
    JoinEncoding encoding = PickAutoEncoding(entries);
    encoding.sampleRate = std::max(encoding.sampleRate, changedRate);
    const bool joined = JoinByReencoding(outputPath, encoding.sampleRate, encoding.bitrate, encoding.channelMode, progress);
    reencodedInstead_ = encoding;
    return joined;
}

bool JoinJob::JoinByFrameCopy(const std::string& outputPath, JobProgress& progress)
{
    errorText_.clear();
    droppedPrimingFrames_ = 0;
    reencodedInstead_.reset();
    if (OutputIsAnInput(outputPath)) {
        Fail("Failed to create file \"%s\".", outputPath);
        return false;
    }
    // Every input is looked at before the output is created: an input that cannot be opened fails
    // the join without touching the output path.
    std::vector<JoinInputFacts> facts(inputs_.size());
    for (size_t i = 0; i < inputs_.size(); ++i) {
        // Frames of another format cannot be copied into this stream: an input replaced since the
        // method was chosen fails the join.
        if (!ScanJoinInput(inputs_[i], facts[i]) || !SameFrameFormat(facts[i], facts.front())) {
            Fail("Failed to open file \"%s\".", inputs_[i]);
            return false;
        }
        progress.Pump();
        if (progress.IsCancelled())
            return false;
    }
    if (facts.empty())
        return false;

    std::vector<uint8_t> infoFrame;
    if (NeedsInfoFrame(facts)) {
        const auto& firstTag = facts.front().lameTag;
        // Without a LAME tag on the first input the result gets none either: a tag's delay, even
        // 0, makes gapless decoders drop 529 samples that the first input's own decode plays.
        infoFrame = NewInfoFrame(facts.front().firstHeader,
            firstTag ? std::optional<std::array<uint8_t, 9>>(firstTag->encoder) : std::nullopt);
    }

    OutputFile output;
    if (!output.Create(outputPath)) {
        Fail("Failed to create file \"%s\".", outputPath);
        return false;
    }
    auto writeFailed = [&] {
        output.Discard();
        Fail("Failed to write file \"%s\".", outputPath);
        return false;
    };
    // The joined file's own ID3v2 tag, then the information frame.
    const std::vector<uint8_t> id3v2 = tag_ ? BuildID3v2Tag(*tag_) : std::vector<uint8_t> {};
    if (!output.Write(id3v2.data(), id3v2.size()) || !output.Write(infoFrame.data(), infoFrame.size()))
        return writeFailed();

    PrepareJoinBars(progress, InputCount());
    ProgressBar* lower = progress.Bar(JobProgress::Lower);
    AudioTally tally(infoFrame.size(), !infoFrame.empty());
    PrimingTail previousTail;
    // The stream's format, which every frame copied must keep (the rate gives the version).
    const int streamLayer = facts.front().layerIndex;
    const int streamRate = facts.front().sampleRate;
    int changedRate = 0; // set when a frame of another format was met

    for (int index = 0; index < InputCount(); ++index) {
        const std::string& inputPath = inputs_[static_cast<size_t>(index)];
        const JoinInputFacts& input = facts[static_cast<size_t>(index)];
        progress.SetLabel(JobProgress::Lower, JoiningLabel(index + 1, InputCount(), outputPath));
        if (lower)
            lower->StepIt();

        // Opening skips the leading ID3v2 block and a VBR information frame and stands on the
        // first audio frame.
        // The input is checked again now that its turn has come: it may have been replaced since
        // the scan.
        Mp3SourceFile source;
        JoinInputFacts now;
        if (!source.Open(inputPath) || !ScanJoinInput(source, now) || !SameFrameFormat(now, facts.front())) {
            output.Discard();
            Fail("Failed to open file \"%s\".", inputPath);
            return false;
        }
        auto readFailed = [&] {
            output.Discard();
            Fail("Failed to read file \"%s\".", inputPath);
            return false;
        };
        JoinInputProgress inputProgress(progress, inputPath, source.Size());
        progress.Pump();
        if (progress.IsCancelled()) {
            output.Discard();
            return false;
        }

        // Frames that repeat the end of the input before, where the two tags trim exactly those
        // frames' samples between them: passed over. An input without a LAME tag trims nothing at
        // its end, as a padding of 529 says.
        if (index > 0 && input.lameTag) {
            const auto& previousTag = facts[static_cast<size_t>(index - 1)].lameTag;
            const int previousPadding = previousTag ? previousTag->encoderPadding : LameTag::kDecoderDelay;
            if (const auto shared
                = PrimingTail::SharedFramesOf(previousPadding, input.lameTag->encoderDelay, input.samplesPerFrame)) {
                std::vector<std::vector<uint8_t>> first;
                size_t position = source.Cursor();
                for (auto frame = source.NextCompleteFrame(position); frame && first.size() < *shared;
                     frame = source.NextCompleteFrame(position)) {
                    const auto bytes = source.FrameBytes(*frame);
                    first.emplace_back(bytes.begin(), bytes.end());
                    position = frame->position + static_cast<size_t>(frame->header.frameLength);
                }
                if (source.ReadFailed())
                    return readFailed();
                if (first.size() == *shared && previousTail.EndsWith(SpansOf(first))) {
                    source.SetCursor(position);
                    droppedPrimingFrames_ += static_cast<int64_t>(first.size());
                }
            }
        }

        // The walk ends at the first place where no whole frame follows, so a trailing ID3v1
        // tag or a frame cut short by the end of the file is left out; stray bytes between
        // frames are passed over by the search.
        std::deque<FoundFrame> lastFrames;
        // Takes one frame that has been counted; false once the job was cancelled.
        auto take = [&](const FoundFrame& frame) {
            source.SetCursor(frame.position + static_cast<size_t>(frame.header.frameLength));
            lastFrames.push_back(frame);
            if (lastFrames.size() > PrimingTail::kMaxFrames)
                lastFrames.pop_front();
            progress.Pump();
            return !progress.IsCancelled();
        };
        for (;;) {
            // Frames in sync are taken a run at a time: read straight into the output's buffer,
            // their bytes are counted in one go while the processor's cache still holds them, and
            // the output's own thread writes them from there.
            bool cancelled = false;
            const auto room = output.AppendRoom(Mp3SourceFile::kInSyncRoomBytes);
            if (room.empty())
                return writeFailed();
            const size_t run = source.FramesInSync(source.Cursor(), room, [&](const FoundFrame& frame, std::span<const uint8_t> bytes) {
                if (frame.header.sampleRate != streamRate || frame.header.layerIndex != streamLayer) {
                    changedRate = frame.header.sampleRate;
                    return false;
                }
                tally.AddFrame(bytes.size(), frame.header.bitrate);
                cancelled = !take(frame);
                return !cancelled;
            });
            if (run > 0) {
                tally.AddBytes(room.first(run));
                if (!output.CommitAppend(run))
                    return writeFailed();
            } else if (source.ReadFailed()) {
                return readFailed();
            } else if (changedRate == 0) {
                const auto frame = source.NextCompleteFrame(source.Cursor());
                if (!frame)
                    break;
                const auto length = static_cast<size_t>(frame->header.frameLength);
                if (frame->header.sampleRate != streamRate || frame->header.layerIndex != streamLayer) {
                    changedRate = frame->header.sampleRate;
                } else {
                    const auto bytes = source.FrameBytes(*frame);
                    if (bytes.size() != length)
                        return readFailed();
                    tally.Add(bytes, frame->header.bitrate);
                    if (!output.Append(bytes.data(), length))
                        return writeFailed();
                    cancelled = !take(*frame);
                }
            }
            inputProgress.Advance(source.Cursor());
            if (cancelled) {
                output.Discard();
                return false;
            }
            if (changedRate != 0) {
                // Frames of two rates (or layers) would play under one header at one rate.
                output.Discard();
                source.Close();
                return ReencodeInstead(outputPath, changedRate, progress);
            }
        }
        if (source.ReadFailed())
            return readFailed();
        if (!output.Flush())
            return source.ReadFailed() ? readFailed() : writeFailed();
        std::vector<std::vector<uint8_t>> tail;
        for (const FoundFrame& frame : lastFrames) {
            const auto bytes = source.FrameBytes(frame);
            tail.emplace_back(bytes.begin(), bytes.end());
        }
        if (source.ReadFailed())
            return readFailed();
        previousTail.Keep(SpansOf(tail));
    }

    if (tag_) {
        ID3v1Block block;
        BuildID3v1FromInfo(block.data(), *tag_);
        if (!output.Write(block.data(), block.size()))
            return writeFailed();
    }
    if (!infoFrame.empty()) {
        InfoFrameValues values = tally.InfoValues();
        values.variableBitrate = tally.BitrateVaries();
        const auto& firstTag = facts.front().lameTag;
        const auto& lastTag = facts.back().lameTag;
        values.encoderDelay = firstTag ? firstTag->encoderDelay : 0;
        values.encoderPadding = lastTag ? lastTag->encoderPadding : LameTag::kDecoderDelay;
        FillInfoFrame(infoFrame, values);
        if (!output.WriteAt(id3v2.size(), infoFrame.data(), infoFrame.size()))
            return writeFailed();
    }
    if (!output.Close())
        return writeFailed();
    return true;
}
