#pragma once
// ID3v2 tags for tests, made and read back with TagLib.
#include "tests/support/FrameBuilder.h"

#include <optional>
#include <string>
#include <vector>

// The tag of a tagged album track: its fields, a cover picture, lyrics and a replay-gain value.
struct ID3v2TagValues {
    int version = 4; // 3 or 4
    std::string title = "Album Side"; // UTF-8
    std::string artist = "Ærøskøbing Ensemble 東京";
    std::string album = "Sides";
    std::string year = "1999";
    std::string comment = "from the vault";
    std::string genre = "Rock";
    std::string track = "7/12";
    Bytes picture = PictureBytes();
    std::string lyrics = "la la la";

    static Bytes PictureBytes();
};

Bytes MakeID3v2Tag(const ID3v2TagValues& values);

// A file's ID3v2 tag as TagLib reads it back; none when the file has no ID3v2 tag.
struct ID3v2ReadBack {
    int version = 0;
    std::string title, artist, album, year, comment, genre;
    std::optional<std::string> track; // the TRCK text, none without a TRCK frame
    std::vector<Bytes> pictures;
    std::string lyrics;
    std::string replayGain; // TXXX "replaygain_track_gain"
};
std::optional<ID3v2ReadBack> ReadID3v2Back(const std::string& path);
