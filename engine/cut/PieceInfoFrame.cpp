#include "engine/cut/PieceInfoFrame.h"

#include "engine/stream/InfoFrameWriter.h"

#include <algorithm>

PieceInfoFrame::PieceInfoFrame(
    const Mp3SourceFile& source, int primingFrames, bool startsAtSourceStart, std::span<const uint8_t> pieceHeader)
    : primingFrames_(primingFrames)
    , samplesPerFrame_(source.SamplesPerFrame())
    , startsAtSourceStart_(startsAtSourceStart)
{
    // Only Layer III decoders read an information frame; pieces of other layers get none.
    const auto first = pieceHeader.size() >= 4 ? DecodeFrameHeader(pieceHeader.data()) : std::nullopt;
    if (first && first->layerIndex != 2)
        return;
    if (first)
        samplesPerFrame_ = first->samplesPerFrame;
    // The source's frame is laid out for its first frames' format: a piece that starts after a
    // change of rate or channels gets a new frame in its own.
    const auto& sourceFrame = source.InfoFrame();
    const auto sourceHeader
        = source.HasInfoFrame() && sourceFrame.size() >= 4 ? DecodeFrameHeader(sourceFrame.data()) : std::nullopt;
    const bool sameFormat = !first
        || (sourceHeader && sourceHeader->version == first->version && sourceHeader->sampleRate == first->sampleRate
            && (sourceHeader->channelMode == 3) == (first->channelMode == 3));
    if (source.HasInfoFrame() && source.InfoFrameKind() != "VBRI" && sameFormat) {
        frame_ = source.InfoFrame();
        if (const auto layout = ParseInfoFrame(frame_); layout && layout->lameTag) {
            sourceTagged_ = true;
            sourceDelay_ = layout->lameTag->encoderDelay;
            sourcePadding_ = layout->lameTag->encoderPadding;
        }
        // A source frame without a LAME tag gets one where it has room, so its priming is dropped.
        hasLameTag_ = sourceTagged_ || (primingFrames > 0 && AddLameTag(frame_, DefaultTagEncoder()));
        if (hasLameTag_ || primingFrames == 0)
            return;
        // No room for a tag in the source's frame (its bytes after the fields are in use): a new
        // frame announces the priming instead, so a decoder never plays those frames.
        frame_.clear();
    }
    if (primingFrames > 0) {
        frame_ = NewInfoFrame(pieceHeader, DefaultTagEncoder());
        isNew_ = !frame_.empty();
        hasLameTag_ = isNew_;
    }
}

void PieceInfoFrame::Finish(const AudioTally& tally, bool endsAtSourceEnd)
{
    if (frame_.empty())
        return;
    InfoFrameValues values = tally.InfoValues();
    if (isNew_)
        values.variableBitrate = tally.BitrateVaries();
    if (primingFrames_ > 0)
        values.encoderDelay = std::max(0, primingFrames_ * samplesPerFrame_ - LameTag::kDecoderDelay);
    else
        values.encoderDelay = startsAtSourceStart_ ? sourceDelay_ : 0;
    values.encoderPadding = endsAtSourceEnd && sourceTagged_ ? sourcePadding_ : LameTag::kDecoderDelay;
    FillInfoFrame(frame_, values);
}

void PieceInfoFrame::FinishExact(const AudioTally& tally, int delay, int padding)
{
    if (frame_.empty())
        return;
    InfoFrameValues values = tally.InfoValues();
    if (isNew_)
        values.variableBitrate = tally.BitrateVaries();
    values.encoderDelay = std::clamp(delay, 0, 4095);
    values.encoderPadding = std::clamp(padding, 0, 4095);
    FillInfoFrame(frame_, values);
}
