#include "engine/stream/Latin1Text.h"

#include <cstdint>

std::string Utf8FromLatin1(std::string_view latin1)
{
    std::string out;
    out.reserve(latin1.size());
    for (const unsigned char c : latin1) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string Latin1FromUtf8(std::string_view utf8, size_t maxCharacters)
{
    std::string out;
    size_t i = 0;
    while (i < utf8.size() && out.size() < maxCharacters) {
        const auto lead = static_cast<uint8_t>(utf8[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        // The length of the sequence the lead byte announces, and its smallest code point.
        const size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 0;
        uint32_t code = length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        size_t taken = 1;
        while (length > 0 && taken < length && i + taken < utf8.size()
            && (static_cast<uint8_t>(utf8[i + taken]) & 0xC0) == 0x80) {
            code = (code << 6) | (static_cast<uint8_t>(utf8[i + taken]) & 0x3F);
            ++taken;
        }
        const uint32_t smallest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        const bool wellFormed
            = length > 0 && taken == length && code >= smallest && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
        out += wellFormed && code <= 0xFF ? static_cast<char>(code) : '?';
        i += wellFormed ? length : 1;
    }
    return out;
}
