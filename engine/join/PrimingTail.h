#pragma once
// The last frames a frame-copy join wrote, kept so the frames the next input shares with them can
// be recognised. A piece cut from a file starts with priming frames (its LAME tag's delay drops
// them) that are the very frames ending the pieces before it, and a piece cut inside a frame ends
// with that frame, which the next piece plays on from (its padding and the next delay trim it).
// When the pieces of one cut are joined again, those frames are written once, so the result holds
// each source frame once and decodes to the pieces' samples end to end. A piece shorter than the
// frames its successor shares lends only some of them: the rest come from the pieces before it, so
// the kept frames run on across inputs.
#include "engine/stream/MpegFrameHeader.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class PrimingTail {
public:
    // More than a 12-bit padding and a 12-bit delay together can trim of the shortest frames
    // (576 samples).
    static constexpr size_t kMaxFrames = 2 * 4095 / 576;

    // Adds copies of the last frames written from an input, once the input is done (so nothing is
    // copied per frame), to those kept before; keeps the newest kMaxFrames, oldest first.
    void Keep(const std::vector<std::span<const uint8_t>>& lastFrames);

    // How many frames an input whose LAME tag says encoderDelay may share with the end of the input
    // before it, whose padding is previousPadding: m when the samples the two trim there add up to
    // m whole frames (the previous input's end and this one's start are then the same place in
    // the frames, if those m frames are the same); none otherwise.
    static std::optional<size_t> SharedFramesOf(int previousPadding, int encoderDelay, int samplesPerFrame);
    // Whether frames, the first frames of the next input, equal the kept frames' last frames.size().
    bool EndsWith(const std::vector<std::span<const uint8_t>>& frames) const;

private:
    std::vector<std::vector<uint8_t>> frames_;
};
