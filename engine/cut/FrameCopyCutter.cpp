#include "engine/cut/FrameCopyCutter.h"

#include "engine/cut/PieceInfoFrame.h"
#include "engine/cut/PrimingFrames.h"
#include "engine/stream/InfoFrame.h"

#include "engine/stream/AudioTally.h"
#include "platform/OutputFile.h"
#include <algorithm>
#include <array>
#include <climits>

bool FrameCopyCutter::WritePieceBySize(
    const std::string& path, int64_t byteBudget, const ID3TagInfo* tag, bool& endReached)
{
    return WritePiece(path, Budget::Bytes, byteBudget, tag, &endReached);
}

bool FrameCopyCutter::WritePieceByDuration(
    const std::string& path, int32_t tenths, const ID3TagInfo* tag, bool& endReached)
{
    return WritePiece(path, Budget::Samples, TenthsToSamples(tenths), tag, &endReached);
}

bool FrameCopyCutter::WriteRest(const std::string& path, const ID3TagInfo* tag)
{
    return WritePiece(path, Budget::Rest, 0, tag, nullptr);
}

bool FrameCopyCutter::WritePiece(
    const std::string& path, Budget kind, int64_t budget, const ID3TagInfo* tag, bool* endReached)
{
    const bool budgeted = kind != Budget::Rest;
    if (endReached)
        *endReached = false;
    ClearFailure();

    // Before the cursor: the lead-in the overlap asks for (a history too short to cover all of it
    // gives none), and before that the priming frames of the first played frame.
    const size_t cursor = source_.Cursor();
    const auto leadIn = history_.ReachBack(leadInSamples_);
    const size_t leadInEntries = leadIn ? static_cast<size_t>(leadIn->entries) : 0;
    const auto atCursor = source_.NextCompleteFrame(cursor);
    size_t firstPlayed = atCursor ? atCursor->position : cursor;
    MainDataFacts firstPlayedData = atCursor ? source_.MainDataOf(*atCursor) : MainDataFacts {};
    if (leadInEntries > 0) {
        firstPlayed = history_.FromNewest(leadInEntries - 1).position;
        firstPlayedData = history_.FromNewest(leadInEntries - 1).mainData;
    }
    // Layer I and II frames stand alone: their pieces are plain frame copies, one after the other,
    // without priming frames (a decoder would play them) or an information frame (a Layer I/II
    // decoder knows none and plays it as a frame of silence).
    const int layerIndex = firstAudioFrame_ ? firstAudioFrame_->header.layerIndex : 2;
    const PrimingFrames priming = layerIndex == 2
        ? ChoosePrimingFrames(history_, leadInEntries, firstPlayedData, layerIndex, source_.SamplesPerFrame())
        : PrimingFrames {};
    const size_t framesBefore = leadInEntries + static_cast<size_t>(priming.count);
    const size_t pieceStart = framesBefore > 0 ? history_.FromNewest(framesBefore - 1).position : cursor;
    const bool startsAtSourceStart = firstAudioFrame_ && firstPlayed == firstAudioFrame_->position;

    OutputFile output;
    if (!output.Create(path)) {
        Fail(Failure::CreateFailed, path);
        return false;
    }
    auto abandon = [&](Failure failure) {
        output.Discard();
        Fail(failure, path);
        return false;
    };
    // A source truncated while it is read ends the walk early or fails a copy: the piece is not kept.
    auto copyFailed = [&] { return abandon(source_.ReadFailed() ? Failure::ReadFailed : Failure::WriteFailed); };

    // The frames are appended as they are read (OutputFile::Append), after the piece's ID3v2 block.
    size_t id3v2Length = 0;
    if (WriteID3v2Block(output, tag, id3v2Length) != OutputFile::CopyResult::Copied)
        return copyFailed();
    // Written now and filled in once the piece's frames are known.
    const auto pieceHeader = HeaderAt(pieceStart);
    PieceInfoFrame info(source_, priming.count, startsAtSourceStart,
        firstAudioFrame_ ? std::span<const uint8_t>(pieceHeader) : std::span<const uint8_t> {});
    if (!output.Write(info.Bytes().data(), info.Bytes().size()))
        return copyFailed();
    if (PumpAndCheckCancel())
        return abandon(Failure::Cancelled);

    AudioTally tally(info.Bytes().size(), info.HasLameTag());
    auto copy = [&](const FoundFrame& frame) {
        const auto bytes = source_.FrameBytes(frame);
        if (bytes.size() != static_cast<size_t>(frame.header.frameLength))
            return false;
        tally.Add(bytes, frame.header.bitrate);
        return output.Append(bytes.data(), bytes.size());
    };

    // Priming and lead-in: the recorded frames from pieceStart up to the cursor.
    for (size_t position = pieceStart; position < cursor;) {
        const auto frame = source_.NextCompleteFrame(position);
        if (!frame || frame->position >= cursor)
            break;
        if (!copy(*frame))
            return copyFailed();
        position = frame->position + static_cast<size_t>(frame->header.frameLength);
    }
    if (PumpAndCheckCancel())
        return abandon(Failure::Cancelled);

    int64_t bytesWritten = 0;
    int64_t samplesLeft = budget;
    auto bodyGoesOn = [&] {
        switch (kind) {
        case Budget::Bytes:
            return bytesWritten < budget;
        case Budget::Samples:
            return samplesLeft > 0;
        case Budget::Rest:
            return source_.Cursor() + 1 < source_.End();
        }
        return false;
    };
    bool cancelled = false;
    // Takes one frame of the body; false once the job was cancelled.
    auto take = [&](const FoundFrame& frame, std::span<const uint8_t> bytes) {
        const auto length = static_cast<size_t>(frame.header.frameLength);
        if (budgeted)
            RecordFrame(frame, bytes);
        source_.SetCursor(frame.position + length);
        bytesWritten += static_cast<int64_t>(length);
        samplesLeft -= SamplesAtSourceRate(frame.header);
        cancelled = PumpAndCheckCancel();
        return !cancelled;
    };
    while (bodyGoesOn()) {
        // Frames in sync are taken a run at a time: read straight into the output's buffer, their
        // bytes are counted in one go while the processor's cache still holds them, and written
        // from there.
        const auto room = output.AppendRoom(Mp3SourceFile::kInSyncRoomBytes);
        if (room.empty())
            return copyFailed();
        // The cursor is moved once per run. Each frame of a run lies wholly inside the audio, so
        // a Rest piece takes all of them.
        const size_t runStart = source_.Cursor();
        const size_t run = source_.FramesInSync(runStart, room, [&](const FoundFrame& frame, std::span<const uint8_t> bytes) {
            if (kind == Budget::Bytes ? bytesWritten >= budget : kind == Budget::Samples && samplesLeft <= 0)
                return false;
            tally.AddFrame(bytes.size(), frame.header.bitrate);
            if (budgeted)
                RecordFrame(frame, bytes);
            bytesWritten += static_cast<int64_t>(bytes.size());
            samplesLeft -= SamplesAtSourceRate(frame.header);
            cancelled = PumpAndCheckCancel();
            return !cancelled;
        });
        if (run > 0 || cancelled) {
            source_.SetCursor(runStart + run);
            tally.AddBytes(room.first(run));
            if (!output.CommitAppend(run))
                return copyFailed();
            if (cancelled)
                return abandon(Failure::Cancelled);
            UpdateProgress();
            continue;
        }
        const auto frame = source_.NextCompleteFrame(source_.Cursor());
        if (!frame) {
            if (endReached)
                *endReached = true;
            source_.SetCursor(source_.End());
            break;
        }
        if (!copy(*frame))
            return copyFailed();
        const bool goesOn = take(*frame, source_.FrameBytes(*frame));
        UpdateProgress();
        if (!goesOn)
            return abandon(Failure::Cancelled);
    }
    // A piece that took the source's last frame ends the run: nothing is left for another piece.
    const bool cursorAtEnd = !source_.NextCompleteFrame(source_.Cursor());
    if (budgeted && cursorAtEnd) {
        if (endReached)
            *endReached = true;
        source_.SetCursor(source_.End());
    }

    // Lead-out: frames after the piece, read without moving the cursor or recording them.
    bool endsAtSourceEnd = cursorAtEnd;
    if (budgeted && leadOutSamples_ > 0 && !cursorAtEnd) {
        int64_t leadOutLeft = leadOutSamples_;
        size_t position = source_.Cursor();
        while (leadOutLeft > 0) {
            const auto frame = source_.NextCompleteFrame(position);
            if (!frame) {
                endsAtSourceEnd = true;
                break;
            }
            if (!copy(*frame))
                return copyFailed();
            leadOutLeft -= frame->header.samplesPerFrame;
            position = frame->position + static_cast<size_t>(frame->header.frameLength);
        }
        endsAtSourceEnd = endsAtSourceEnd || !source_.NextCompleteFrame(position);
    }

    if (source_.ReadFailed())
        return abandon(Failure::ReadFailed);
    ID3v1Block block {};
    if (tag) {
        BuildID3v1FromInfo(block.data(), *tag);
        if (!output.Write(block.data(), block.size()))
            return copyFailed();
    }
    if (!output.Flush())
        return copyFailed();
    if (!budgeted && PumpAndCheckCancel())
        return abandon(Failure::Cancelled);

    if (!info.Bytes().empty()) {
        info.Finish(tally, endsAtSourceEnd);
        if (!output.WriteAt(id3v2Length, info.Bytes().data(), info.Bytes().size()))
            return abandon(Failure::WriteFailed);
    }
    if (!output.Close())
        return abandon(Failure::WriteFailed);
    lastPrimingEnough_ = priming.enough;
    return true;
}

