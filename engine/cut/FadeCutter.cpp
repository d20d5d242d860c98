#include "engine/cut/FadeCutter.h"

#include "engine/cut/PieceCodec.h"
#include "engine/cut/PrimingFrames.h"
#include "platform/OutputFile.h"

#include <algorithm>

bool FadeCutter::Open(const std::string& path)
{
    if (!PieceCutter::Open(path))
        return false;
    const auto first = source_.SyncedFrame(source_.AudioStart());
    channelMode_ = first ? first->header.channelMode : 0;
    return true;
}

void FadeCutter::SetFadeIn(bool enabled, int32_t tenths)
{
    fadeInEnabled_ = enabled;
    fadeInLen_ = tenths;
    fadeInSamples_ = TenthsToSamples(tenths);
}

void FadeCutter::SetFadeOut(bool enabled, int32_t tenths)
{
    fadeOutEnabled_ = enabled;
    fadeOutLen_ = tenths;
    fadeOutSamples_ = TenthsToSamples(tenths);
}

bool FadeCutter::WritePieceBySize(const std::string& path, int64_t byteBudget, const ID3TagInfo* tag, bool& endReached)
{
    return WritePiece(path, Budget::Bytes, byteBudget, tag, &endReached);
}

bool FadeCutter::WritePieceByDuration(const std::string& path, int32_t tenths, const ID3TagInfo* tag, bool& endReached)
{
    return WritePiece(path, Budget::Samples, TenthsToSamples(tenths), tag, &endReached);
}

bool FadeCutter::WriteRest(const std::string& path, const ID3TagInfo* tag)
{
    return WritePiece(path, Budget::Rest, 0, tag, nullptr);
}

int64_t FadeCutter::BytesForTenths(int32_t tenths) const
{
    return static_cast<int64_t>(source_.Bitrate() * 125 * (tenths * 0.1));
}

