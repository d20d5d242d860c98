#include "engine/stream/ID3TagText.h"

#include "engine/stream/GenreNames.h"
#include "engine/stream/Latin1Text.h"

#include <strings.h>

namespace {

struct FieldSlot {
    std::string ID3TagText::*text;
    void (*setLatin1)(ID3TagInfo&, const std::string&);
    const char* (*latin1)(const ID3TagInfo&);
    size_t limit;
};

FieldSlot SlotOf(TagField field)
{
    switch (field) {
    case TagField::Title:
        return { &ID3TagText::title, SetTagTitle, [](const ID3TagInfo& i) -> const char* { return i.title; }, 30 };
    case TagField::Artist:
        return { &ID3TagText::artist, SetTagArtist, [](const ID3TagInfo& i) -> const char* { return i.artist; }, 30 };
    case TagField::Album:
        return { &ID3TagText::album, SetTagAlbum, [](const ID3TagInfo& i) -> const char* { return i.album; }, 30 };
    case TagField::Year:
        return { &ID3TagText::year, SetTagYear, [](const ID3TagInfo& i) -> const char* { return i.year; }, 4 };
    case TagField::Comment:
        break;
    }
    return { &ID3TagText::comment, SetTagComment, [](const ID3TagInfo& i) -> const char* { return i.comment; }, 30 };
}

} // namespace

void SetTagText(ID3TagInfo& info, TagField field, const std::string& utf8)
{
    const FieldSlot slot = SlotOf(field);
    info.text.*slot.text = utf8;
    slot.setLatin1(info, Latin1FromUtf8(utf8, slot.limit));
}

std::string TagText(const ID3TagInfo& info, TagField field)
{
    const FieldSlot slot = SlotOf(field);
    const std::string& unicode = info.text.*slot.text;
    const std::string latin1 = slot.latin1(info);
    if (!unicode.empty() && Latin1FromUtf8(unicode, slot.limit) == latin1)
        return unicode;
    return Utf8FromLatin1(latin1);
}

int GenreIndex(const std::string& name)
{
    for (size_t i = 0; i < GenreNames.size(); ++i)
        if (strcasecmp(GenreNames[i], name.c_str()) == 0)
            return static_cast<int>(i);
    return -1;
}

void SetTagGenreText(ID3TagInfo& info, const std::string& utf8)
{
    info.text.genre = utf8;
    const int index = GenreIndex(utf8);
    info.genre = index >= 0 ? index : 255;
}

std::string TagGenreText(const ID3TagInfo& info)
{
    const std::string& name = info.text.genre;
    if (!name.empty()) {
        const int index = GenreIndex(name);
        if (index == info.genre || (index < 0 && info.genre == 255))
            return name;
    }
    return GenreName(info.genre);
}
