#include "engine/cue/CueSheetText.h"

#include <cstdint>

namespace {

void AppendUtf8(std::string& out, uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Decodes one well-formed UTF-8 sequence at text[i]; its length, or 0 when it is ill-formed.
size_t DecodeUtf8(std::string_view text, size_t i, uint32_t& code)
{
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
    const uint8_t lead = byte(i);
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    size_t length = 0;
    uint32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - i < length)
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian)
{
    std::string out;
    const auto unit = [&](size_t k) -> uint32_t {
        const auto hi = static_cast<uint8_t>(bytes[bigEndian ? k : k + 1]);
        const auto lo = static_cast<uint8_t>(bytes[bigEndian ? k + 1 : k]);
        return (static_cast<uint32_t>(hi) << 8) | lo;
    };
    for (size_t k = 0; k + 1 < bytes.size(); k += 2) {
        uint32_t code = unit(k);
        if (code >= 0xD800 && code <= 0xDBFF && k + 3 < bytes.size()) {
            const uint32_t low = unit(k + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                k += 2;
            } else {
                code = 0xFFFD;
            }
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD; // a lone surrogate
        }
        AppendUtf8(out, code);
    }
    return out;
}

// Code page 1252 at 0x80-0x9F; its five unassigned bytes keep their Latin-1 meaning.
constexpr uint16_t kWindows1252High[32] = { 0x20AC, 0x81, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6,
    0x2030, 0x0160, 0x2039, 0x0152, 0x8D, 0x017D, 0x8F, 0x90, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D, 0x017E, 0x0178 };

} // namespace

bool IsWellFormedUtf8(std::string_view bytes)
{
    uint32_t code = 0;
    for (size_t i = 0; i < bytes.size();) {
        const size_t length = DecodeUtf8(bytes, i, code);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::string CueSheetTextToUtf8(std::string_view bytes)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    else if (bytes.substr(0, 2) == "\xFF\xFE")
        return Utf16ToUtf8(bytes.substr(2), false);
    else if (bytes.substr(0, 2) == "\xFE\xFF")
        return Utf16ToUtf8(bytes.substr(2), true);
    if (IsWellFormedUtf8(bytes))
        return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const char c : bytes) {
        const auto byte = static_cast<uint8_t>(c);
        AppendUtf8(out, byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte);
    }
    return out;
}

std::string Utf8ToLatin1(std::string_view text)
{
    std::string out;
    uint32_t code = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t length = DecodeUtf8(text, i, code);
        if (length == 0) {
            out += '?';
            ++i;
            continue;
        }
        out += code < 0x100 ? static_cast<char>(code) : '?';
        i += length;
    }
    return out;
}
