#include "engine/stream/MpegFrameHeader.h"

#include <array>
#include <cstring>

namespace {

// Rows: 0-2 MPEG-1 Layers I-III (ISO/IEC 11172-3), 3-5 MPEG-2/2.5 Layers I-III (ISO/IEC 13818-3).
// Columns: the bitrate index, byte 2 bits 7-4; index 0 is free format, index 15 is refused.
constexpr std::array<std::array<int, 15>, 6> kBitrates = { {
    { 0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448 },
    { 0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384 },
    { 0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320 },
    { 0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256 },
    { 0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160 },
    { 0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160 },
} };

// Indexed by version (byte 1 bits 4-3), then the sample-rate index (byte 2 bits 3-2).
constexpr std::array<std::array<int, 3>, 4> kSampleRates = { {
    { 11025, 12000, 8000 },
    { 0, 0, 0 },
    { 22050, 24000, 16000 },
    { 44100, 48000, 32000 },
} };

constexpr std::array<int, 6> kSamplesPerFrame = { 384, 1152, 1152, 384, 1152, 576 };
constexpr std::array<int, 6> kLengthCoefficient = { 12, 144, 144, 12, 144, 72 };
constexpr std::array<int, 3> kSlotSize = { 4, 1, 1 };
// Indexed by 2 x (not MPEG-1) + (mono).
constexpr std::array<int, 4> kSideInfoSize = { 32, 17, 17, 9 };

// The frame length without its padding slot, by version, layer index, bitrate index and
// sample-rate index: the walk decodes every header, and a division each time showed.
constexpr auto kUnpaddedSlots = [] {
    std::array<std::array<std::array<std::array<int, 3>, 15>, 3>, 4> slots {};
    for (int version = 0; version < 4; ++version)
        for (int layer = 0; layer < 3; ++layer)
            for (int bitrate = 0; bitrate < 15; ++bitrate)
                for (int rate = 0; rate < 3; ++rate) {
                    const int row = layer + 3 * (version != MpegVersion1 ? 1 : 0);
                    const int sampleRate = kSampleRates[version][rate];
                    if (sampleRate > 0)
                        slots[version][layer][bitrate][rate] = kLengthCoefficient[row] * kBitrates[row][bitrate] * 1000 / sampleRate;
                }
    return slots;
}();

} // namespace

bool IsFrameHeaderCandidate(const uint8_t* b)
{
    return b[0] == 0xFF && (b[1] & 0xE0) == 0xE0 && (b[1] & 0x18) != 0x08 && (b[1] & 0x06) != 0 && (b[2] & 0xF0) != 0xF0
        && (b[2] & 0x0C) != 0x0C;
}

bool ContinuesStream(const MpegFrameHeader& frame, const uint8_t* next)
{
    uint8_t b[4];
    std::memcpy(b, next, sizeof b);
    const auto header = DecodeFrameHeader(b);
    return header && header->version == frame.version && header->layerIndex == frame.layerIndex
        && header->sampleRate == frame.sampleRate;
}

std::optional<MpegFrameHeader> DecodeFrameHeader(const uint8_t* bytes)
{
    // Each byte is read once and checked again here: the bytes may be a mapped file that another
    // program writes to meanwhile, and the tables below must only be indexed by checked fields.
    uint8_t b[4];
    std::memcpy(b, bytes, sizeof b);
    if (!IsFrameHeaderCandidate(b))
        return std::nullopt;
    MpegFrameHeader header;
    header.version = (b[1] >> 3) & 0x03;
    header.layerIndex = 3 - ((b[1] >> 1) & 0x03);
    const int notMpeg1 = header.version != MpegVersion1 ? 1 : 0;
    const int row = header.layerIndex + 3 * notMpeg1;
    const int bitrateIndex = (b[2] >> 4) & 0x0F;
    header.bitrate = kBitrates[row][bitrateIndex];
    const int rateIndex = (b[2] >> 2) & 0x03;
    header.sampleRate = kSampleRates[header.version][rateIndex];
    header.padding = (b[2] >> 1) & 0x01;
    header.channelMode = (b[3] >> 6) & 0x03;
    if (header.bitrate == 0)
        return std::nullopt;
    header.frameLength = (kUnpaddedSlots[header.version][header.layerIndex][bitrateIndex][rateIndex] + header.padding)
        * kSlotSize[header.layerIndex];
    header.samplesPerFrame = kSamplesPerFrame[row];
    header.sideInfoSize = kSideInfoSize[2 * notMpeg1 + (header.channelMode == 3 ? 1 : 0)];
    return header;
}

std::optional<FoundFrame> FindNextFrame(std::span<const uint8_t> data, size_t start)
{
    if (data.size() < 4)
        return std::nullopt;
    const size_t lastCandidate = data.size() - 4;
    for (size_t p = start; p <= lastCandidate; ++p) {
        if (data[p] != 0xFF || !IsFrameHeaderCandidate(&data[p]))
            continue;
        const auto header = DecodeFrameHeader(&data[p]);
        if (!header)
            return std::nullopt;
        return FoundFrame { p, *header };
    }
    return std::nullopt;
}
