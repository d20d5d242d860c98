#pragma once
// Where a frame's main data lies, read from its side information. A Layer III frame may begin its
// main data in earlier frames (the bit reservoir): main_data_begin counts the bytes back from the
// end of this frame's side information, and each earlier frame contributes the bytes between its
// own side information and its end. Layers I and II have no reservoir.
#include "engine/stream/MpegFrameHeader.h"

#include <cstdint>
#include <span>

struct MainDataFacts {
    int32_t begin = 0; // main_data_begin: bytes borrowed from earlier frames
    int32_t size = 0; // bytes of the frame after its header, CRC and side information
};

// frame holds the whole frame, header first. main_data_begin is 9 bits in MPEG-1 and 8 bits in
// MPEG-2 and 2.5; it follows the header and, when the protection bit is clear, a 16-bit CRC. A
// frame too short to hold its side information has no main data and borrows nothing.
MainDataFacts ReadMainData(std::span<const uint8_t> frame, const MpegFrameHeader& header);