bool FadeCutter::WritePiece(
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
    auto abandon = [&](Failure failure) {
        output.Discard();
        Fail(failure, path);
        return false;
    };
    size_t id3v2Length = 0;
    if (const auto copied = WriteID3v2Block(output, tag, id3v2Length); copied != OutputFile::CopyResult::Copied)
        return abandon(copied == OutputFile::CopyResult::ReadFailed ? Failure::ReadFailed : Failure::WriteFailed);

    PieceCodec codec(source_.SampleRate(), channelMode_, FadeEncoderBitrate(source_.HasInfoFrame(), source_.Bitrate()));
    if (!codec.Ready())
        return abandon(Failure::WriteFailed);

    // Lead-in: step the cursor back over the frames that cover the overlap; they are encoded as
    // part of this piece.
    size_t leadInEntries = 0;
    if (const auto reach = history_.ReachBack(leadInSamples_); reach && reach->position < source_.Cursor()) {
        if (kind == Budget::Bytes)
            budget += static_cast<int64_t>(source_.Cursor() - reach->position);
        else if (kind == Budget::Samples)
            budget += leadInSamples_;
        source_.SetCursor(reach->position);
        leadInEntries = static_cast<size_t>(reach->entries);
    }
    const size_t pieceStart = source_.Cursor();
    if (!PrimeDecoder(codec, leadInEntries))
        return abandon(source_.ReadFailed() ? Failure::ReadFailed : Failure::WriteFailed);
    // Lead-out: the body runs on past the piece's end.
    if (kind == Budget::Bytes)
        budget += BytesForTenths(leadOut_);
    else if (kind == Budget::Samples && leadOutSamples_ > 0)
        budget += leadOutSamples_;
    if (PumpAndCheckCancel())
        return abandon(Failure::Cancelled);

    int64_t bytesWritten = 0;
    auto passEnded = [&](const PassResult& pass) {
        if (pass.sourceEnded && endReached)
            *endReached = true;
    };
    if (fadeInEnabled_) {
        const PassResult pass = RunFadePass(Fade::In, fadeInSamples_, codec, output);
        if (pass.writeFailed)
            return abandon(Failure::WriteFailed);
        passEnded(pass);
        if (kind == Budget::Bytes)
            bytesWritten = pass.bytes;
        else if (kind == Budget::Samples)
            budget -= pass.samples;
    }

    // The fade-out covers the piece's last samples: keep its share out of the body.
    const int64_t lastByte = static_cast<int64_t>(source_.End()) - 1;
    int64_t stop = lastByte;
    if (fadeOutEnabled_) {
        if (kind == Budget::Rest)
            stop = lastByte - BytesForTenths(fadeOutLen_);
        else if (kind == Budget::Bytes)
            budget -= BytesForTenths(fadeOutLen_);
        else
            budget -= fadeOutSamples_;
    }

    for (;;) {
        if (PumpAndCheckCancel())
            return abandon(Failure::Cancelled);
        if ((kind == Budget::Rest && static_cast<int64_t>(source_.Cursor()) >= stop)
            || (kind == Budget::Bytes && bytesWritten >= budget) || (kind == Budget::Samples && budget < 1))
            break;
        const auto frame = source_.NextCompleteFrame(source_.Cursor());
        if (!frame) {
            if (endReached)
                *endReached = true;
            source_.SetCursor(source_.End());
            break;
        }
        if (budgeted)
            RecordFrame(*frame);
        const auto length = static_cast<size_t>(frame->header.frameLength);
        const auto bytes = source_.FrameBytes(*frame);
        if (bytes.size() != length)
            break; // the read failed: the piece is abandoned below
        const int samples = codec.Decode(frame->header, bytes);
        if (samples > 0) {
            const int encoded = codec.Encode(samples);
            if (encoded < 0)
                break; // the encoder failed: finish the piece with what it holds
            if (encoded > 0) {
                if (!output.Write(codec.Mp3(), static_cast<size_t>(encoded)))
                    return abandon(Failure::WriteFailed);
                bytesWritten += encoded;
            }
            // Every sample given to the encoder is played: the first ones give no bytes yet (the
            // encoder holds them back), but the tag's delay covers only the encoder's own lead.
            if (kind == Budget::Samples)
                budget -= samples;
        }
        source_.SetCursor(frame->position + length);
        UpdateProgress();
    }

    if (fadeOutEnabled_) {
        // The body ran past its share by part of a frame: the fade-out is that much shorter, so the
        // piece ends within a frame of its length.
        const int64_t fadeOutLength
            = kind == Budget::Samples ? std::max<int64_t>(1, fadeOutSamples_ + std::min<int64_t>(budget, 0)) : fadeOutSamples_;
        const PassResult pass = RunFadePass(Fade::Out, fadeOutLength, codec, output);
        if (pass.writeFailed)
            return abandon(Failure::WriteFailed);
        passEnded(pass);
    }
    if (PumpAndCheckCancel())
        return abandon(Failure::Cancelled);
    // A source truncated while it was read ended the piece early: it is not kept.
    if (source_.ReadFailed())
        return abandon(Failure::ReadFailed);

    const int flushed = codec.Flush();
    if (flushed > 0 && !output.Write(codec.Mp3(), static_cast<size_t>(flushed)))
        return abandon(Failure::WriteFailed);
    if (tag) {
        ID3v1Block block {};
        BuildID3v1FromInfo(block.data(), *tag);
        if (!output.Write(block.data(), block.size()))
            return abandon(Failure::WriteFailed);
    }
    // LAME's information frame over the first frame, which the encoder left for it.
    if (const auto infoFrame = codec.LameTagFrame();
        !infoFrame.empty() && !output.WriteAt(id3v2Length, infoFrame.data(), infoFrame.size()))
        return abandon(Failure::WriteFailed);
    if (!output.Close())
        return abandon(Failure::WriteFailed);

    if (budgeted) {
        // The lead-out frames belong to the next piece too: step back over them first.
        int64_t leadOutLeft = leadOutSamples_;
        while (leadOutLeft > 0 && !history_.Empty() && history_.Newest().position > pieceStart) {
            const auto entry = history_.PopNewest();
            leadOutLeft -= entry.samplesPerFrame;
            source_.SetCursor(entry.position);
        }
        RewindAfterPiece(pieceStart);
    }
    return true;
}

