#include "tests/support/Mp3Layout.h"

#include "engine/stream/MpegFrameHeader.h"

#include <cstring>

namespace {

uint32_t BigEndian(const Bytes& bytes, size_t at, int length)
{
    uint32_t value = 0;
    for (int i = 0; i < length; ++i)
        value = (value << 8) | bytes[at + static_cast<size_t>(i)];
    return value;
}

void ReadInfoFields(Mp3Layout& layout, size_t kindAt)
{
    const Bytes& frame = layout.infoFrame;
    layout.xing = frame[kindAt] == 'X';
    const uint32_t flags = BigEndian(frame, kindAt + 4, 4);
    size_t at = kindAt + 8;
    if (flags & 1) {
        layout.frameCount = BigEndian(frame, at, 4);
        at += 4;
    }
    if (flags & 2) {
        layout.byteCount = BigEndian(frame, at, 4);
        at += 4;
    }
    if (flags & 4) {
        std::array<uint8_t, 100> table {};
        std::memcpy(table.data(), &frame[at], table.size());
        layout.seekTable = table;
        at += 100;
    }
    if (flags & 8)
        at += 4;
    if (at + 36 > frame.size() || std::memcmp(&frame[at], "LAME", 4) != 0)
        return;
    LameFields lame;
    lame.offset = at;
    const uint32_t delays = BigEndian(frame, at + 21, 3);
    lame.delay = static_cast<int>(delays >> 12);
    lame.padding = static_cast<int>(delays & 0xFFF);
    lame.musicLength = BigEndian(frame, at + 28, 4);
    lame.musicCrc = static_cast<uint16_t>(BigEndian(frame, at + 32, 2));
    lame.tagCrc = static_cast<uint16_t>(BigEndian(frame, at + 34, 2));
    layout.lame = lame;
}

} // namespace

Mp3Layout ReadMp3Layout(const Bytes& file)
{
    Mp3Layout layout;
    size_t at = 0;
    if (file.size() >= 10 && std::memcmp(file.data(), "ID3", 3) == 0)
        at = 10 + (size_t { file[6] } << 21) + (size_t { file[7] } << 14) + (size_t { file[8] } << 7) + file[9];
    layout.id3v2Length = at;
    layout.hasID3v1 = file.size() >= 128 && std::memcmp(&file[file.size() - 128], "TAG", 3) == 0;
    const size_t end = layout.hasID3v1 ? file.size() - 128 : file.size();
    bool first = true;
    while (at + 4 <= end) {
        const auto header = IsFrameHeaderCandidate(&file[at]) ? DecodeFrameHeader(&file[at]) : std::nullopt;
        if (!header || at + static_cast<size_t>(header->frameLength) > end) {
            ++at;
            continue;
        }
        Bytes frame(file.begin() + static_cast<std::ptrdiff_t>(at),
            file.begin() + static_cast<std::ptrdiff_t>(at + static_cast<size_t>(header->frameLength)));
        const size_t kindAt = 4 + static_cast<size_t>(header->sideInfoSize);
        if (first && kindAt + 8 <= frame.size()
            && (std::memcmp(&frame[kindAt], "Xing", 4) == 0 || std::memcmp(&frame[kindAt], "Info", 4) == 0)) {
            layout.infoFrame = frame;
            ReadInfoFields(layout, kindAt);
        } else {
            layout.frames.push_back(frame);
        }
        first = false;
        at += frame.size();
    }
    return layout;
}

uint16_t BitwiseCrc16(const uint8_t* data, size_t length, uint16_t crc)
{
    for (size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : static_cast<uint16_t>(crc >> 1);
    }
    return crc;
}

bool LameCrcsHold(const Mp3Layout& layout)
{
    if (!layout.lame)
        return false;
    uint16_t music = 0;
    for (const Bytes& frame : layout.frames)
        music = BitwiseCrc16(frame.data(), frame.size(), music);
    const uint16_t tag = BitwiseCrc16(layout.infoFrame.data(), layout.lame->offset + 34);
    return music == layout.lame->musicCrc && tag == layout.lame->tagCrc;
}

std::array<uint8_t, 100> ExpectedSeekTable(const std::vector<Bytes>& frames, size_t infoLength)
{
    std::vector<uint64_t> offsets;
    uint64_t offset = infoLength;
    for (const Bytes& frame : frames) {
        offsets.push_back(offset);
        offset += frame.size();
    }
    std::array<uint8_t, 100> table {};
    if (frames.empty())
        return table;
    for (size_t i = 0; i < table.size(); ++i) {
        const uint64_t value = offsets[i * frames.size() / 100] * 256 / offset;
        table[i] = static_cast<uint8_t>(value > 255 ? 255 : value);
    }
    return table;
}

Bytes JoinFrames(const std::vector<Bytes>& frames, size_t first, size_t count)
{
    Bytes all;
    for (size_t i = first; i < frames.size() && i - first < count; ++i)
        Append(all, frames[i]);
    return all;
}
