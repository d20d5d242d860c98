#pragma once
// The piece writer of a split run: holds the opened source and a cursor into it; each write makes one
// piece file that starts at the cursor and leaves the cursor where the next piece begins.
// FrameCopyCutter copies frames byte for byte; FadeCutter decodes and encodes again with fades.
#include "engine/JobProgress.h"
#include "engine/cut/FrameHistory.h"
#include "engine/stream/ID3TagInfo.h"
#include "engine/stream/Mp3SourceFile.h"
#include "engine/stream/SourceID3v2Tag.h"
#include "platform/OutputFile.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

class PieceCutter {
public:
    // Why the last write returned false.
    // ReadFailed: the source could not be read to its end (it was truncated meanwhile).
    enum class Failure { None, CreateFailed, WriteFailed, ReadFailed, Cancelled };

    PieceCutter() = default;
    virtual ~PieceCutter();
    PieceCutter(const PieceCutter&) = delete;
    PieceCutter& operator=(const PieceCutter&) = delete;

    // Writes the fewest whole frames whose lengths reach byteBudget. False when the output cannot be
    // created or written, or the job was cancelled (the output is then deleted); endReached is set
    // when the source ran out first. A null tag writes no ID3v1 block.
    virtual bool WritePieceBySize(const std::string& path, int64_t byteBudget, const ID3TagInfo* tag, bool& endReached)
        = 0;
    // Writes frames until their samples reach the duration (tenths of a second).
    virtual bool WritePieceByDuration(const std::string& path, int32_t tenths, const ID3TagInfo* tag, bool& endReached)
        = 0;
    // Writes every remaining frame: the last piece of a run.
    virtual bool WriteRest(const std::string& path, const ID3TagInfo* tag) = 0;
    // Passes over frames as WritePieceByDuration would, writing nothing; false when cancelled or
    // when the source could not be read (LastFailure says which).
    virtual bool SkipDuration(int32_t tenths, bool& endReached);
    virtual void SetFadeIn(bool enabled, int32_t tenths) = 0;
    virtual void SetFadeOut(bool enabled, int32_t tenths) = 0;

    virtual bool Open(const std::string& path);
    virtual void Close();
    // The job whose cancel flag is read and whose pump runs after every frame; none for no job.
    virtual void SetCancelFlag(JobProgress* job);
    // One bar spans the whole source for the whole run. Call after Open.
    virtual void SetProgressBar(ProgressBar* bar);
    // Overlaps in tenths of a second, converted at the source's sample rate: call after Open.
    virtual void SetLeadIn(int32_t tenths);
    virtual void SetLeadOut(int32_t tenths);

    Failure LastFailure() const { return failure_; }
    // "Failed to create file ..." or "Failed to write file ..." naming the piece, "Failed to read
    // file ..." naming the source; empty otherwise.
    std::string FailureText() const;

    Mp3SourceFile& Source() { return source_; }
    const FrameHistory& History() const { return history_; }

protected:
    // tenths × 0.1 × sample rate in double precision, truncated toward zero.
    int64_t TenthsToSamples(int32_t tenths) const;
    // A frame's length for time budgets, in samples at the source's (first frame's) rate: a frame
    // of a stream that has changed its rate counts by its own duration.
    int64_t SamplesAtSourceRate(const MpegFrameHeader& header)
    {
        return header.sampleRate == source_.SampleRate() ? header.samplesPerFrame : OtherRateSamples(header);
    }
    // Moves the bar to the cursor's share of the source when that is further than before.
    void UpdateProgress();
    // Lets pending messages run, then reads the cancel flag.
    bool PumpAndCheckCancel();
    bool IsCancelled() const;
    // Steps the cursor back over the newest three recorded frames, so the next piece repeats them,
    // but never to or before pieceStart, where the piece just written began: every piece advances.
    void RewindAfterPiece(size_t pieceStart);
    // Records a frame the cursor passes, with the main-data facts that priming later pieces needs.
    void RecordFrame(const FoundFrame& frame);
    // The same, with the frame's bytes at hand.
    void RecordFrame(const FoundFrame& frame, std::span<const uint8_t> bytes)
    {
        history_.Append(frame.position, frame.header.samplesPerFrame, ReadMainData(bytes, frame.header));
    }
    void Fail(Failure failure, const std::string& path);
    void ClearFailure()
    {
        failure_ = Failure::None;
        failedPath_.clear();
    }
    void UpdateHistoryRetention();
    // Writes the piece's ID3v2 block at the start of the output: the source's tag with the piece's
    // values when TagLib could read it and the piece has a tag record, else the source's block
    // unchanged. A source without one gives a new tag when the piece's record holds Unicode text
    // (ID3TagText), else nothing. length is set to the bytes written.
    OutputFile::CopyResult WriteID3v2Block(OutputFile& output, const ID3TagInfo* tag, size_t& length);

    Mp3SourceFile source_;
    std::optional<FoundFrame> firstAudioFrame_; // the source's first complete audio frame
    // Its four header bytes, kept from the open: reading them again for every piece would move the
    // read window back to the start of the file and read a megabyte twice.
    std::array<uint8_t, 4> firstAudioHeader_ {};
    // The source's ID3v2 tag, read once when the source is opened.
    SourceID3v2Tag sourceID3v2_;
    FrameHistory history_;
    JobProgress* job_ = nullptr;
    ProgressBar* progressBar_ = nullptr;
    int lastProgressPosition_ = 0;
    size_t progressStep_ = 1;
    int32_t leadIn_ = 0;
    int32_t leadOut_ = 0;
    int64_t leadInSamples_ = 0;
    int64_t leadOutSamples_ = 0;

private:
    int64_t OtherRateSamples(const MpegFrameHeader& header);

    // What frames of another rate left over below one sample at the source's rate, in ticks
    // (StreamTime.h): carried on, so that their sum stays exact.
    int64_t otherRateTicks_ = 0;
    Failure failure_ = Failure::None;
    std::string failedPath_;
};
