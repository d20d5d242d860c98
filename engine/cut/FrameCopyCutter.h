#pragma once
// The piece writer that copies whole frames from the source byte for byte. A piece holds: the
// source's ID3v2 block, an information frame (PieceInfoFrame), the priming frames, the lead-in
// frames, the piece's frames, the lead-out frames and an ID3v1 block.
//
// The cursor always stands where the next piece's own frames begin, so pieces follow each other
// without gaps or repeats. A piece that does not start at the source's first frame begins with the
// priming frames just before its first played frame (PrimingFrames), and its LAME tag tells a
// gapless decoder to drop them; they do not count toward the piece's budget.
#include "engine/cut/PieceCutter.h"

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

    // Whether the last piece's priming covered all the main data its first frames borrow; false
    // when the reservoir reached further back than the history or the tag's delay field allowed.
    bool LastPrimingWasEnough() const { return lastPrimingEnough_; }

private:
    enum class Budget { Bytes, Samples, Rest };
    bool WritePiece(const std::string& path, Budget kind, int64_t budget, const ID3TagInfo* tag, bool* endReached);

    bool lastPrimingEnough_ = true;
};