bool FadeCutter::PrimeDecoder(PieceCodec& codec, size_t leadInEntries)
{
    const auto atCursor = source_.NextCompleteFrame(source_.Cursor());
    MainDataFacts firstPlayed = atCursor ? source_.MainDataOf(*atCursor) : MainDataFacts {};
    if (leadInEntries > 0)
        firstPlayed = history_.FromNewest(leadInEntries - 1).mainData;
    const int layerIndex = firstAudioFrame_ ? firstAudioFrame_->header.layerIndex : 2;
    const PrimingFrames priming
        = ChoosePrimingFrames(history_, leadInEntries, firstPlayed, layerIndex, source_.SamplesPerFrame());
    // The same frames a copied piece starts with: the decoder finds the main data the piece's first
    // frames borrow and the samples they overlap, so the piece decodes from its first sample on as
    // the whole source does. Their own samples are not encoded.
    for (size_t k = leadInEntries + static_cast<size_t>(priming.count); k > leadInEntries; --k) {
        const auto frame = source_.NextCompleteFrame(history_.FromNewest(k - 1).position);
        if (!frame)
            return !source_.ReadFailed();
        const auto bytes = source_.FrameBytes(*frame);
        if (bytes.size() != static_cast<size_t>(frame->header.frameLength))
            return false;
        codec.Decode(frame->header, bytes);
    }
    return true;
}

FadeCutter::PassResult FadeCutter::RunFadePass(Fade fade, int64_t length, PieceCodec& codec, OutputFile& output)
{
    PassResult result;
    if (length < 1)
        return result;
    const double step = 1.0 / static_cast<double>(length);
    double gainLeft = fade == Fade::In ? 0.0 : 1.0;
    double gainRight = gainLeft;
    int64_t remaining = length;

    // Scales samples by the running gain, truncating toward zero.
    auto ramp = [&](int16_t* samples, int count, double& gain) {
        for (int i = 0; i < count; ++i) {
            const double factor = fade == Fade::In ? std::min(gain, 1.0) : std::max(gain, 0.0);
            samples[i] = static_cast<int16_t>(samples[i] * factor);
            gain += fade == Fade::In ? step : -step;
        }
    };

    do {
        const auto frame = source_.NextCompleteFrame(source_.Cursor());
        if (!frame) {
            source_.SetCursor(source_.End());
            result.sourceEnded = true;
            break;
        }
        RecordFrame(*frame);
        const auto frameLength = static_cast<size_t>(frame->header.frameLength);
        const auto bytes = source_.FrameBytes(*frame);
        if (bytes.size() != frameLength)
            break;
        const int samples = codec.Decode(frame->header, bytes);
        if (samples > 0) {
            if (fade == Fade::In) {
                // Once the gain has reached 1 the samples pass unchanged.
                if (gainLeft < 1.0) {
                    ramp(codec.Left(), samples, gainLeft);
                    if (!codec.IsMono())
                        ramp(codec.Right(), samples, gainRight);
                }
            } else if (gainLeft > 0.0) {
                ramp(codec.Left(), samples, gainLeft);
                if (!codec.IsMono())
                    ramp(codec.Right(), samples, gainRight);
            } else {
                std::fill_n(codec.Left(), samples, int16_t { 0 });
                if (!codec.IsMono())
                    std::fill_n(codec.Right(), samples, int16_t { 0 });
            }
            const int encoded = codec.Encode(samples);
            if (encoded < 0)
                break;
            if (encoded > 0) {
                if (!output.Write(codec.Mp3(), static_cast<size_t>(encoded))) {
                    result.writeFailed = true;
                    break;
                }
                result.bytes += encoded;
            }
            result.samples += samples;
        }
        remaining -= samples;
        source_.SetCursor(frame->position + frameLength);
        UpdateProgress();
        if (job_)
            job_->Pump();
    } while (!IsCancelled() && remaining > 0);
    return result;
}
