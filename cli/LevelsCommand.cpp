// sonicrop-cli levels: the level overview of an MP3 file, read from its side information.
#include "cli/Commands.h"
#include "cli/JsonString.h"

#include "engine/level/LevelOverview.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

const char* const kLevelsUsage = "Usage: sonicrop-cli levels [--window MS] [--json] FILE\n"
                                 "  --window MS   window length in milliseconds (default 100)\n"
                                 "  --json        one JSON object: {\"file\", \"window_ms\", \"levels_db\"}\n"
                                 "Levels are RMS estimates in dBFS; silence is -100.\n";

// A window length: a positive decimal number of milliseconds, at most an hour.
bool ParseWindow(const std::string& text, double& ms)
{
    if (text.empty() || text.size() > 12)
        return false;
    size_t used = 0;
    try {
        ms = std::stod(text, &used);
    } catch (...) {
        return false;
    }
    return used == text.size() && text[0] >= '0' && text[0] <= '9' && ms >= 1.0 && ms <= 3600000.0;
}

std::string FormatNumber(double value, const char* format)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// value with a fixed count of decimals, as printf's "%.Nf" writes it, without its cost per call
// (an hour is 36,000 numbers).
void AppendFixed(std::string& out, double value, int decimals)
{
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    out.append(text, written.ptr);
}

// A level with one decimal, as AppendFixed writes it, from its count of tenths: a float times 10
// is exact in a double, and nearbyint rounds half to even as printf does.
void AppendLevel(std::string& out, float level)
{
    const double tenths = std::nearbyint(std::fabs(static_cast<double>(level)) * 10.0);
    if (!(tenths < 1e9)) {
        AppendFixed(out, level, 1);
        return;
    }
    if (std::signbit(level))
        out += '-';
    const auto whole = static_cast<uint32_t>(tenths);
    char text[16];
    const auto written = std::to_chars(text, text + sizeof text, whole / 10);
    out.append(text, written.ptr);
    out += '.';
    out += static_cast<char>('0' + whole % 10);
}

} // namespace

int RunLevels(const std::vector<std::string>& args)
{
    bool json = false;
    double windowMs = kDefaultLevelWindowMs;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            files.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--json") {
            json = true;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kLevelsUsage, stdout);
            return kExitOk;
        } else if (arg == "--window") {
            if (i + 1 >= args.size() || !ParseWindow(args[i + 1], windowMs)) {
                std::fprintf(stderr, "sonicrop-cli levels: bad value for --window: '%s'\n%s",
                    i + 1 < args.size() ? args[i + 1].c_str() : "", kLevelsUsage);
                return kExitUsage;
            }
            ++i;
        } else {
            std::fprintf(stderr, "sonicrop-cli levels: unknown option '%s'\n%s", arg.c_str(), kLevelsUsage);
            return kExitUsage;
        }
    }
    if (files.size() != 1) {
        std::fputs(kLevelsUsage, stderr);
        return kExitUsage;
    }
    std::string error;
    const auto overview = ReadLevelOverview(files[0], windowMs, error);
    if (!overview) {
        std::fprintf(stderr, "sonicrop-cli levels: %s\n", error.c_str());
        return kExitFailure;
    }
    // One buffer, written at once: an hour in 100 ms windows is 36,000 numbers.
    std::string out;
    out.reserve(overview->levelsDb.size() * 16 + 128);
    if (json) {
        out += "{\"file\":" + JsonString(files[0]) + ",\"window_ms\":" + FormatNumber(windowMs, "%.10g")
            + ",\"sample_rate\":" + std::to_string(overview->sampleRate)
            + ",\"samples\":" + std::to_string(overview->totalSamples) + ",\"levels_db\":[";
        for (size_t k = 0; k < overview->levelsDb.size(); ++k) {
            if (k > 0)
                out += ',';
            AppendLevel(out, overview->levelsDb[k]);
        }
        out += "]}\n";
    } else {
        const double rate = overview->sampleRate;
        for (size_t k = 0; k < overview->levelsDb.size(); ++k) {
            const double seconds = static_cast<double>(k) * static_cast<double>(overview->windowSamples) / rate;
            AppendFixed(out, seconds, 3);
            out += '\t';
            AppendLevel(out, overview->levelsDb[k]);
            out += '\n';
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return kExitOk;
}
