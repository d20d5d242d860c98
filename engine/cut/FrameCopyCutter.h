#pragma once
// The piece writer that copies whole frames from the source byte for byte.
// A piece holds: the source's ID3v2 block, its VBR information frame with the piece's frame and byte
// counts, the lead-in frames, the piece's frames, the lead-out frames and an ID3v1 block.
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

private:
    enum class Budget { Bytes, Samples, Rest };
    bool WritePiece(const std::string& path, Budget kind, int64_t budget, const ID3TagInfo* tag, bool* endReached);
};
