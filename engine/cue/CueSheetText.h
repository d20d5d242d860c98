#pragma once
// The text of a CUE sheet as UTF-8. Sheets come in UTF-8 (with or without a byte-order mark),
// UTF-16 with a byte-order mark, or a single-byte code page; bytes that are not well-formed UTF-8
// are read as Latin-1, with 0x80-0x9F as Windows code page 1252 has them (curly quotes, dashes, the
// euro sign): Latin-1's control characters there never occur in a sheet, 1252's letters often do.
#include <string>
#include <string_view>

std::string CueSheetTextToUtf8(std::string_view bytes);
// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or code points past U+10FFFF).
bool IsWellFormedUtf8(std::string_view bytes);
// UTF-8 text as Latin-1 bytes, for ID3v1 fields: characters outside Latin-1 become '?'.
std::string Utf8ToLatin1(std::string_view text);
