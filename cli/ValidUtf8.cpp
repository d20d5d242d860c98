#include "cli/ValidUtf8.h"

namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// The length of the sequence a lead byte starts and the range its second byte must lie in; 0 for
// a byte that starts no sequence.
int SequenceLength(unsigned char lead, unsigned char& low, unsigned char& high)
{
    low = 0x80;
    high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (lead == 0xE0)
            low = 0xA0; // no overlong forms
        if (lead == 0xED)
            high = 0x9F; // no surrogates
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F; // nothing past U+10FFFF
        return 4;
    }
    return 0;
}

} // namespace

std::string ValidUtf8(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out += text[i++];
            continue;
        }
        unsigned char low = 0, high = 0;
        const int length = SequenceLength(lead, low, high);
        size_t end = i + 1;
        for (int k = 1; k < length && end < text.size(); ++k, ++end) {
            const auto next = static_cast<unsigned char>(text[end]);
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
                break;
        }
        if (length > 0 && end == i + static_cast<size_t>(length))
            out.append(text, i, static_cast<size_t>(length));
        else
            out += kReplacement; // the valid beginning of a broken sequence is dropped with it
        i = end;
    }
    return out;
}
