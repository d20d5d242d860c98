#include "engine/cut/PieceCutter.h"

#include "engine/stream/ID3v2Fields.h"
#include "engine/stream/StreamTime.h"

#include <algorithm>

PieceCutter::~PieceCutter() { source_.Close(); }

bool PieceCutter::Open(const std::string& path)
{
    firstAudioFrame_.reset();
    otherRateTicks_ = 0;
    if (!source_.Open(path))
        return false;
    if (source_.HasID3v2())
        sourceID3v2_.Parse(source_.Read(0, source_.ID3v2Length()));
    else
        sourceID3v2_.Parse({});
    firstAudioFrame_ = source_.NextCompleteFrame(source_.AudioStart());
    if (firstAudioFrame_) {
        const auto bytes = source_.FrameBytes(*firstAudioFrame_);
        std::copy_n(bytes.begin(), std::min<size_t>(bytes.size(), firstAudioHeader_.size()), firstAudioHeader_.begin());
    }
    return true;
}

void PieceCutter::Close()
{
    source_.Close();
    firstAudioFrame_.reset();
}

void PieceCutter::SetCancelFlag(JobProgress* job) { job_ = job; }

void PieceCutter::SetProgressBar(ProgressBar* bar)
{
    progressBar_ = bar;
    if (!bar)
        return;
    const int width = std::max(1, bar->WidthInPixels());
    bar->SetRange(0, width);
    bar->SetPosition(0);
    lastProgressPosition_ = 0;
    progressStep_ = std::max<size_t>(1, source_.Size() / static_cast<size_t>(width));
}

void PieceCutter::SetLeadIn(int32_t tenths)
{
    leadIn_ = tenths;
    leadInSamples_ = TenthsToSamples(tenths);
    UpdateHistoryRetention();
}

void PieceCutter::SetLeadOut(int32_t tenths)
{
    leadOut_ = tenths;
    leadOutSamples_ = TenthsToSamples(tenths);
    UpdateHistoryRetention();
}

void PieceCutter::UpdateHistoryRetention()
{
    history_.SetRetention(std::max<int64_t>(0, leadInSamples_) + std::max<int64_t>(0, leadOutSamples_));
}

bool PieceCutter::SkipDuration(int32_t tenths, bool& endReached)
{
    endReached = false;
    ClearFailure();
    int64_t remaining = TenthsToSamples(tenths);
    while (remaining > 0) {
        const auto frame = source_.NextCompleteFrame(source_.Cursor());
        if (!frame && source_.ReadFailed()) {
            Fail(Failure::ReadFailed, source_.Path());
            return false;
        }
        if (!frame) {
            endReached = true;
            source_.SetCursor(source_.End());
            return true;
        }
        RecordFrame(*frame);
        source_.SetCursor(frame->position + static_cast<size_t>(frame->header.frameLength));
        remaining -= SamplesAtSourceRate(frame->header);
        UpdateProgress();
        if (PumpAndCheckCancel()) {
            Fail(Failure::Cancelled, {});
            return false;
        }
    }
    return true;
}

namespace {

bool HasID3v2Text(const ID3TagInfo& tag)
{
    const ID3TagText& text = tag.text;
    return !text.title.empty() || !text.artist.empty() || !text.album.empty() || !text.year.empty()
        || !text.comment.empty() || !text.genre.empty();
}

} // namespace

OutputFile::CopyResult PieceCutter::WriteID3v2Block(OutputFile& output, const ID3TagInfo* tag, size_t& length)
{
    length = 0;
    if (!source_.HasID3v2()) {
        // Text given for the piece (from a CUE sheet, the command line or the tag dialog) is kept
        // whole in a new tag; the ID3v1 block holds only its Latin-1 cut.
        const std::vector<uint8_t> block = tag && HasID3v2Text(*tag) ? BuildID3v2Tag(*tag) : std::vector<uint8_t> {};
        if (!output.Write(block.data(), block.size()))
            return OutputFile::CopyResult::WriteFailed;
        length = block.size();
        return OutputFile::CopyResult::Copied;
    }
    if (tag && sourceID3v2_.Parsed()) {
        // Built in memory: the piece is written in one pass, and its frames need not move.
        const std::vector<uint8_t> block = sourceID3v2_.RenderFor(*tag);
        if (!output.Write(block.data(), block.size()))
            return OutputFile::CopyResult::WriteFailed;
        length = block.size();
        return OutputFile::CopyResult::Copied;
    }
    // A tag TagLib cannot read wholly is carried over byte for byte, copied by the kernel.
    const auto copied = output.CopyFrom(source_.File(), 0, source_.ID3v2Length());
    if (copied == OutputFile::CopyResult::Copied)
        length = source_.ID3v2Length();
    return copied;
}

std::string PieceCutter::FailureText() const
{
    switch (failure_) {
    case Failure::CreateFailed:
        return "Failed to create file \"" + failedPath_ + "\".";
    case Failure::WriteFailed:
        return "Failed to write file \"" + failedPath_ + "\".";
    case Failure::ReadFailed:
        return "Failed to read file \"" + source_.Path() + "\".";
    default:
        return {};
    }
}

int64_t PieceCutter::OtherRateSamples(const MpegFrameHeader& header)
{
    const int64_t perSample = TicksPerSample(source_.SampleRate());
    if (perSample <= 0)
        return header.samplesPerFrame;
    otherRateTicks_ += FrameTicks(header);
    const int64_t samples = otherRateTicks_ / perSample;
    otherRateTicks_ -= samples * perSample;
    return samples;
}

int64_t PieceCutter::TenthsToSamples(int32_t tenths) const
{
    return static_cast<int64_t>(tenths * 0.1 * source_.SampleRate());
}

void PieceCutter::UpdateProgress()
{
    if (!progressBar_)
        return;
    const auto position = static_cast<int>(source_.Cursor() / progressStep_);
    if (position > lastProgressPosition_) {
        progressBar_->SetPosition(position);
        lastProgressPosition_ = position;
    }
}

bool PieceCutter::PumpAndCheckCancel()
{
    if (!job_)
        return false;
    job_->Pump();
    return job_->IsCancelled();
}

bool PieceCutter::IsCancelled() const { return job_ && job_->IsCancelled(); }

void PieceCutter::RewindAfterPiece(size_t pieceStart)
{
    for (int i = 0; i < 3 && !history_.Empty() && history_.Newest().position > pieceStart; ++i)
        source_.SetCursor(history_.PopNewest().position);
}

void PieceCutter::RecordFrame(const FoundFrame& frame)
{
    history_.Append(frame.position, frame.header.samplesPerFrame, source_.MainDataOf(frame));
}

void PieceCutter::Fail(Failure failure, const std::string& path)
{
    failure_ = failure;
    failedPath_ = path;
}
