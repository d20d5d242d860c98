#include "engine/stream/InfoFrameWriter.h"

#include "engine/stream/MpegFrameHeader.h"

#include <algorithm>
#include <cstring>
#include <lame/lame.h>

namespace {

// "Xing"/"Info", flags, frame count, byte count, seek table, quality.
constexpr size_t kAllFieldsLength = 4 + 4 + 4 + 4 + 100 + 4;

void PutBigEndian(uint8_t* at, uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i) {
        at[i] = static_cast<uint8_t>(value);
        value >>= 8;
    }
}

uint32_t Saturate32(uint64_t value) { return static_cast<uint32_t>(std::min<uint64_t>(value, UINT32_MAX)); }

} // namespace

std::array<uint8_t, 9> DefaultTagEncoder()
{
    std::array<uint8_t, 9> encoder {};
    const char* version = get_lame_very_short_version();
    const size_t length = version ? std::min(std::strlen(version), encoder.size()) : 0;
    std::memcpy(encoder.data(), version, length);
    return encoder;
}

std::vector<uint8_t> NewInfoFrame(
    std::span<const uint8_t> audioHeader, const std::optional<std::array<uint8_t, 9>>& encoder)
{
    if (audioHeader.size() < 4 || !IsFrameHeaderCandidate(audioHeader.data()))
        return {};
    const auto audio = DecodeFrameHeader(audioHeader.data());
    if (!audio)
        return {};
    const size_t needed = 4 + static_cast<size_t>(audio->sideInfoSize) + kAllFieldsLength + LameTag::kLength;

    // Byte 1 with the protection bit set (no CRC), byte 2 without padding; the rest as the audio's.
    std::array<uint8_t, 4> header = { 0xFF, static_cast<uint8_t>(audioHeader[1] | 0x01),
        static_cast<uint8_t>(audioHeader[2] & 0xFD), audioHeader[3] };
    auto lengthAt = [&](int bitrateIndex) {
        header[2] = static_cast<uint8_t>((header[2] & 0x0F) | (bitrateIndex << 4));
        const auto decoded = DecodeFrameHeader(header.data());
        return decoded ? static_cast<size_t>(decoded->frameLength) : 0;
    };
    int chosen = (audioHeader[2] >> 4) & 0x0F;
    if (lengthAt(chosen) < needed) {
        chosen = 0;
        for (int index = 1; index < 15 && chosen == 0; ++index)
            chosen = lengthAt(index) >= needed ? index : 0;
        if (chosen == 0)
            return {};
    }
    std::vector<uint8_t> frame(lengthAt(chosen), 0);
    std::copy(header.begin(), header.end(), frame.begin());

    uint8_t* fields = frame.data() + 4 + audio->sideInfoSize;
    std::memcpy(fields, "Info", 4);
    PutBigEndian(fields + 4, 0x0F, 4);
    if (encoder)
        AddLameTag(frame, *encoder);
    return frame;
}

bool AddLameTag(std::vector<uint8_t>& frame, const std::array<uint8_t, 9>& encoder)
{
    const auto layout = ParseInfoFrame(frame);
    if (!layout || layout->lameTag)
        return false;
    const size_t at = layout->fieldsEnd;
    if (at + LameTag::kLength > frame.size()
        || !std::all_of(frame.begin() + static_cast<std::ptrdiff_t>(at),
            frame.begin() + static_cast<std::ptrdiff_t>(at + LameTag::kLength), [](uint8_t b) { return b == 0; }))
        return false;
    std::copy(encoder.begin(), encoder.end(), frame.begin() + static_cast<std::ptrdiff_t>(at));
    frame[at + 9] = layout->isXing ? 0x00 : 0x01; // tag revision 0; VBR method unknown, or constant bitrate
    return true;
}

bool FillInfoFrame(std::vector<uint8_t>& frame, const InfoFrameValues& values)
{
    auto layout = ParseInfoFrame(frame);
    if (!layout)
        return false;
    uint8_t* bytes = frame.data();
    if (values.variableBitrate)
        std::memcpy(bytes + layout->kindOffset, *values.variableBitrate ? "Xing" : "Info", 4);
    if (layout->frameCountOffset)
        PutBigEndian(bytes + *layout->frameCountOffset, Saturate32(values.frameCount), 4);
    if (layout->byteCountOffset)
        PutBigEndian(bytes + *layout->byteCountOffset, Saturate32(values.byteCount), 4);
    if (layout->seekTableOffset)
        std::copy(values.seekTable.begin(), values.seekTable.end(), bytes + *layout->seekTableOffset);
    if (!layout->lameTag)
        return true;

    uint8_t* tag = bytes + layout->lameTag->offset;
    if (values.variableBitrate)
        tag[9] = static_cast<uint8_t>((tag[9] & 0xF0) | (*values.variableBitrate ? 0x00 : 0x01));
    const auto delay = static_cast<uint32_t>(std::clamp(values.encoderDelay, 0, 4095));
    const auto padding = static_cast<uint32_t>(std::clamp(values.encoderPadding, 0, 4095));
    PutBigEndian(tag + 21, (delay << 12) | padding, 3);
    PutBigEndian(tag + 28, Saturate32(values.byteCount), 4);
    PutBigEndian(tag + 32, values.musicCrc, 2);
    PutBigEndian(tag + 34, LameTagCrc(frame, layout->lameTag->offset), 2);
    return true;
}
