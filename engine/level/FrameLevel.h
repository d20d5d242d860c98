#pragma once
// The loudness of one MPEG audio frame estimated from the bits that precede its samples, without
// decoding: Layer III from each granule's side information, Layers I and II from the scale factors.
//
// Layer III: a granule's spectral lines are its Huffman-coded integers raised to the power 4/3 and
// scaled by 2^((global_gain - 210 - 8 x subblock_gain) / 4). The largest integer the granule's
// chosen tables code stands for its loudest line, so per channel
//   1.505 x (global_gain - 210 - 8 x subblock_gain) + 26.7 x log10(largest value)
// follows its level in dB. A granule that codes no values at all is silent.
// The scale factors, read from the main data (no Huffman decoding), lower that step band by band;
// an encoder that sets global_gain for its coarsest band and lifts the others with scale factors
// (VBR) would otherwise read far too loud, so each region counts with its finest-stepped band.
// Layers I and II: each subband's scale factor bounds its samples; their powers add up.
#include "engine/stream/MpegFrameHeader.h"

#include <array>
#include <cstdint>
#include <span>

struct FrameLevel {
    int parts = 0; // granules (Layer III: 2 in MPEG-1, 1 otherwise), else 1
    int samplesPerPart = 0;
    // Mean power over the channels, full scale = 1; 0 for silence.
    std::array<double, 2> power {};
};

// Layer III main data as it runs on from frame to frame: a frame's main data may begin up to 511
// bytes (main_data_begin) before its own, in earlier frames (bit reservoir). Each frame's main data
// is appended after the last one's, so the bytes a frame reads are one run; only when the room
// is full are the last 511 bytes moved to its front.
class MainDataReservoir {
public:
    static constexpr size_t kReach = 511; // the largest main_data_begin
    // Zero bytes kept after the last frame's main data: reads that run past its end find zeros.
    static constexpr size_t kPadding = 32;
    static constexpr size_t kLargestMainData = 1441 - 4 - 9; // the longest Layer III frame's

    // Appends a frame's own main data (the bytes after its side information) and returns its whole
    // main data: the mainDataBegin bytes before it and its own, followed by kPadding zero bytes.
    // Empty when fewer than mainDataBegin bytes are held (after a break of the stream).
    std::span<const uint8_t> Append(std::span<const uint8_t> own, size_t mainDataBegin);
    // Forgets the bytes held: the next frame's main data cannot reach back past here.
    void Clear() { held_ = 0; }
    // Whether the bytes held reach as far back as any frame's main data may begin: a frame reads
    // the same from here on as after any longer stretch of the same stream.
    bool HoldsItsReach() const { return held_ >= kReach; }

private:
    std::array<uint8_t, 16384> bytes_ {};
    size_t end_ = 0; // one past the last frame's main data
    size_t held_ = 0; // of the bytes before end_, those of the stream (at most end_)
};

// frame holds the whole frame, header first; a frame too short for its side information or scale
// factors reads as silent. reservoir carries main data from frame to frame in stream order; a
// frame whose main data begins before what it holds is read without its scale factors.
FrameLevel ReadFrameLevel(std::span<const uint8_t> frame, const MpegFrameHeader& header, MainDataReservoir& reservoir);
FrameLevel ReadFrameLevel(std::span<const uint8_t> frame, const MpegFrameHeader& header);

// Power (full scale = 1) to dBFS, with silence and anything below it as kSilenceDb.
constexpr double kSilenceDb = -100.0;
double PowerToDb(double power);
