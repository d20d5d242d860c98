#include "engine/cue/ParseCueSheet.h"

#include "engine/cue/CueSheetText.h"

#include <cstdio>

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string Upper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// The next word of rest, which moves past it.
std::string_view NextWord(std::string_view& rest)
{
    rest = Trim(rest);
    size_t end = 0;
    while (end < rest.size() && !IsSpace(rest[end]))
        ++end;
    const std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end);
    rest = Trim(rest);
    return word;
}

// A number of one to three digits.
std::optional<int> SmallNumber(std::string_view text)
{
    if (text.empty() || text.size() > 3)
        return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool IsCommandWord(std::string_view word)
{
    if (word.empty())
        return false;
    for (const char c : word)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    return true;
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

class SheetReader {
public:
    explicit SheetReader(CueSheet& sheet)
        : sheet_(sheet)
    {
    }

    bool ReadLine(std::string_view line, int number, CueError& error);
    bool Finish(int lastLine, CueError& error);

private:
    bool Fail(std::string problem)
    {
        problem_ = std::move(problem);
        return false;
    }
    // A text argument: in quotes, or the rest of the line.
    bool TextArgument(std::string_view rest, std::string& value);
    bool ReadFile(std::string_view rest);
    bool ReadTrack(std::string_view rest, int line);
    bool ReadIndex(std::string_view rest, int line);
    bool CloseTrack();

    CueSheet& sheet_;
    CueTrack* track_ = nullptr;
    bool trackHasStart_ = false;
    std::string problem_;
};

bool SheetReader::TextArgument(std::string_view rest, std::string& value)
{
    rest = Trim(rest);
    if (!rest.empty() && rest.front() == '"') {
        const size_t close = rest.find('"', 1);
        if (close == std::string_view::npos)
            return Fail("the text " + std::string(rest) + " has no closing quote");
        value = std::string(rest.substr(1, close - 1));
        return true;
    }
    value = std::string(rest);
    return true;
}

bool SheetReader::ReadFile(std::string_view rest)
{
    if (!sheet_.audioFile.empty())
        return Fail("a second FILE line; only sheets of one audio file can be cut");
    rest = Trim(rest);
    std::string name;
    std::string_view type;
    if (!rest.empty() && rest.front() == '"') {
        if (!TextArgument(rest, name))
            return false;
        rest.remove_prefix(rest.find('"', 1) + 1);
        type = NextWord(rest);
    } else {
        // Unquoted: the name runs up to the type word at the end of the line.
        const size_t lastSpace = rest.find_last_of(" \t");
        if (lastSpace == std::string_view::npos) {
            name = std::string(rest);
        } else {
            name = std::string(Trim(rest.substr(0, lastSpace)));
            type = rest.substr(lastSpace + 1);
        }
    }
    if (name.empty())
        return Fail("the FILE line names no audio file");
    const std::string upperType = Upper(type);
    if (!upperType.empty() && upperType != "MP3" && upperType != "WAVE")
        return Fail("the audio file type " + std::string(type) + " cannot be cut (MP3 or WAVE)");
    sheet_.audioFile = name;
    sheet_.audioType = upperType;
    return true;
}

bool SheetReader::CloseTrack()
{
    if (track_ && !trackHasStart_)
        return Fail("track " + std::to_string(track_->number) + " has no INDEX 01");
    return true;
}

bool SheetReader::ReadTrack(std::string_view rest, int line)
{
    if (sheet_.audioFile.empty())
        return Fail("a TRACK before the FILE line that names the audio file");
    if (!CloseTrack())
        return false;
    const std::string_view numberText = NextWord(rest);
    const auto number = SmallNumber(numberText);
    if (!number || *number < 1 || *number > 99)
        return Fail("the track number " + Quoted(numberText) + " is not a number from 1 to 99");
    if (!sheet_.tracks.empty() && *number <= sheet_.tracks.back().number)
        return Fail("track " + std::to_string(*number) + " follows track "
            + std::to_string(sheet_.tracks.back().number) + "; track numbers must rise");
    const std::string_view type = NextWord(rest);
    if (!type.empty() && Upper(type) != "AUDIO")
        return Fail("track " + std::to_string(*number) + " is a " + std::string(type)
            + " track; only AUDIO tracks can be cut");
    CueTrack track;
    track.number = *number;
    track.line = line;
    sheet_.tracks.push_back(track);
    track_ = &sheet_.tracks.back();
    trackHasStart_ = false;
    return true;
}

bool SheetReader::ReadIndex(std::string_view rest, int line)
{
    if (!track_)
        return Fail("an INDEX outside any TRACK");
    const std::string_view numberText = NextWord(rest);
    const auto number = SmallNumber(numberText);
    if (!number || *number > 99)
        return Fail("the index number " + Quoted(numberText) + " is not a number from 0 to 99");
    const std::string_view timeText = NextWord(rest);
    const auto time = ParseCueTime(timeText);
    if (!time)
        return Fail("the time " + Quoted(timeText) + " is not mm:ss:ff (seconds below 60, frames below 75)");

    const CueTrack* previous = sheet_.tracks.size() > 1 ? &sheet_.tracks[sheet_.tracks.size() - 2] : nullptr;
    const auto goesBack = [&](const char* what, int64_t earlier, const std::string& whose) {
        return Fail(std::string(what) + " of track " + std::to_string(track_->number) + " (" + FormatCueTime(*time)
            + ") lies before " + whose + " (" + FormatCueTime(earlier) + "); times must not go backwards");
    };
    const std::string previousStart = previous ? "the start of track " + std::to_string(previous->number) : "";
    if (*number == 0) {
        if (track_->pregapStart || trackHasStart_)
            return Fail("INDEX 00 of track " + std::to_string(track_->number) + " comes twice or after its INDEX 01");
        if (previous && *time < previous->start)
            return goesBack("INDEX 00", previous->start, previousStart);
        track_->pregapStart = *time;
    } else if (*number == 1) {
        if (trackHasStart_)
            return Fail("track " + std::to_string(track_->number) + " has a second INDEX 01");
        if (track_->pregapStart && *time < *track_->pregapStart)
            return goesBack("INDEX 01", *track_->pregapStart, "its INDEX 00");
        if (previous && *time <= previous->start)
            return goesBack("INDEX 01", previous->start, previousStart);
        track_->start = *time;
        track_->startLine = line;
        trackHasStart_ = true;
    } else if (!trackHasStart_ || *time < track_->start) {
        return Fail("INDEX " + std::string(numberText) + " of track " + std::to_string(track_->number)
            + " comes before its INDEX 01");
    }
    return true;
}

bool SheetReader::ReadLine(std::string_view line, int number, CueError& error)
{
    for (const char c : line) {
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
            error = { number, "control characters: this is not a CUE sheet" };
            return false;
        }
    }
    std::string_view rest = Trim(line);
    if (rest.empty())
        return true;
    const std::string_view word = NextWord(rest);
    const std::string command = Upper(word);
    bool ok = true;
    if (command == "REM") {
        const std::string field = Upper(NextWord(rest));
        if (field == "DATE" && !track_)
            ok = TextArgument(rest, sheet_.date);
        else if (field == "GENRE" && !track_)
            ok = TextArgument(rest, sheet_.genre);
    } else if (command == "FILE") {
        ok = ReadFile(rest);
        sheet_.audioFileLine = number;
    } else if (command == "TRACK") {
        ok = ReadTrack(rest, number);
    } else if (command == "INDEX") {
        ok = ReadIndex(rest, number);
    } else if (command == "TITLE") {
        ok = TextArgument(rest, track_ ? track_->title : sheet_.title);
    } else if (command == "PERFORMER") {
        ok = TextArgument(rest, track_ ? track_->performer : sheet_.performer);
    } else if (!IsCommandWord(word)) {
        // Other commands (CATALOG, FLAGS, ISRC, PREGAP, SONGWRITER, ...) say nothing about the cut;
        // what is not a word in capitals is not a command at all.
        ok = Fail(Quoted(word) + " is not a CUE sheet command");
    }
    if (!ok)
        error = { number, problem_ };
    return ok;
}

bool SheetReader::Finish(int lastLine, CueError& error)
{
    if (!CloseTrack()) {
        error = { track_->line, problem_ };
        return false;
    }
    if (sheet_.audioFile.empty()) {
        error = { 0, "no FILE line names the audio file" };
        return false;
    }
    if (sheet_.tracks.empty()) {
        error = { lastLine, "the sheet ends without any TRACK" };
        return false;
    }
    return true;
}

} // namespace

