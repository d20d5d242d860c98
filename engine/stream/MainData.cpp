#include "engine/stream/MainData.h"

#include <algorithm>

MainDataFacts ReadMainData(std::span<const uint8_t> frame, const MpegFrameHeader& header)
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
