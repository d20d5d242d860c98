#include "engine/stream/InfoFrame.h"

#include "engine/stream/Crc16.h"
#include "engine/stream/MpegFrameHeader.h"

#include <algorithm>
#include <cstring>

namespace {

uint32_t ReadBigEndian(const uint8_t* at, int bytes)
{
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = (value << 8) | at[i];
    return value;
}

bool NamesKnownEncoder(const uint8_t* encoder)
{
    return std::memcmp(encoder, "LAME", 4) == 0 || std::memcmp(encoder, "Lavf", 4) == 0
        || std::memcmp(encoder, "Lavc", 4) == 0;
}

} // namespace

uint16_t LameTagCrc(std::span<const uint8_t> frame, size_t tagOffset)
{
    const size_t covered = std::min(frame.size(), tagOffset + LameTag::kLength - 2);
    return Crc16Update(0, frame.first(covered));
}

std::optional<InfoFrameLayout> ParseInfoFrame(std::span<const uint8_t> frame)
{
    if (frame.size() < 4 || !IsFrameHeaderCandidate(frame.data()))
        return std::nullopt;
    const auto header = DecodeFrameHeader(frame.data());
    if (!header)
        return std::nullopt;
    // Only the frame's own bytes count, however long the buffer is.
    frame = frame.first(std::min(frame.size(), static_cast<size_t>(header->frameLength)));

    InfoFrameLayout layout;
    layout.kindOffset = 4 + static_cast<size_t>(header->sideInfoSize);
    if (layout.kindOffset + 8 > frame.size())
        return std::nullopt;
    const uint8_t* kind = frame.data() + layout.kindOffset;
    if (std::memcmp(kind, "Xing", 4) != 0 && std::memcmp(kind, "Info", 4) != 0)
        return std::nullopt;
    layout.isXing = kind[0] == 'X';
    layout.flags = ReadBigEndian(kind + 4, 4);

    // The announced fields in their order; a frame too short for all of them has none of them, so
    // nothing is read or written past its end.
    size_t at = layout.kindOffset + 8;
    const size_t fieldsEnd = at + ((layout.flags & 1) ? 4 : 0) + ((layout.flags & 2) ? 4 : 0)
        + ((layout.flags & 4) ? 100 : 0) + ((layout.flags & 8) ? 4 : 0);
    if (fieldsEnd > frame.size()) {
        layout.fieldsEnd = fieldsEnd;
        return layout;
    }
    auto take = [&](uint32_t flag, size_t length, std::optional<size_t>& offset) {
        if (layout.flags & flag) {
            offset = at;
            at += length;
        }
    };
    take(1, 4, layout.frameCountOffset);
    take(2, 4, layout.byteCountOffset);
    take(4, 100, layout.seekTableOffset);
    take(8, 4, layout.qualityOffset);
    if (layout.frameCountOffset)
        layout.frameCount = ReadBigEndian(frame.data() + *layout.frameCountOffset, 4);
    if (layout.byteCountOffset)
        layout.byteCount = ReadBigEndian(frame.data() + *layout.byteCountOffset, 4);
    layout.fieldsEnd = at;
    if (at + LameTag::kLength > frame.size())
        return layout;

    LameTag tag;
    tag.offset = at;
    const uint8_t* bytes = frame.data() + at;
    std::copy(bytes, bytes + tag.encoder.size(), tag.encoder.begin());
    const uint32_t delays = ReadBigEndian(bytes + 21, 3);
    tag.encoderDelay = static_cast<int>(delays >> 12);
    tag.encoderPadding = static_cast<int>(delays & 0xFFF);
    tag.musicLength = ReadBigEndian(bytes + 28, 4);
    tag.musicCrc = static_cast<uint16_t>(ReadBigEndian(bytes + 32, 2));
    tag.tagCrc = static_cast<uint16_t>(ReadBigEndian(bytes + 34, 2));
    tag.tagCrcOk = LameTagCrc(frame, at) == tag.tagCrc;
    if (tag.tagCrcOk || NamesKnownEncoder(bytes))
        layout.lameTag = tag;
    return layout;
}

std::optional<VbriLayout> ParseVbriFrame(std::span<const uint8_t> frame)
{
    constexpr size_t kCountsEnd = kVbriOffset + 18;
    if (frame.size() < kCountsEnd || std::memcmp(frame.data() + kVbriOffset, "VBRI", 4) != 0)
        return std::nullopt;
    auto bigEndian = [&](size_t at) {
        return uint32_t { frame[at] } << 24 | uint32_t { frame[at + 1] } << 16 | uint32_t { frame[at + 2] } << 8
            | uint32_t { frame[at + 3] };
    };
    return VbriLayout { bigEndian(kVbriOffset + 10), bigEndian(kVbriOffset + 14) };
}
