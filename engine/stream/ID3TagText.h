#pragma once
// The text fields of a tag record in Unicode, as ID3v2 tags write them; the record's Latin-1
// fields, which the ID3v1 block holds, are their cuts (30 characters, 4 for the year).
#include "engine/stream/ID3TagInfo.h"

#include <string>

enum class TagField { Title, Artist, Album, Year, Comment };

// Sets the field's UTF-8 text and its Latin-1 cut.
void SetTagText(ID3TagInfo& info, TagField field, const std::string& utf8);
// The field's whole UTF-8 text: the Unicode text when the Latin-1 field is its cut, else the
// Latin-1 field itself.
std::string TagText(const ID3TagInfo& info, TagField field);

// Sets the genre name and the genre index of that name (255 when the list has no such name).
void SetTagGenreText(ID3TagInfo& info, const std::string& utf8);
// The genre name: the ID3v2 name while the index still matches it, else the index's name.
std::string TagGenreText(const ID3TagInfo& info);
// The index of a genre name in GenreNames (compared without regard to case), or -1.
int GenreIndex(const std::string& name);
