#pragma once
// File names on Linux are bytes; JSON text must be UTF-8.
#include <string>

// The text with every byte sequence that is not well-formed UTF-8 (stray continuation bytes,
// overlong forms, surrogates, code points past U+10FFFF, sequences cut short) replaced by U+FFFD,
// one replacement for each maximal ill-formed part.
std::string ValidUtf8(const std::string& text);
