#include "engine/cut/FrameCopyCutter.h"

#include "engine/cut/RewriteInfoFrame.h"
#include "engine/cut/SpanWriter.h"
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

    OutputFile output;
    if (!output.Create(path)) {
        Fail(Failure::CreateFailed, path);
        return false;
    }
    SpanWriter writer(output);
    auto abandon = [&](Failure failure) {
        output.Discard();
        Fail(failure, path);
        return false;
    };

    const uint8_t* data = source_.Data();
    if (source_.HasID3v2() && !writer.Add(data, source_.ID3v2Length()))
        return abandon(Failure::WriteFailed);
    // The saved copy is rewritten in place once the piece's counts are known.
    if (source_.HasInfoFrame() && !writer.Add(source_.InfoFrame().data(), source_.InfoFrameLength()))
        return abandon(Failure::WriteFailed);
    if (PumpAndCheckCancel())
        return abandon(Failure::Cancelled);

    uint32_t framesWritten = 0;
    // Lead-in: the frames just before the cursor, up to the overlap, in one range. A history too
    // short to cover the whole overlap gives no lead-in at all.
    if (const auto reach = history_.ReachBack(leadInSamples_)) {
        if (!writer.Add(data + reach->position, source_.Cursor() - reach->position))
            return abandon(Failure::WriteFailed);
        framesWritten += static_cast<uint32_t>(reach->entries);
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
        const auto length = static_cast<size_t>(frame->header.frameLength);
        if (!writer.Add(data + frame->position, length))
            return abandon(Failure::WriteFailed);
        if (budgeted)
            history_.Append(frame->position, frame->header.samplesPerFrame);
        source_.SetCursor(frame->position + length);
        bytesWritten += static_cast<int64_t>(length);
        samplesLeft -= frame->header.samplesPerFrame;
        ++framesWritten;
        UpdateProgress();
        if (PumpAndCheckCancel())
            return abandon(Failure::Cancelled);
    }

    // Lead-out: frames after the piece, read without moving the cursor or recording them.
    if (budgeted && leadOutSamples_ > 0) {
        int64_t leadOutLeft = leadOutSamples_;
        size_t position = source_.Cursor();
        while (leadOutLeft > 0) {
            const auto frame = source_.NextCompleteFrame(position);
            if (!frame)
                break;
            const auto length = static_cast<size_t>(frame->header.frameLength);
            if (!writer.Add(data + frame->position, length))
                return abandon(Failure::WriteFailed);
            ++framesWritten;
            leadOutLeft -= frame->header.samplesPerFrame;
            position = frame->position + length;
        }
    }

    ID3v1Block block {};
    if (tag) {
        BuildID3v1FromInfo(block.data(), *tag);
        if (!writer.Add(block.data(), block.size()))
            return abandon(Failure::WriteFailed);
    }
    if (!writer.Flush())
        return abandon(Failure::WriteFailed);
    if (!budgeted && PumpAndCheckCancel())
        return abandon(Failure::Cancelled);

    if (source_.HasInfoFrame()) {
        // The byte count is that of the piece's MPEG audio stream: the information frame and the
        // frames after it, without the ID3v2 and ID3v1 blocks.
        std::vector<uint8_t> infoFrame = source_.InfoFrame();
        const uint64_t audioBytes = output.BytesWritten() - source_.ID3v2Length() - (tag ? block.size() : 0);
        if (RewriteInfoFrame(infoFrame, framesWritten, static_cast<uint32_t>(audioBytes))
            && !output.WriteAt(source_.ID3v2Length(), infoFrame.data(), infoFrame.size()))
            return abandon(Failure::WriteFailed);
    }
    if (!output.Close())
        return abandon(Failure::WriteFailed);

    if (budgeted)
        RewindAfterPiece();
    return true;
}
