// Parsing an information frame, filling its fields with new values and parsing it again: the frame
// keeps its size, the values read back (counts saturated, delay and padding held to 12 bits) and a
// LAME tag's CRC verifies. New frames built from the first four bytes parse as information frames.
#include "engine/stream/InfoFrame.h"
#include "engine/stream/InfoFrameWriter.h"
#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

uint32_t ReadU32(const uint8_t* p)
{
    return uint32_t { p[0] } << 24 | uint32_t { p[1] } << 16 | uint32_t { p[2] } << 8 | p[3];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Twelve control bytes choose the new values; the rest is the frame.
    if (size < 12)
        return 0;
    InfoFrameValues values;
    values.frameCount = uint64_t { ReadU32(data) } << (data[8] & 0x07);
    values.byteCount = uint64_t { ReadU32(data + 4) } << (data[8] >> 5);
    values.encoderDelay = (data[9] << 8 | data[10]) - 0x1000;
    values.encoderPadding = (data[10] << 8 | data[11]) - 0x1000;
    values.musicCrc = static_cast<uint16_t>(data[9] << 8 | data[11]);
    if (data[8] & 0x08)
        values.variableBitrate = (data[8] & 0x10) != 0;
    for (size_t i = 0; i < values.seekTable.size(); ++i)
        values.seekTable[i] = static_cast<uint8_t>(i * 2);
    const std::vector<uint8_t> original(data + 12, data + size);

    std::vector<uint8_t> frame = original;
    const auto before = ParseInfoFrame(frame);
    const bool filled = FillInfoFrame(frame, values);
    Require(filled == before.has_value(), "filled a frame that does not parse, or refused one that does");
    Require(frame.size() == original.size(), "filling changed the frame's size");
    if (filled) {
        const auto after = ParseInfoFrame(frame);
        Require(after.has_value(), "a filled frame no longer parses");
        const uint32_t saturated = static_cast<uint32_t>(std::min<uint64_t>(values.frameCount, UINT32_MAX));
        Require(!after->frameCount || *after->frameCount == saturated, "the frame count does not read back");
        if (before->lameTag) {
            Require(after->lameTag.has_value(), "the LAME tag was lost");
            Require(after->lameTag->tagCrcOk, "the rewritten LAME tag's CRC does not verify");
            Require(after->lameTag->encoderDelay == std::clamp(values.encoderDelay, 0, 4095)
                    && after->lameTag->encoderPadding == std::clamp(values.encoderPadding, 0, 4095),
                "delay or padding does not read back within 12 bits");
        }
    }

    for (const bool tagged : { false, true }) {
        const auto made = NewInfoFrame(std::span(original).first(std::min<size_t>(4, original.size())),
            tagged ? std::optional(DefaultTagEncoder()) : std::nullopt);
        if (made.empty())
            continue;
        const auto layout = ParseInfoFrame(made);
        Require(layout.has_value(), "a new information frame does not parse");
        Require(layout->lameTag.has_value() == tagged, "a new frame's LAME tag is missing or unasked for");
    }
    return 0;
}
