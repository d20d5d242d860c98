#include "engine/cut/FrameCopyCutter.h"

#include "engine/cut/PieceInfoFrame.h"
#include "engine/cut/PrimingFrames.h"
#include "engine/stream/AudioTally.h"
#include "platform/OutputFile.h"

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
    const int layerIndex = firstAudioFrame_ ? firstAudioFrame_->header.layerIndex : 2;
    const PrimingFrames priming
        = ChoosePrimingFrames(history_, leadInEntries, firstPlayedData, layerIndex, source_.SamplesPerFrame());
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

    // The frames are appended as they are read (OutputFile::Append); the ID3v2 block, which may be
    // large and is not read here, is copied by the kernel.
    if (output.CopyFrom(source_.File(), 0, source_.ID3v2Length()) != OutputFile::CopyResult::Copied)
        return copyFailed();
    // Written now and filled in once the piece's frames are known.
    PieceInfoFrame info(source_, priming.count, startsAtSourceStart,
        firstAudioFrame_ ? std::span<const uint8_t>(firstAudioHeader_) : std::span<const uint8_t> {});
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
    while (bodyGoesOn()) {
        const auto frame = source_.NextCompleteFrame(source_.Cursor());
        if (!frame) {
            if (endReached)
                *endReached = true;
            source_.SetCursor(source_.End());
            break;
        }
        if (!copy(*frame))
            return copyFailed();
        if (budgeted)
            RecordFrame(*frame);
        const auto length = static_cast<size_t>(frame->header.frameLength);
        source_.SetCursor(frame->position + length);
        bytesWritten += static_cast<int64_t>(length);
        samplesLeft -= frame->header.samplesPerFrame;
        UpdateProgress();
        if (PumpAndCheckCancel())
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
        if (!output.WriteAt(source_.ID3v2Length(), info.Bytes().data(), info.Bytes().size()))
            return abandon(Failure::WriteFailed);
    }
    if (!output.Close())
        return abandon(Failure::WriteFailed);
    lastPrimingEnough_ = priming.enough;
    return true;
}
