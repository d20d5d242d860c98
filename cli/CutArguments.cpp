#include "cli/CutArguments.h"

#include "engine/stream/ID3TagText.h"
#include "platform/PathHelpers.h"

#include <cstdint>
#include <cstdlib>
#include <limits>

namespace {

// A run of decimal digits as a non-negative number no larger than limit.
std::optional<int64_t> ParseCount(const std::string& text, int64_t limit)
{
    if (text.empty() || text.size() > 12)
        return std::nullopt;
    int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > limit)
        return std::nullopt;
    return value;
}

std::vector<std::string> SplitAt(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t found = text.find(separator, start);
        parts.push_back(text.substr(start, found == std::string::npos ? std::string::npos : found - start));
        if (found == std::string::npos)
            return parts;
        start = found + 1;
    }
}

constexpr int64_t kMaxInt32 = std::numeric_limits<int32_t>::max();

} // namespace

std::optional<int64_t> ParseMilliseconds(const std::string& text)
{
    std::string whole = text;
    int64_t fraction = 0;
    if (const size_t dot = text.find('.'); dot != std::string::npos) {
        const std::string decimal = text.substr(dot + 1);
        if (decimal.empty() || decimal.size() > 3)
            return std::nullopt;
        for (size_t i = 0; i < 3; ++i) {
            const char c = i < decimal.size() ? decimal[i] : '0';
            if (c < '0' || c > '9')
                return std::nullopt;
            fraction = fraction * 10 + (c - '0');
        }
        whole = text.substr(0, dot);
    }
    const auto fields = SplitAt(whole, ':');
    if (fields.size() > 3)
        return std::nullopt;
    int64_t seconds = 0;
    for (size_t i = 0; i < fields.size(); ++i) {
        // The first field is free; minutes and seconds after a colon take two digits below 60.
        const bool leading = i == 0;
        if (!leading && fields[i].size() != 2)
            return std::nullopt;
        const auto value = ParseCount(fields[i], leading ? kMaxInt32 : 59);
        if (!value)
            return std::nullopt;
        seconds = seconds * 60 + *value;
        if (seconds > kMaxInt32 / 10)
            return std::nullopt;
    }
    return seconds * 1000 + fraction;
}

std::optional<int32_t> ParseTenths(const std::string& text)
{
    // One decimal at most: a tenth is the finest step of these times.
    if (const size_t dot = text.find('.'); dot != std::string::npos && text.size() - dot - 1 != 1)
        return std::nullopt;
    const auto ms = ParseMilliseconds(text);
    if (!ms)
        return std::nullopt;
    return static_cast<int32_t>(*ms / 100);
}

