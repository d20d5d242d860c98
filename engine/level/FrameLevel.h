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

// The last bytes of Layer III main data seen, where a frame's main data may begin (bit reservoir).
struct MainDataReservoir {
    static constexpr size_t kCapacity = 511; // the largest main_data_begin
    std::array<uint8_t, kCapacity> bytes {};
    size_t size = 0;
};

// frame holds the whole frame, header first; a frame too short for its side information or scale
// factors reads as silent. reservoir carries main data from frame to frame in stream order; a
// frame whose main data begins before what it holds is read without its scale factors.
FrameLevel ReadFrameLevel(std::span<const uint8_t> frame, const MpegFrameHeader& header, MainDataReservoir& reservoir);
FrameLevel ReadFrameLevel(std::span<const uint8_t> frame, const MpegFrameHeader& header);

// Power (full scale = 1) to dBFS, with silence and anything below it as kSilenceDb.
constexpr double kSilenceDb = -100.0;
double PowerToDb(double power);
