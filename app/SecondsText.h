#pragma once
// Times on the options page are shown and typed as seconds with one decimal and kept as whole
// tenths of a second.
#include <optional>
#include <string>

// 12 tenths -> "1.2".
std::string FormatTenths(int tenths);
// "1.25" -> 12, "3" -> 30, ".5" -> 5, "7x" -> 70: a whole number, then optionally "." and one
// digit; what follows is ignored. emptyAsZero reads an empty text as "0". Negative numbers and
// numbers too large for a 32-bit count of tenths are not accepted.
std::optional<int> ParseTenths(const std::string& text, bool emptyAsZero);
