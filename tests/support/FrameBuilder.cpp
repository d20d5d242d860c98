#include "tests/support/FrameBuilder.h"

#include "engine/stream/MpegFrameHeader.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

Bytes FrameHeaderBytes(const FrameSpec& shape)
{
    const uint8_t layerBits = static_cast<uint8_t>(4 - shape.layer); // Layer III = 1, II = 2, I = 3
    return { 0xFF, static_cast<uint8_t>(0xE0 | (shape.version << 3) | (layerBits << 1) | 0x01),
        static_cast<uint8_t>((shape.bitrateIndex << 4) | (shape.sampleRateIndex << 2) | (shape.padding << 1)),
        static_cast<uint8_t>(shape.channelMode << 6) };
}

int FrameLengthOf(const FrameSpec& shape)
{
    const Bytes header = FrameHeaderBytes(shape);
    const auto decoded = DecodeFrameHeader(header.data());
    if (!decoded)
        throw std::logic_error("free-format frames have no length");
    return decoded->frameLength;
}

Bytes Frame(const FrameSpec& shape, uint8_t filler)
{
    Bytes frame = FrameHeaderBytes(shape);
    frame.resize(static_cast<size_t>(FrameLengthOf(shape)), filler);
    return frame;
}

Bytes Frames(const FrameSpec& shape, int count, bool marked)
{
    Bytes all;
    for (int i = 0; i < count; ++i) {
        Bytes frame = Frame(shape);
        if (marked)
            frame.back() = static_cast<uint8_t>(i & 0x7F); // below 0xFF: never a sync byte
        Append(all, frame);
    }
    return all;
}

static void PutBigEndian(Bytes& bytes, size_t at, uint32_t value)
{
    bytes[at] = static_cast<uint8_t>(value >> 24);
    bytes[at + 1] = static_cast<uint8_t>(value >> 16);
    bytes[at + 2] = static_cast<uint8_t>(value >> 8);
    bytes[at + 3] = static_cast<uint8_t>(value);
}

Bytes InfoFrame(const FrameSpec& shape, const char* kind, uint32_t flags, uint32_t frameCount, uint32_t byteCount)
{
    Bytes frame = Frame(shape, 0x00);
    const Bytes header = FrameHeaderBytes(shape);
    const size_t tag = 4 + static_cast<size_t>(DecodeFrameHeader(header.data())->sideInfoSize);
    std::memcpy(&frame[tag], kind, 4);
    PutBigEndian(frame, tag + 4, flags);
    size_t field = tag + 8;
    if (flags & 0x1) {
        PutBigEndian(frame, field, frameCount);
        field += 4;
    }
    if (flags & 0x2)
        PutBigEndian(frame, field, byteCount);
    return frame;
}

Bytes VbriFrame(const FrameSpec& shape, uint32_t frameCount, uint32_t byteCount)
{
    Bytes frame = Frame(shape, 0x00);
    std::memcpy(&frame[36], "VBRI", 4);
    frame[41] = 1; // version 1
    frame[43] = 0x40; // delay, quality: as an encoder of that family writes them
    frame[45] = 75;
    PutBigEndian(frame, 46, byteCount);
    PutBigEndian(frame, 50, frameCount);
    return frame;
}

Bytes ID3v2Block(uint32_t size)
{
    Bytes block = { 'I', 'D', '3', 3, 0, 0, static_cast<uint8_t>((size >> 21) & 0x7F),
        static_cast<uint8_t>((size >> 14) & 0x7F), static_cast<uint8_t>((size >> 7) & 0x7F),
        static_cast<uint8_t>(size & 0x7F) };
    block.resize(10 + size, 0);
    return block;
}

Bytes ID3v1(const std::string& title, const std::string& artist, int track, int genre)
{
    Bytes block(128, 0);
    std::memcpy(block.data(), "TAG", 3);
    std::memcpy(&block[3], title.data(), std::min<size_t>(title.size(), 30));
    std::memcpy(&block[33], artist.data(), std::min<size_t>(artist.size(), 30));
    if (track > 0)
        block[126] = static_cast<uint8_t>(track);
    block[127] = static_cast<uint8_t>(genre);
    return block;
}

void Append(Bytes& to, const Bytes& from) { to.insert(to.end(), from.begin(), from.end()); }

void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes FreeFormatCopy(const Bytes& frames)
{
    Bytes copy = frames;
    size_t at = 0;
    while (at + 4 <= copy.size()) {
        const auto header = DecodeFrameHeader(&copy[at]);
        if (!header)
            throw std::logic_error("not a stream of frames");
        copy[at + 2] &= 0x0F;
        at += static_cast<size_t>(header->frameLength);
    }
    return copy;
}
