#pragma once
// The frames of an ID3v2 tag (TagLib) that match the ID3v1 fields: TIT2, TPE1, TALB, TDRC (TYER in
// v2.3), COMM (the one without a description), TCON and TRCK.
#include "engine/stream/ID3TagInfo.h"

#include <string>
#include <vector>

#include <taglib/id3v2tag.h>

// Sets the frames to the record's values; an empty value, and a track that the record lacks or
// that is 0, remove the frame. Text that Latin-1 cannot hold is written in encoding.
void WriteID3v2Fields(TagLib::ID3v2::Tag& tag, const ID3TagInfo& info, TagLib::String::Type encoding);
// Sets the record's fields from the frames the tag has; the others keep their values.
void ReadID3v2Fields(const TagLib::ID3v2::Tag& tag, ID3TagInfo& info);
// The track number at the start of a TRCK text ("7" or "7/12"), 0 when there is none.
int TrackNumberOf(const std::string& text);

// A new ID3v2.4 tag in UTF-8 holding the record's text fields, genre and track (the joined file's
// tag); empty when the record has none of them.
std::vector<uint8_t> BuildID3v2Tag(const ID3TagInfo& info);