std::array<uint8_t, 4> FrameCopyCutter::HeaderAt(size_t position)
{
    std::array<uint8_t, 4> header = firstAudioHeader_;
    if (const auto frame = source_.NextCompleteFrame(position)) {
        const auto bytes = source_.FrameBytes(*frame);
        if (bytes.size() >= header.size())
            std::copy_n(bytes.begin(), header.size(), header.begin());
    }
    return header;
}

int64_t FrameCopyCutter::MillisecondsToSample(int64_t ms) const
{
    const int64_t rate = source_.SampleRate();
    return (ms * rate + 500) / 1000;
}

void FrameCopyCutter::LearnSourceTrim()
{
    if (trimKnown_)
        return;
    trimKnown_ = true;
    cursorFrame_ = 0;
    if (!source_.HasInfoFrame())
        return;
    if (const auto layout = ParseInfoFrame(source_.InfoFrame()); layout && layout->lameTag) {
        sourceTagged_ = true;
        sourceSkip_ = layout->lameTag->encoderDelay + LameTag::kDecoderDelay;
        sourceEndTrim_ = std::max(0, layout->lameTag->encoderPadding - LameTag::kDecoderDelay);
    }
}

bool FrameCopyCutter::WalkToFrame(int64_t frame)
{
    while (cursorFrame_ < frame) {
        const auto found = source_.NextCompleteFrame(source_.Cursor());
        if (!found)
            return false;
        RecordFrame(*found);
        source_.SetCursor(found->position + static_cast<size_t>(found->header.frameLength));
        ++cursorFrame_;
    }
    return true;
}

