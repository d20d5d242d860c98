// sonicrop-cli join: joins MP3 files into one, by frame copy when their formats allow it,
// otherwise by re-encoding, and ends the result with an ID3v1 tag.
#include "cli/Commands.h"
#include "cli/TerminalProgress.h"

#include "engine/join/ChooseJoinMethod.h"
#include "engine/join/JoinMethodText.h"
#include "engine/join/JoinStreamFacts.h"
#include "engine/stream/OpenFailureReason.h"
#include "engine/stream/GenreNames.h"
#include "platform/PathHelpers.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

const char* const kJoinUsage
    = "Usage: sonicrop-cli join -o OUT [OPTIONS] FILE...\n"
      "\n"
      "Joins two or more MP3 files, in the order given, into OUT. Files of one format are joined by\n"
      "copying their frames; otherwise (or with a fixed --encoding) they are decoded and encoded again.\n"
      "\n"
      "Options:\n"
      "  -o, --output OUT           the joined file\n"
      "  --title T, --artist A, --album B, --year Y, --comment C\n"
      "                             the ID3v1 tag of the joined file (cut to 30 characters, year 4)\n"
      "  --genre N                  genre number 0-255 or a genre name (default: none, 255)\n"
      "  --track N                  track number (default: none)\n"
      "  --encoding auto|RATE:KBPS:MODE\n"
      "                             auto (default): frame copy when possible, else the highest rate\n"
      "                             and bitrate of the inputs; or a fixed format, e.g. 44100:128:joint\n"
      "                             (MODE: stereo, joint, mono; KBPS is held to 8-320)\n";

struct JoinArguments {
    std::string output;
    std::vector<std::string> inputs;
    std::string title, artist, album, year, comment;
    int genre = 255;
    std::optional<std::string> track;
    EncodingOptions encoding;
};

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "sonicrop-cli join: %s\n%s", message.c_str(), kJoinUsage);
    return kExitUsage;
}

std::optional<int> ParsePositive(const std::string& text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value <= 0)
        return std::nullopt;
    return value;
}

std::optional<int> ParseGenre(const std::string& text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc() && end == text.data() + text.size())
        return (value >= 0 && value <= 255) ? std::optional<int>(value) : std::nullopt;
    for (size_t index = 0; index < GenreNames.size(); ++index) {
        if (EqualsIgnoreCase(text, GenreNames[index]))
            return static_cast<int>(index);
    }
    return std::nullopt;
}

std::optional<int> ParseModeName(const std::string& text)
{
    if (text == "stereo")
        return 0;
    if (text == "joint")
        return 1;
    if (text == "mono")
        return 3;
    return std::nullopt;
}

bool IsMpegSampleRate(int rate)
{
    for (int valid : { 8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000 }) {
        if (rate == valid)
            return true;
    }
    return false;
}

// "auto", or RATE:KBPS:MODE with one of the nine MPEG sample rates.
bool ParseEncoding(const std::string& text, EncodingOptions& options)
{
    if (text == "auto") {
        options.AutoMP3EncodingParam = true;
        return true;
    }
    const size_t first = text.find(':');
    const size_t second = first == std::string::npos ? first : text.find(':', first + 1);
    if (second == std::string::npos)
        return false;
    const auto rate = ParsePositive(text.substr(0, first));
    const auto bitrate = ParsePositive(text.substr(first + 1, second - first - 1));
    const auto mode = ParseModeName(text.substr(second + 1));
    if (!rate || !IsMpegSampleRate(*rate) || !bitrate || !mode)
        return false;
    options.AutoMP3EncodingParam = false;
    options.MP3SampleRate = *rate;
    options.MP3BitRate = *bitrate;
    options.MP3ChannelMode = *mode;
    return true;
}

// The track text read as the joiner page reads it: its leading digits, 0 when there are none.
int LeadingNumber(const std::string& text)
{
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || value > 100000000)
            break;
        value = value * 10 + (c - '0');
    }
    return value;
}

