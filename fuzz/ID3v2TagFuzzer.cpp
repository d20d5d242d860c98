// Reading arbitrary ID3v2 tags with TagLib (v2.2 to v2.4, with or without unsynchronisation and
// extended headers), rendering them again with a piece's values, and reading that back.
#include "engine/stream/ID3TagText.h"
#include "engine/stream/Latin1Text.h"
#include "engine/stream/SourceID3v2Tag.h"
#include "fuzz/FuzzSupport.h"

#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    // "ID3", a version 2-4 and flags from the input, and a synchsafe size that fits the bytes
    // given, as the source file hands over only blocks that it found whole.
    std::vector<uint8_t> block(10);
    std::memcpy(block.data(), "ID3", 3);
    block[3] = static_cast<uint8_t>(2 + data[0] % 3);
    block[4] = 0;
    block[5] = data[1];
    const size_t body = size - 2;
    for (int i = 0; i < 4; ++i)
        block[6 + i] = static_cast<uint8_t>((body >> (21 - 7 * i)) & 0x7F);
    block.insert(block.end(), data + 2, data + size);
    if (body >= (size_t { 1 } << 28))
        return 0;

    SourceID3v2Tag tag;
    if (!tag.Parse(block))
        return 0;
    ID3TagInfo record;
    record.genre = 255;
    Require(tag.ReadInto(record), "a parsed tag that gives no fields");
    Require(strnlen(record.title, 32) <= 30 && strnlen(record.year, 5) <= 4 && strnlen(record.comment, 32) <= 30,
        "a Latin-1 field past its limit");
    Require(Latin1FromUtf8(TagText(record, TagField::Title), 30) == record.title,
        "a Latin-1 field that is not the cut of its text");
    SetTagText(record, TagField::Title, "Piece \xC3\xA9 \xE6\x9D\xB1");
    record.hasTrack = 1;
    record.track = 3;
    const std::vector<uint8_t> rendered = tag.RenderFor(record);
    Require(rendered.size() >= 10 && std::memcmp(rendered.data(), "ID3", 3) == 0, "a rendered tag without a header");
    SourceID3v2Tag again;
    Require(again.Parse(rendered), "a rendered tag that does not read back");
    ID3TagInfo back;
    again.ReadInto(back);
    Require(TagText(back, TagField::Title) == "Piece \xC3\xA9 \xE6\x9D\xB1" && back.track == 3,
        "a rendered tag that lost the piece's values");
    return 0;
}
