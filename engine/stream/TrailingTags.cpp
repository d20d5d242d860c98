#include "engine/stream/TrailingTags.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

constexpr size_t kID3v1Length = 128;
constexpr size_t kApeFooterLength = 32;
constexpr uint32_t kApeHasHeader = 0x80000000u;
constexpr std::string_view kLyricsBegin = "LYRICSBEGIN";
constexpr std::string_view kLyrics2End = "LYRICS200";
constexpr std::string_view kLyrics1End = "LYRICSEND";
constexpr size_t kLyrics1MaxLength = 5100 + 11 + 9; // the text is at most 5100 bytes

bool BytesAre(const ReadWindow& file, size_t position, std::string_view text)
{
    const auto bytes = file.Read(position, text.size());
    return bytes.size() == text.size() && std::memcmp(bytes.data(), text.data(), text.size()) == 0;
}

uint32_t LittleEndian32(std::span<const uint8_t> b)
{
    return uint32_t { b[0] } | uint32_t { b[1] } << 8 | uint32_t { b[2] } << 16 | uint32_t { b[3] } << 24;
}

// The start of an APE tag whose footer ends at end, or end when there is none.
size_t ApeTagStart(const ReadWindow& file, size_t audioStart, size_t end)
{
    if (end < audioStart + kApeFooterLength || !BytesAre(file, end - kApeFooterLength, "APETAGEX"))
        return end;
    const auto footer = file.Read(end - kApeFooterLength, kApeFooterLength);
    if (footer.size() != kApeFooterLength)
        return end;
    // The stored size counts the items and the footer; a header, when flagged, comes before them.
    uint64_t length = LittleEndian32(footer.subspan(12, 4));
    if (LittleEndian32(footer.subspan(20, 4)) & kApeHasHeader)
        length += kApeFooterLength;
    if (length < kApeFooterLength || length > end - audioStart)
        return end;
    return end - static_cast<size_t>(length);
}

// The start of a Lyrics3 block that ends at end, or end when there is none.
size_t LyricsStart(const ReadWindow& file, size_t audioStart, size_t end)
{
    if (end >= audioStart + kLyrics2End.size() + 6 && BytesAre(file, end - kLyrics2End.size(), kLyrics2End)) {
        // Version 2: six decimal digits give the length of everything from "LYRICSBEGIN" on,
        // before the digits.
        const auto digits = file.Read(end - kLyrics2End.size() - 6, 6);
        if (digits.size() != 6 || !std::all_of(digits.begin(), digits.end(), [](uint8_t c) { return c >= '0' && c <= '9'; }))
            return end;
        size_t length = 0;
        for (const uint8_t c : digits)
            length = length * 10 + (c - '0');
        length += 6 + kLyrics2End.size();
        if (length > end - audioStart || !BytesAre(file, end - length, kLyricsBegin))
            return end;
        return end - length;
    }
    if (end >= audioStart + kLyrics1End.size() && BytesAre(file, end - kLyrics1End.size(), kLyrics1End)) {
        // Version 1 stores no length: the block starts at the last "LYRICSBEGIN" within reach.
        const size_t from = std::max(audioStart, end > kLyrics1MaxLength ? end - kLyrics1MaxLength : 0);
        const auto bytes = file.Read(from, end - from);
        const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        const size_t at = text.rfind(kLyricsBegin);
        if (at == std::string_view::npos)
            return end;
        return from + at;
    }
    return end;
}

} // namespace

size_t AudioEndBeforeTrailingTags(const ReadWindow& file, size_t audioStart)
{
    size_t end = static_cast<size_t>(file.Size());
    if (end >= audioStart + kID3v1Length && BytesAre(file, end - kID3v1Length, "TAG"))
        end -= kID3v1Length;
    // An APE tag and a Lyrics3 block may both be there, in either order.
    for (int i = 0; i < 2; ++i) {
        size_t start = ApeTagStart(file, audioStart, end);
        if (start == end)
            start = LyricsStart(file, audioStart, end);
        if (start == end)
            break;
        end = start;
    }
    return end;
}
