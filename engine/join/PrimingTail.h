#pragma once
// The last frames a frame-copy join wrote, kept so the next input's priming frames can be
// recognised. A piece cut from a file starts with priming frames (its LAME tag's delay drops them)
// that are the very frames ending the pieces before it; when the pieces of one cut are joined
// again, those frames are left out, so the result holds each source frame once. A piece shorter
// than its successor's priming lends only some of them: the rest come from the pieces before it,
// so the kept frames run on across inputs.
#include "engine/stream/MpegFrameHeader.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class PrimingTail {
public:
    // More priming than the tag's 12-bit delay can describe for the shortest frames (576 samples).
    static constexpr size_t kMaxFrames = 8;

    // Adds copies of the last frames written from an input, once the input is done (so nothing is
    // copied per frame), to those kept before; keeps the newest kMaxFrames, oldest first.
    void Keep(const std::vector<std::span<const uint8_t>>& lastFrames);

    // How many priming frames an input whose LAME tag says encoderDelay starts with: P when the
    // delay is P frames less the decoder's 529 samples; none for any other delay (an encoder's own).
    static std::optional<size_t> PrimingFramesOf(int encoderDelay, int samplesPerFrame);
    // Whether frames, the first frames of the next input, equal the kept frames' last frames.size().
    bool EndsWith(const std::vector<std::span<const uint8_t>>& frames) const;

private:
    std::vector<std::vector<uint8_t>> frames_;
};
