#pragma once
// The piece writer that copies whole frames from the source byte for byte. A piece holds: the
// source's ID3v2 block with the piece's own values, an information frame (PieceInfoFrame), the
// priming frames, the lead-in frames, the piece's frames, the lead-out frames and an ID3v1 block.
//
// The cursor always stands where the next piece's own frames begin, so pieces follow each other
// without gaps or repeats. A piece that does not start at the source's first frame begins with the
// priming frames just before its first played frame (PrimingFrames), and its LAME tag tells a
// gapless decoder to drop them; they do not count toward the piece's budget.
#include "engine/cut/PieceCutter.h"

#include <array>
#include <optional>

class FrameCopyCutter : public PieceCutter {
public:
    bool WritePieceBySize(
        const std::string& path, int64_t byteBudget, const ID3TagInfo* tag, bool& endReached) override;
    bool WritePieceByDuration(
        const std::string& path, int32_t tenths, const ID3TagInfo* tag, bool& endReached) override;
    bool WriteRest(const std::string& path, const ID3TagInfo* tag) override;
    // Copied frames cannot be faded.
    void SetFadeIn(bool, int32_t) override { }
    void SetFadeOut(bool, int32_t) override { }

    // A piece cut to the sample: it plays the source's samples [startSample, endSample) of its
    // gapless decode (to the end with no endSample). It holds the frames covering that span and
    // its priming; its LAME tag's delay and padding drop the rest. Pieces must come in rising
    // order of their starts; a piece may share its first frame with the end of the one before. A Layer III source
    // without a LAME tag has nothing to drop at its start, so the piece that starts there begins with one silent frame
    // for its tag to drop. Layers I and II know no tag: their pieces hold whole frames. The overlaps (SetLeadIn,
    // SetLeadOut) widen the span on both sides; the next piece then steps back to its own start.
    bool WriteExactPiece(const std::string& path, int64_t startSample, std::optional<int64_t> endSample,
        const ID3TagInfo* tag, bool& endReached);
    // The gapless sample of a time in milliseconds: round(ms x rate / 1000).
    int64_t MillisecondsToSample(int64_t ms) const;

    // Whether the last piece's priming covered all the main data its first frames borrow; false
    // when the reservoir reached further back than the history or the tag's delay field allowed.
    bool LastPrimingWasEnough() const { return lastPrimingEnough_; }
    // Whether the last WriteExactPiece wrote its file (it writes none when the source ends first).
    bool LastPieceWritten() const { return lastPieceWritten_; }

private:
    enum class Budget { Bytes, Samples, Rest };
    bool WritePiece(const std::string& path, Budget kind, int64_t budget, const ID3TagInfo* tag, bool* endReached);

    // Moves the cursor forward to the frame of index frame (counted from the first audio frame),
    // recording the frames it passes; false when the stream ends first.
    bool WalkToFrame(int64_t frame);
    void LearnSourceTrim();
    // The header of the frame at or after position (the source's first audio frame's when none):
    // a piece's information frame takes its first frame's format.
    std::array<uint8_t, 4> HeaderAt(size_t position);

    bool lastPieceWritten_ = false;
    bool lastPrimingEnough_ = true;
    bool trimKnown_ = false;
    bool sourceTagged_ = false;
    int64_t sourceSkip_ = 0; // samples a gapless decoder drops at the source's start
    int64_t sourceEndTrim_ = 0; // and at its end
    int64_t cursorFrame_ = 0; // index of the frame at the cursor, for exact pieces
};
