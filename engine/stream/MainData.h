#pragma once
// Where a frame's main data lies, read from its side information. A Layer III frame may begin its
// main data in earlier frames (the bit reservoir): main_data_begin counts the bytes back from the
// end of this frame's side information, and each earlier frame contributes the bytes between its
// own side information and its end. Layers I and II have no reservoir.
#include "engine/stream/MpegFrameHeader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

struct MainDataFacts {
    int32_t begin = 0; // main_data_begin: bytes borrowed from earlier frames
    int32_t size = 0; // bytes of the frame after its header, CRC and side information
};

// frame holds the whole frame, header first. main_data_begin is 9 bits in MPEG-1 and 8 bits in
// MPEG-2 and 2.5; it follows the header and, when the protection bit is clear, a 16-bit CRC. A
// frame too short to hold its side information has no main data and borrows nothing. Inline: the
// cut's walk reads it for every frame it passes.
inline MainDataFacts ReadMainData(std::span<const uint8_t> frame, const MpegFrameHeader& header)
{
    MainDataFacts facts;
    if (frame.size() < 4)
        return facts;
    const size_t crcBytes = (frame[1] & 0x01) == 0 ? 2 : 0; // protection bit 0: a CRC follows the header
    const size_t sideInfoEnd = 4 + crcBytes + static_cast<size_t>(header.sideInfoSize);
    const size_t length = std::min(frame.size(), static_cast<size_t>(header.frameLength));
    if (header.layerIndex != 2) {
        facts.size = static_cast<int32_t>(length > 4 + crcBytes ? length - 4 - crcBytes : 0);
        return facts;
    }
    if (length < sideInfoEnd)
        return facts;
    facts.size = static_cast<int32_t>(length - sideInfoEnd);
    const uint8_t* side = frame.data() + 4 + crcBytes;
    facts.begin = header.version == MpegVersion1 ? (side[0] << 1) | (side[1] >> 7) : side[0];
    return facts;
}