bool FrameCopyCutter::WriteExactPiece(const std::string& path, int64_t startSample, std::optional<int64_t> endSample,
    const ID3TagInfo* tag, bool& endReached)
{
    endReached = false;
    lastPieceWritten_ = false;
    ClearFailure();
    LearnSourceTrim();
    const int spf = source_.SamplesPerFrame();
    const bool layer3 = !firstAudioFrame_ || firstAudioFrame_->header.layerIndex == 2;
    // Layers I and II play every sample of their frames: the timeline is the frames'.
    const int64_t skip = layer3 ? sourceSkip_ : 0;
    // The overlaps widen the span: the piece starts before its start and ends after its end.
    int64_t rawStart = std::max<int64_t>(0, startSample - std::max<int64_t>(0, leadInSamples_)) + skip;
    const auto spanEnd = endSample;
    if (endSample)
        endSample = *endSample + std::max<int64_t>(0, leadOutSamples_);
    int64_t firstFrame = rawStart / spf;
    // A piece that starts before the end of the one before steps back over the frames recorded on
    // the way (the history keeps the overlaps' samples); where it cannot reach, it starts later.
    while (cursorFrame_ > firstFrame && !history_.Empty()) {
        source_.SetCursor(history_.PopNewest().position);
        --cursorFrame_;
    }
    if (cursorFrame_ > firstFrame) {
        firstFrame = cursorFrame_;
        rawStart = firstFrame * spf;
    }
    const int64_t offset = layer3 ? rawStart - firstFrame * spf : 0;
    if (!WalkToFrame(firstFrame)) {
        if (source_.ReadFailed()) {
            Fail(Failure::ReadFailed, path);
            return false;
        }
        endReached = true;
        return true; // nothing of the source is left for this piece
    }
    const size_t cursor = source_.Cursor();
    const auto atCursor = source_.NextCompleteFrame(cursor);
    if (!atCursor) {
        endReached = true;
        return !source_.ReadFailed() || (Fail(Failure::ReadFailed, path), false);
    }

    // The tag's delay drops the priming and the samples of the first frame before the start.
    const int maxPriming
        = layer3 ? std::max<int>(0, static_cast<int>((4095 + LameTag::kDecoderDelay - offset) / spf)) : 0;
    const PrimingFrames priming = layer3
        ? ChoosePrimingFrames(history_, 0, source_.MainDataOf(*atCursor), 2, spf, maxPriming)
        : PrimingFrames {};
    const bool silentLead = layer3 && firstFrame == 0 && !sourceTagged_;
    const int64_t dropped = (static_cast<int64_t>(priming.count) + (silentLead ? 1 : 0)) * spf + offset;
    const size_t pieceStart
        = priming.count > 0 ? history_.FromNewest(static_cast<size_t>(priming.count) - 1).position : cursor;

    OutputFile output;
    if (!output.Create(path)) {
        Fail(Failure::CreateFailed, path);
        return false;
    }
    auto abandon = [&](Failure failure) {
        output.Discard();
        Fail(failure, path);
        return false;
    };
    auto copyFailed = [&] { return abandon(source_.ReadFailed() ? Failure::ReadFailed : Failure::WriteFailed); };
    size_t id3v2Length = 0;
    if (WriteID3v2Block(output, tag, id3v2Length) != OutputFile::CopyResult::Copied)
        return copyFailed();
    const int tagFrames = layer3 ? priming.count + (silentLead ? 1 : 0) : 0;
    const auto pieceHeader = HeaderAt(pieceStart);
    PieceInfoFrame info(source_, tagFrames, firstFrame == 0,
        firstAudioFrame_ ? std::span<const uint8_t>(pieceHeader) : std::span<const uint8_t> {});
    const bool trims = layer3 && info.HasLameTag();
    const std::vector<uint8_t> infoBytes = trims || source_.HasInfoFrame() ? info.Bytes() : std::vector<uint8_t> {};
    if (!output.Write(infoBytes.data(), infoBytes.size()))
        return copyFailed();

    AudioTally tally(infoBytes.size(), info.HasLameTag());
    int64_t framesWritten = 0;
    auto append = [&](std::span<const uint8_t> bytes, int bitrate) {
        tally.Add(bytes, bitrate);
        ++framesWritten;
        return output.Append(bytes.data(), bytes.size());
    };
    auto copy = [&](const FoundFrame& frame) {
        const auto bytes = source_.FrameBytes(frame);
        return bytes.size() == static_cast<size_t>(frame.header.frameLength) && append(bytes, frame.header.bitrate);
    };
    if (silentLead && trims) {
        // The first audio frame's header without CRC or padding, and side information of zeros:
        // no values, no borrowed main data. It decodes to silence and leaves the decoder as it
        // starts, so the source's first frame decodes as in the source.
        std::array<uint8_t, 4> header = firstAudioHeader_;
        header[1] |= 0x01;
        header[2] &= static_cast<uint8_t>(~0x02);
        if (const auto decoded = DecodeFrameHeader(header.data())) {
            std::vector<uint8_t> silent(static_cast<size_t>(decoded->frameLength), 0);
            std::copy(header.begin(), header.end(), silent.begin());
            if (!append(silent, decoded->bitrate))
                return copyFailed();
        }
    }
    for (size_t position = pieceStart; position < cursor;) {
        const auto frame = source_.NextCompleteFrame(position);
        if (!frame || frame->position >= cursor)
            break;
        if (!copy(*frame))
            return copyFailed();
        position = frame->position + static_cast<size_t>(frame->header.frameLength);
    }
    if (PumpAndCheckCancel())
        return abandon(Failure::Cancelled);

    // The body: the frames up to the one holding the last sample.
    const int64_t lastFrame = endSample ? (*endSample + skip - 1) / spf : INT64_MAX;
    int64_t bodyFrames = 0;
    bool sharedLast = false;
    while (cursorFrame_ <= lastFrame) {
        const auto frame = source_.NextCompleteFrame(source_.Cursor());
        if (!frame)
            break;
        if (!copy(*frame))
            return copyFailed();
        RecordFrame(*frame);
        source_.SetCursor(frame->position + static_cast<size_t>(frame->header.frameLength));
        ++cursorFrame_;
        ++bodyFrames;
        UpdateProgress();
        if (PumpAndCheckCancel())
            return abandon(Failure::Cancelled);
    }
    const bool atEnd = !source_.NextCompleteFrame(source_.Cursor());
    if (source_.ReadFailed())
        return abandon(Failure::ReadFailed);
    // The source's own end: its padding is not played.
    const int64_t playedEnd = cursorFrame_ * spf - (atEnd ? (layer3 ? sourceEndTrim_ : 0) : 0);
    int64_t rawEnd = endSample ? std::min(*endSample + skip, playedEnd) : playedEnd;
    rawEnd = std::max(rawEnd, rawStart);
    // A lead-out that reaches the source's end leaves the next piece to be written.
    if (atEnd)
        endReached = !spanEnd || *spanEnd + skip >= playedEnd;
    else if (endSample && rawEnd % spf != 0)
        sharedLast = true;

    ID3v1Block block {};
    if (tag) {
        BuildID3v1FromInfo(block.data(), *tag);
        if (!output.Write(block.data(), block.size()))
            return copyFailed();
    }
    if (!output.Flush())
        return copyFailed();
    if (!infoBytes.empty()) {
        if (trims) {
            const int64_t played = rawEnd - rawStart;
            const int64_t delay = dropped - LameTag::kDecoderDelay;
            const int64_t padding = framesWritten * spf - dropped - played + LameTag::kDecoderDelay;
            info.FinishExact(tally, static_cast<int>(delay), static_cast<int>(padding));
        } else {
            info.Finish(tally, atEnd);
        }
        if (!output.WriteAt(id3v2Length, info.Bytes().data(), info.Bytes().size()))
            return abandon(Failure::WriteFailed);
    }
    if (!output.Close())
        return abandon(Failure::WriteFailed);
    // The next piece starts inside this piece's last frame: it plays that frame again.
    if (sharedLast && bodyFrames > 0 && !history_.Empty()) {
        source_.SetCursor(history_.PopNewest().position);
        --cursorFrame_;
    }
    lastPrimingEnough_ = priming.enough;
    lastPieceWritten_ = true;
    return true;
}
