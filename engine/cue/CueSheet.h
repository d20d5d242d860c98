#pragma once
// A CUE sheet as read: the disc's fields, the one audio file it names and its tracks. Text is UTF-8
// whatever the sheet's own encoding was; times are CD frames, 75 to the second.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

constexpr int64_t kCueFramesPerSecond = 75;

struct CueTrack {
    int number = 0; // as the TRACK line gives it, 1-99
    int line = 0; // the TRACK line, for messages
    std::string title;
    std::string performer;
    std::optional<int64_t> pregapStart; // INDEX 00: the pregap, which plays as the previous track's end
    int64_t start = 0; // INDEX 01
    int startLine = 0; // the INDEX 01 line
};

struct CueSheet {
    std::string title; // the disc's TITLE: the album
    std::string performer; // the disc's PERFORMER: the artist of tracks without their own
    std::string date; // REM DATE
    std::string genre; // REM GENRE
    std::string audioFile; // the FILE name as written
    std::string audioType; // its type word in capitals (MP3, WAVE), empty when the line has none
    int audioFileLine = 0;
    std::vector<CueTrack> tracks;
};

// A sheet that cannot be read: the problem, and the 1-based line it was found on (0: the whole sheet).
struct CueError {
    int line = 0;
    std::string problem;
};
