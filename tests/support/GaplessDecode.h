#pragma once
// Decodes an MP3 file with libmp3lame's hip decoder the way a gapless player plays it: every audio
// frame gives its samples (a frame the decoder cannot decode, for want of main data it borrows from
// frames the file does not hold, gives silence, as ffmpeg's decoder does), then a LAME tag's delay
// + 529 samples are dropped at the start and the stream ends at frame count × samples per frame −
// padding + 529, with the frame count the tag states (or the file holds, when fewer). Without a LAME tag nothing is
// dropped.
//
// The hip decoder's synthesis runs through a 16-slot window buffer, one slot per time slot, so its
// rounding repeats every 16 slots: every 4 frames of 1152 samples, 8 of 576. A piece's decode
// equals the source's bit for bit only when the decoder meets each frame at the same place in that
// cycle as in the source's decode; which place that is cannot be told from the frame index alone.
// cyclePlace moves the first frame on by that many places: silent frames are decoded first (their
// output dropped), 16 + cyclePlace of them. They also fill the decoder's bit reservoir, so the
// first frames decode (wrongly, but they are priming frames) instead of being left out.
#include "tests/support/EncodedAudio.h"

#include <cstdint>
#include <string>

Pcm DecodeGapless(const std::string& path, int cyclePlace = 0);
// The decode of path, at the place in the rounding cycle where it matches the samples of reference
// from offset on best; differences says how many samples still differ.
Pcm DecodeGaplessAgainst(const std::string& path, const Pcm& reference, size_t offset, size_t& differences);
// Samples [begin, end) of both channels of b equal those of a from offset on, counting differences.
size_t CountDifferences(const Pcm& a, size_t offset, const Pcm& b, size_t begin, size_t end);
// Appends b's samples to a.
void AppendPcm(Pcm& a, const Pcm& b);