bool ParseCutArguments(const std::vector<std::string>& args, CutArguments& parsed, std::string& usageError)
{
    int modes = 0;
    bool skipGiven = false;
    bool silenceValues = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.empty() || arg[0] != '-' || arg == "-") {
            parsed.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            parsed.files.insert(parsed.files.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        }
        if (arg == "--folder-per-file") {
            parsed.options.CreateFolderForEachMP3 = true;
            continue;
        }
        if (arg == "--silence") {
            parsed.mode = CutArguments::Mode::Silence;
            ++modes;
            continue;
        }
        if (i + 1 >= args.size()) {
            usageError = "option " + arg + " needs a value";
            return false;
        }
        const std::string& value = args[++i];
        auto bad = [&] {
            usageError = "bad value for " + arg + ": '" + value + "'";
            return false;
        };
        if (arg == "--size") {
            // Piece sizes are counted in bytes in 32 bits.
            const auto size = ParseCount(value, kMaxInt32 / 1024);
            if (!size)
                return bad();
            parsed.mode = CutArguments::Mode::Size;
            parsed.cutFileSize = static_cast<int32_t>(*size);
            ++modes;
        } else if (arg == "--count") {
            const auto count = ParseCount(value, kMaxInt32);
            if (!count)
                return bad();
            parsed.mode = CutArguments::Mode::Count;
            parsed.cutFileAmount = static_cast<int32_t>(*count);
            ++modes;
        } else if (arg == "--time") {
            // MIN:SEC, or any time with up to three decimals ("90", "1:02.5", "10.345").
            const auto fields = SplitAt(value, ':');
            const auto minutes = fields.size() == 2 ? ParseCount(fields[0], 3000000) : std::nullopt;
            const auto seconds = fields.size() == 2 ? ParseCount(fields[1], 59) : std::nullopt;
            if (minutes && seconds) {
                parsed.timeMs = (*minutes * 60 + *seconds) * 1000;
            } else {
                const auto ms = ParseMilliseconds(value);
                if (!ms || *ms / 1000 / 60 > 3000000)
                    return bad();
                parsed.timeMs = *ms;
            }
            parsed.mode = CutArguments::Mode::Time;
            ++modes;
        } else if (arg == "--points") {
            parsed.points.clear();
            for (const auto& field : SplitAt(value, ',')) {
                const auto point = ParseMilliseconds(field);
                if (!point || *point <= 0 || (!parsed.points.empty() && *point <= parsed.points.back()))
                    return bad();
                parsed.points.push_back(*point);
            }
            parsed.mode = CutArguments::Mode::Points;
            ++modes;
        } else if (arg == "--cue") {
            if (value.empty())
                return bad();
            parsed.mode = CutArguments::Mode::Cue;
            parsed.cueSheet = value;
            ++modes;
        } else if (arg == "--silence-threshold") {
            // dBFS: a number from -100 to 0, decimals allowed.
            char* end = nullptr;
            const double db = std::strtod(value.c_str(), &end);
            if (value.empty() || end != value.c_str() + value.size() || !(db >= -100.0 && db <= 0.0))
                return bad();
            parsed.silence.thresholdDb = db;
            silenceValues = true;
        } else if (arg == "--silence-min") {
            const auto ms = ParseMilliseconds(value);
            if (!ms || *ms <= 0 || *ms > 3600 * 1000)
                return bad();
            parsed.silence.minSeconds = static_cast<double>(*ms) / 1000.0;
            silenceValues = true;
        } else if (arg == "--skip") {
            for (const auto& field : SplitAt(value, ',')) {
                const auto number = ParseCount(field, 1000000);
                if (!number || *number < 1)
                    return bad();
                parsed.skip.push_back(static_cast<int>(*number));
            }
            skipGiven = true;
        } else if (arg == "--fade-in" || arg == "--fade-out" || arg == "--forward-overlap"
            || arg == "--backward-overlap") {
            const auto tenths = ParseTenths(value);
            if (!tenths)
                return bad();
            CutOptions& options = parsed.options;
            if (arg == "--fade-in") {
                options.EnableFadeIn = true;
                options.FadeInLen = *tenths;
            } else if (arg == "--fade-out") {
                options.EnableFadeOut = true;
                options.FadeOutLen = *tenths;
            } else if (arg == "--forward-overlap") {
                options.ForwardOverlap = *tenths;
            } else {
                options.BackwardOverlap = *tenths;
            }
        } else if (arg == "--track-rule") {
            const char* const rules[] = { "sequence", "source", "custom", "null" };
            int rule = -1;
            for (int r = 0; r < 4; ++r)
                if (value == rules[r])
                    rule = r;
            if (rule < 0)
                return bad();
            parsed.options.ID3v1TagTrackNoType = rule;
            parsed.trackRuleGiven = true;
        } else if (arg == "--title") {
            parsed.title = value;
        } else if (arg == "--artist") {
            parsed.artist = value;
        } else if (arg == "--album") {
            parsed.album = value;
        } else if (arg == "--year") {
            parsed.year = value;
        } else if (arg == "--comment") {
            parsed.comment = value;
        } else if (arg == "--genre") {
            const auto number = ParseCount(value, 255);
            const int index = number ? static_cast<int>(*number) : GenreIndex(value);
            if (index < 0)
                return bad();
            parsed.genre = index;
        } else if (arg == "--output-folder") {
            if (value.empty())
                return bad();
            parsed.options.OutputFolderOpt = kOutputFolderSpecified;
            parsed.options.SpecifiedOutputFolder = value;
            parsed.options.noFallbackFolder = true; // a folder the user named is not swapped for another
        } else {
            usageError = "unknown option " + arg;
            return false;
        }
    }
    if (modes != 1) {
        usageError = "give exactly one of --size, --count, --time, --points, --cue and --silence";
        return false;
    }
    if (silenceValues && parsed.mode != CutArguments::Mode::Silence) {
        usageError = "--silence-threshold and --silence-min go with --silence";
        return false;
    }
    if (parsed.mode == CutArguments::Mode::Cue) {
        if (!parsed.files.empty()) {
            usageError = "--cue takes no FILE: the sheet names the file to cut";
            return false;
        }
        if (skipGiven || parsed.options.CreateFolderForEachMP3) {
            usageError = skipGiven ? "--skip goes with --points" : "--folder-per-file does not go with --cue";
            return false;
        }
        return true;
    }
    if (skipGiven && parsed.mode != CutArguments::Mode::Points) {
        usageError = "--skip goes with --points";
        return false;
    }
    for (const int number : parsed.skip) {
        if (static_cast<size_t>(number) > parsed.points.size() + 1) {
            usageError
                = "--skip names piece " + std::to_string(number) + " of " + std::to_string(parsed.points.size() + 1);
            return false;
        }
    }
    if (parsed.files.empty()) {
        usageError = "no input file";
        return false;
    }
    // Pieces are named after the source without its ".mp3", as the pages admit only such files.
    for (const std::string& file : parsed.files) {
        const auto extension = GetFileExtension(file);
        if (!extension || !EqualsIgnoreCase(*extension, ".mp3")) {
            usageError = "'" + file + "' is not an .mp3 file";
            return false;
        }
    }
    return true;
}
