#pragma once
// The tag record of a file as the pages show it and pieces start from.
#include "engine/stream/ID3TagInfo.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// The ID3v1 tag's fields, overlaid with those a leading ID3v2 tag holds (players read ID3v2
// first). False, with the record untouched, when the file has neither tag.
bool ReadSourceTag(const std::string& path, ID3TagInfo& info);
// Overlays a record with the fields of an ID3v2 block (the file's first bytes); false when the block
// is not an ID3v2 tag TagLib can read.
bool OverlayID3v2Tag(std::span<const uint8_t> block, ID3TagInfo& info);
// The same for the leading ID3v2 tag of a file.
bool OverlayFileID3v2Tag(const std::string& path, ID3TagInfo& info);

// What a file's leading ID3v2 tag holds, as TagLib reads it.
struct ID3v2Summary {
    int version = 0; // the major version: 2, 3 or 4
    ID3TagInfo fields; // genre 255 and no track when the tag has none
    int pictures = 0; // APIC frames
};
// None when the file has no ID3v2 tag that TagLib can read wholly.
std::optional<ID3v2Summary> ReadID3v2Summary(const std::string& path);
