#pragma once
// The ID3v1 tag record, the 128-byte ID3v1 block (v1.0 and v1.1 layouts) and the track rule.
// Text is single-byte (Latin-1), kept as the file holds it, without trimming.
#include <array>
#include <cstdint>
#include <string>

// The text fields as an ID3v2 tag holds them: Unicode (UTF-8), without length limits, and the genre
// as a name. A field counts only while the record's Latin-1 field is its cut (see ID3TagText.h), so
// code that sets a Latin-1 field alone makes that field the whole value again.
struct ID3TagText {
    std::string title, artist, album, year, comment, genre;
};

struct ID3TagInfo {
    char title[32] = {}; // NUL-terminated, at most 30 characters
    char artist[32] = {};
    char album[32] = {};
    char year[5] = {}; // at most 4 characters
    int32_t genre = 0; // 0-147 name a genre; 255 means none; other values stay as read
    char comment[32] = {}; // at most 30 characters, 28 when a track number is present
    int32_t hasTrack = 0; // the v1.1 layout with a track number
    int32_t track = 0; // only its low 8 bits are stored in a file
    ID3TagText text; // the ID3v2 text of the fields above
};

// Setters of the Latin-1 fields; they cut text to the field's limit (30 characters, 4 for the year).
void SetTagTitle(ID3TagInfo& info, const std::string& text);
void SetTagArtist(ID3TagInfo& info, const std::string& text);
void SetTagAlbum(ID3TagInfo& info, const std::string& text);
void SetTagYear(ID3TagInfo& info, const std::string& text);
void SetTagComment(ID3TagInfo& info, const std::string& text);

// The rule that chooses the track number of an output tag.
enum TrackNoType { TrackNoSequence = 0, TrackNoSource = 1, TrackNoCustom = 2, TrackNoNull = 3 };

using ID3v1Block = std::array<uint8_t, 128>;

// Parses a block that begins "TAG" into a zeroed record.
void ParseID3v1Block(const uint8_t* block, ID3TagInfo& info);
bool BuildID3v1Block(uint8_t* block, const char* title, const char* artist, const char* album, const char* year,
    const char* comment, int genre, bool hasTrack, int track);
void BuildID3v1FromInfo(uint8_t* block, const ID3TagInfo& info);
// Reads the last 128 bytes of a file; false (record untouched) when there is no "TAG" block.
bool ReadID3v1Tag(const std::string& path, ID3TagInfo& info);
