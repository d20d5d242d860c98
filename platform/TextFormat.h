#pragma once
// Durations and sizes as the pages and the command line show them.
#include <cstdint>
#include <string>

// "M:SS" below an hour, "H:MM:SS" from an hour on; minutes and hours are not zero-padded.
std::string FormatTime(int32_t seconds);
// "999 B", "1.0 KB", "0.98 MB", "0.98 GB": decimal thresholds (1000, 1000 x 1024, ...) with
// binary divisors, so a size never prints with four digits before the unit changes. Sizes of 4 GiB
// and more print whole ("5.00 GB").
std::string FormatSize(uint64_t bytes);
