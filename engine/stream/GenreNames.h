#pragma once
// The ID3v1 genre list (0-79) and its widely used extensions (80-147), indexed by the genre byte.
#include <array>
#include <string>

extern const std::array<const char*, 148> GenreNames;

// The name for 0-147, the empty text for any other index.
std::string GenreName(int index);
