// The frame-copy join: every input's audio frames byte for byte, then one ID3v1 block.
#include "engine/join/JoinInputProgress.h"
#include "engine/join/JoinJob.h"
#include "engine/stream/Mp3SourceFile.h"
#include "platform/OutputFile.h"

namespace {

// Frames that lie back to back in the mapping are written in one call; a run is cut at this size
// so that the pages of a long run are not all faulted in by one write.
constexpr size_t kMaxRunBytes = size_t { 1 } << 20;

} // namespace

bool JoinJob::JoinByFrameCopy(const std::string& outputPath, JobProgress& progress)
{
    errorText_.clear();
    if (OutputIsAnInput(outputPath)) {
        Fail("Failed to create file \"%s\".", outputPath);
        return false;
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

    PrepareJoinBars(progress, InputCount());
    ProgressBar* lower = progress.Bar(JobProgress::Lower);

    for (int index = 0; index < InputCount(); ++index) {
        const std::string& inputPath = inputs_[static_cast<size_t>(index)];
        progress.SetLabel(JobProgress::Lower, JoiningLabel(index + 1, InputCount(), outputPath));
        if (lower)
            lower->StepIt();

        // Opening skips the leading ID3v2 block and a VBR information frame and stands on the
        // first audio frame.
        Mp3SourceFile source;
        if (!source.Open(inputPath)) {
            output.Discard();
            Fail("Failed to open file \"%s\".", inputPath);
            return false;
        }
        JoinInputProgress inputProgress(progress, inputPath, source.Size());
        progress.Pump();
        if (progress.IsCancelled()) {
            output.Discard();
            return false;
        }

        // The walk ends at the first place where no whole frame follows, so a trailing ID3v1
        // tag or a frame cut short by the end of the file is left out; stray bytes between
        // frames are passed over by the search.
        size_t runStart = source.Cursor();
        size_t runEnd = runStart;
        for (auto frame = source.NextCompleteFrame(source.Cursor()); frame;
             frame = source.NextCompleteFrame(source.Cursor())) {
            const size_t frameEnd = frame->position + static_cast<size_t>(frame->header.frameLength);
            if (frame->position != runEnd || runEnd - runStart >= kMaxRunBytes) {
                if (!output.Write(source.Data() + runStart, runEnd - runStart))
                    return writeFailed();
                runStart = frame->position;
            }
            runEnd = frameEnd;
            source.SetCursor(frameEnd);

            inputProgress.Advance(frameEnd);
            progress.Pump();
            if (progress.IsCancelled()) {
                output.Discard();
                return false;
            }
        }
        if (!output.Write(source.Data() + runStart, runEnd - runStart))
            return writeFailed();
    }

    if (tag_) {
        ID3v1Block block;
        BuildID3v1FromInfo(block.data(), *tag_);
        if (!output.Write(block.data(), block.size()))
            return writeFailed();
    }
    if (!output.Close())
        return writeFailed();
    return true;
}
