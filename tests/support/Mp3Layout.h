#pragma once
// Reads the layout of an MP3 file written by the engine, independently of the engine's own
// writers: the ID3v2 block, an information frame with its LAME tag fields, the audio frames and
// an ID3v1 block; and what those fields must hold for a given stream of frames.
#include "tests/support/FrameBuilder.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

struct LameFields {
    int delay = 0;
    int padding = 0;
    uint32_t musicLength = 0;
    uint16_t musicCrc = 0;
    uint16_t tagCrc = 0;
    size_t offset = 0; // in the information frame
};

struct Mp3Layout {
    size_t id3v2Length = 0;
    Bytes infoFrame; // empty without one
    bool xing = false;
    std::optional<uint32_t> frameCount, byteCount;
    std::optional<std::array<uint8_t, 100>> seekTable;
    std::optional<LameFields> lame; // a tag naming "LAME"
    std::vector<Bytes> frames; // the audio frames, in order
    bool hasID3v1 = false;
};

Mp3Layout ReadMp3Layout(const Bytes& file);
// CRC-16, polynomial 0x8005 reflected, bit by bit.
uint16_t BitwiseCrc16(const uint8_t* data, size_t length, uint16_t crc = 0);
// Whether the tag CRC (over the frame's bytes before it) and the music CRC (over the audio
// frames) hold.
bool LameCrcsHold(const Mp3Layout& layout);
// The seek table for frames after an information frame of infoLength bytes: entry i is the offset
// of frame i × count / 100 in 256ths of the byte count.
std::array<uint8_t, 100> ExpectedSeekTable(const std::vector<Bytes>& frames, size_t infoLength);
Bytes JoinFrames(const std::vector<Bytes>& frames, size_t first = 0, size_t count = SIZE_MAX);