std::optional<int64_t> ParseCueTime(std::string_view text)
{
    int64_t fields[3] = {};
    size_t field = 0;
    size_t digits = 0;
    for (const char c : text) {
        if (c == ':') {
            if (digits == 0 || ++field > 2)
                return std::nullopt;
            digits = 0;
        } else if (c >= '0' && c <= '9') {
            // Minutes may run past 99 on long recordings; seconds and frames take two digits.
            if (++digits > (field == 0 ? 6 : 2))
                return std::nullopt;
            fields[field] = fields[field] * 10 + (c - '0');
        } else {
            return std::nullopt;
        }
    }
    if (field != 2 || digits == 0 || fields[1] >= 60 || fields[2] >= kCueFramesPerSecond)
        return std::nullopt;
    return (fields[0] * 60 + fields[1]) * kCueFramesPerSecond + fields[2];
}

std::string FormatCueTime(int64_t frames)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(frames / 75 / 60),
        static_cast<long long>(frames / 75 % 60), static_cast<long long>(frames % 75));
    return text;
}

bool ParseCueSheet(std::string_view bytes, CueSheet& sheet, CueError& error)
{
    sheet = CueSheet {};
    error = CueError {};
    const std::string text = CueSheetTextToUtf8(bytes);
    SheetReader reader(sheet);
    int number = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        if (!reader.ReadLine(std::string_view(text).substr(start, end - start), ++number, error))
            return false;
        start = end;
        if (start < text.size() && text[start] == '\r')
            ++start;
        if (start < text.size() && text[start] == '\n' && (start == end || text[start - 1] == '\r'))
            ++start;
    }
    return reader.Finish(number, error);
}
