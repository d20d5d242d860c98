#pragma once
// The header of a frame in sync, for walks that step from frame to frame: the last decoded header
// is kept, and four bytes that differ from it only in the padding bit (as in a constant-bitrate
// stream), the private, mode extension, copyright or original bits are not decoded again.
#include "engine/stream/MpegFrameHeader.h"

#include <cstdint>

class InSyncHeaderCache {
public:
    // The header the four bytes hold, or null when they are none. Valid until the next call.
    const MpegFrameHeader* Decode(const uint8_t* bytes)
    {
        // The bytes as one word, first byte lowest, so a header in sync costs one load and one
        // compare.
        const uint32_t word = uint32_t { bytes[0] } | (uint32_t { bytes[1] } << 8) | (uint32_t { bytes[2] } << 16)
            | (uint32_t { bytes[3] } << 24);
        if ((word & kKeyMask) != key_ && !DecodeNew(word))
            return nullptr;
        const int padding = static_cast<int>((word >> 17) & 0x01);
        if (padding != header_.padding) {
            // A padded frame is one slot longer: 4 bytes in Layer I, 1 byte otherwise.
            const int slot = header_.layerIndex == 0 ? 4 : 1;
            header_.frameLength += (padding - header_.padding) * slot;
            header_.padding = padding;
        }
        return &header_;
    }

private:
    // The decode of a header unlike the last one; false when the word is none.
    bool DecodeNew(uint32_t word)
    {
        const uint8_t b[4] = { static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8),
            static_cast<uint8_t>(word >> 16), static_cast<uint8_t>(word >> 24) };
        const auto header = DecodeFrameHeader(b);
        if (!header)
            return false;
        key_ = word & kKeyMask;
        header_ = *header;
        return true;
    }

    // A header's bytes but for the bits that do not change what it decodes to. Before the first
    // header the key holds a bit the mask clears, so that no four bytes match it (zeros would match
    // a key of 0 and pass for a frame of no length, which a walk never gets past).
    static constexpr uint32_t kKeyMask = 0xC3FCFFFFu;
    static constexpr uint32_t kNoKey = ~kKeyMask & 0x00030000u;
    uint32_t key_ = kNoKey;
    MpegFrameHeader header_ {};
};