// Returns an exit code when parsing ends the command (help or bad usage).
std::optional<int> ParseArguments(const std::vector<std::string>& args, JoinArguments& parsed)
{
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            parsed.inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            std::fputs(kJoinUsage, stdout);
            return kExitOk;
        }
        std::optional<std::string> value;
        if (const size_t equals = arg.find('='); arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = arg.substr(equals + 1);
            arg = arg.substr(0, equals);
        }
        const bool known = arg == "-o" || arg == "--output" || arg == "--title" || arg == "--artist" || arg == "--album"
            || arg == "--year" || arg == "--comment" || arg == "--genre" || arg == "--track" || arg == "--encoding";
        if (!known)
            return UsageError("unknown option '" + arg + "'");
        if (!value) {
            if (i + 1 >= args.size())
                return UsageError("option '" + arg + "' needs a value");
            value = args[++i];
        }
        if (arg == "-o" || arg == "--output")
            parsed.output = *value;
        else if (arg == "--title")
            parsed.title = *value;
        else if (arg == "--artist")
            parsed.artist = *value;
        else if (arg == "--album")
            parsed.album = *value;
        else if (arg == "--year")
            parsed.year = *value;
        else if (arg == "--comment")
            parsed.comment = *value;
        else if (arg == "--track")
            parsed.track = *value;
        else if (arg == "--genre") {
            const auto genre = ParseGenre(*value);
            if (!genre)
                return UsageError("'" + *value + "' is neither a genre number 0-255 nor a genre name");
            parsed.genre = *genre;
        } else if (!ParseEncoding(*value, parsed.encoding)) {
            return UsageError("--encoding takes auto or RATE:KBPS:MODE, e.g. 44100:128:joint, with an MPEG "
                              "sample rate (8000-48000 Hz)");
        }
    }
    if (parsed.output.empty())
        return UsageError("no output file given (-o OUT)");
    if (parsed.inputs.size() < 2)
        return UsageError("at least two files are needed to join");
    return std::nullopt;
}

} // namespace

int RunJoin(const std::vector<std::string>& args)
{
    JoinArguments parsed;
    if (const auto exitCode = ParseArguments(args, parsed))
        return *exitCode;

    // Every input is probed as the joiner list probes the files it is given; nothing is created
    // until all of them opened.
    std::vector<JoinStreamFacts> facts(parsed.inputs.size());
    for (size_t i = 0; i < parsed.inputs.size(); ++i) {
        if (!ProbeJoinInput(parsed.inputs[i], facts[i])) {
            const std::string& input = parsed.inputs[i];
            std::fprintf(stderr, "Join failure. %s\n",
                WithOpenFailureReason("Failed to open file \"" + input + "\".", input).c_str());
            return kExitFailure;
        }
    }

    JoinJob job;
    for (const std::string& input : parsed.inputs)
        job.AddInput(input);
    job.AssignTag(parsed.title, parsed.artist, parsed.album, parsed.year, parsed.comment, parsed.genre,
        parsed.track.has_value() && !parsed.track->empty(), parsed.track ? LeadingNumber(*parsed.track) : 0);

    JoinMethod method = ChooseJoinMethod(parsed.encoding, facts);
    bool ok = false;
    bool cancelled = false;
    {
        TerminalProgress progress;
        ok = JoinWithMethod(job, method, parsed.output, progress);
        // A frame copy that met an input changing its format inside re-encoded instead.
        if (const auto& encoding = job.ReencodedInstead()) {
            method.frameCopy = false;
            method.encoding = *encoding;
        }
        cancelled = progress.IsCancelled();
        progress.Finish();
    }
    if (ok) {
        std::printf("%s\n%s\n", JoinMethodText(method, job.EncodedBitrate()).c_str(), parsed.output.c_str());
        return kExitOk;
    }
    if (cancelled) {
        std::fputs("Join cancelled; the output was deleted.\n", stderr);
        return kExitFailure;
    }
    if (!job.ErrorText().empty())
        std::fprintf(stderr, "Join failure. %s\n", job.ErrorText().c_str());
    else
        std::fprintf(
            stderr, "Join failure. The encoder refused the format %s.\n", EncodingText(method.encoding).c_str());
    return kExitFailure;
}
