#pragma once
// Conversions between the UTF-8 text of ID3v2 tags and the Latin-1 bytes of ID3v1 tags.
#include <cstddef>
#include <string>
#include <string_view>

// Each byte as the character of the same number.
std::string Utf8FromLatin1(std::string_view latin1);
// The first maxCharacters characters of a UTF-8 text as Latin-1 bytes; a character outside
// Latin-1 becomes '?', and so does each byte that is not part of well-formed UTF-8.
std::string Latin1FromUtf8(std::string_view utf8, size_t maxCharacters = std::string::npos);
