#pragma once
// The command line of `sonicrop-cli cut`, parsed and checked before any file is touched.
#include "engine/cut/CutOptions.h"
#include "engine/cut/FindSilenceCuts.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct CutArguments {
    enum class Mode { Size, Count, Time, Points, Cue, Silence };
    Mode mode = Mode::Size;
    int32_t cutFileSize = 0; // KB
    int32_t cutFileAmount = 0;
    int64_t timeMs = 0; // --time in milliseconds
    std::vector<int64_t> points; // milliseconds, rising strictly
    std::vector<int> skip; // 1-based piece numbers left out with --points
    std::string cueSheet; // with --cue: the sheet, which names the file to cut
    bool trackRuleGiven = false;
    SilenceSettings silence; // with --silence
    CutOptions options;
    // Tag values for every piece, in both tags (UTF-8); none keeps the source's.
    std::optional<std::string> title, artist, album, year, comment;
    std::optional<int> genre; // 0-255
    std::vector<std::string> files;
};

// Parses the arguments after "cut"; on failure usageError says what is wrong.
bool ParseCutArguments(const std::vector<std::string>& args, CutArguments& parsed, std::string& usageError);

// "75.5" (seconds, at most one decimal) or "[H:]M:SS[.t]" ("1:15.5", "1:00:00"), in tenths.
std::optional<int32_t> ParseTenths(const std::string& text);
// The same with up to three decimals ("10.345", "1:02.5"), in milliseconds.
std::optional<int64_t> ParseMilliseconds(const std::string& text);
