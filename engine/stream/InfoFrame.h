#pragma once
// The layout of a VBR information frame, parsed from its bytes. After the frame's header and side
// information come "Xing" (variable bitrate) or "Info" (constant bitrate) and a big-endian flags
// word announcing the fields that follow, in this order:
//   flag 1: frame count (4 bytes), flag 2: byte count (4), flag 4: seek table (100), flag 8: quality (4).
// A LAME tag may follow those fields (36 bytes):
//    0-8  encoder version ("LAME3.100")        21-23  encoder delay (12 bits), padding (12 bits)
//    9    tag revision, VBR method             24     misc,  25 MP3 gain,  26-27 preset, surround
//    10   lowpass                               28-31  music length: the byte count
//    11-18 replay gain (peak, radio, audiophile) 32-33 music CRC over the frames after this one
//    19   encoding flags, ATH type             34-35  CRC of every byte of the frame before it
//    20   bitrate
// Every offset here lies inside the frame: a field the frame is too short for is absent.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

struct LameTag {
    static constexpr size_t kLength = 36;
    static constexpr int kDecoderDelay = 529; // samples every decoder adds, trimmed with the delay

    size_t offset = 0; // of the tag's first byte, from the start of the frame
    std::array<uint8_t, 9> encoder {};
    int encoderDelay = 0; // samples at the start that are not music
    int encoderPadding = 0; // samples at the end that are not music
    uint32_t musicLength = 0;
    uint16_t musicCrc = 0;
    uint16_t tagCrc = 0; // as stored
    bool tagCrcOk = false; // the stored CRC matches the frame's bytes
};

struct InfoFrameLayout {
    size_t kindOffset = 0; // "Xing" or "Info"
    bool isXing = false;
    uint32_t flags = 0;
    std::optional<size_t> frameCountOffset, byteCountOffset, seekTableOffset, qualityOffset;
    std::optional<uint32_t> frameCount, byteCount;
    size_t fieldsEnd = 0; // the byte after the last announced field: where a LAME tag begins
    std::optional<LameTag> lameTag;
};

// A VBRI frame: "VBRI" 32 bytes after the header, then a big-endian version, delay and quality (16
// bits each), byte count and frame count (32 bits each) and its seek table.
constexpr size_t kVbriOffset = 36;
struct VbriLayout {
    uint32_t byteCount = 0;
    uint32_t frameCount = 0;
};
// None unless "VBRI" and the counts lie inside the frame.
std::optional<VbriLayout> ParseVbriFrame(std::span<const uint8_t> frame);

// None unless frame begins with a frame header whose "Xing"/"Info" lies inside it. A LAME tag is
// taken when it fits and either its CRC matches or it names an encoder whose tags decoders read
// ("LAME", "Lavf", "Lavc"), so a tag with a stale CRC is still recognised and can be mended.
std::optional<InfoFrameLayout> ParseInfoFrame(std::span<const uint8_t> frame);
// The CRC a LAME tag at tagOffset must store: over the frame's bytes before the CRC field.
uint16_t LameTagCrc(std::span<const uint8_t> frame, size_t tagOffset);
