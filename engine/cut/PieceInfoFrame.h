#pragma once
// The information frame at the start of a frame-copy piece, with the fields that make a gapless
// decoder play exactly the piece's own samples: the source's frame copied and filled in for the
// piece, or, for a source without one, a new "Info" frame on every piece that starts with priming
// frames (the first piece of such a source stays without: a tag there would make players drop
// samples that the source's own decode keeps).
//
// Delay: a piece that starts with P priming frames drops P × samples per frame − 529 (decoders
// drop 529 more); the piece that starts at the source's first frame keeps the source's delay.
// Padding: the piece that ends with the source's last frame keeps the source's padding; any other
// drops nothing (529, which decoders add back).
// A source's VBRI frame is never copied (its fields are not rewritten): its pieces are treated as
// those of a source without an information frame. Pieces of Layer I and II get no frame at all.
#include "engine/stream/AudioTally.h"
#include "engine/stream/Mp3SourceFile.h"

#include <cstdint>
#include <span>
#include <vector>

class PieceInfoFrame {
public:
    // pieceHeader: the header bytes of the piece's first frame, for a new frame's format (a source
    // that changes its rate or channels has pieces in another format than its first frames').
    PieceInfoFrame(const Mp3SourceFile& source, int primingFrames, bool startsAtSourceStart,
        std::span<const uint8_t> pieceHeader);

    // The frame to write before the piece's audio, rewritten by Finish; empty for none.
    const std::vector<uint8_t>& Bytes() const { return frame_; }
    // Whether Finish needs the music CRC of the piece's audio frames.
    bool HasLameTag() const { return hasLameTag_; }

    // Fills in the piece's counts, seek table and LAME tag; endsAtSourceEnd: the piece's last frame
    // is the source's last.
    void Finish(const AudioTally& tally, bool endsAtSourceEnd);
    // The same with the delay and padding of a piece cut to the sample.
    void FinishExact(const AudioTally& tally, int delay, int padding);

private:
    std::vector<uint8_t> frame_;
    bool isNew_ = false;
    bool hasLameTag_ = false;
    bool sourceTagged_ = false;
    int sourceDelay_ = 0;
    int sourcePadding_ = 0;
    int primingFrames_ = 0;
    int samplesPerFrame_ = 0;
    bool startsAtSourceStart_ = false;
};
