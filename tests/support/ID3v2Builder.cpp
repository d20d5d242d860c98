#include "tests/support/ID3v2Builder.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tfilestream.h>
#include <taglib/unsynchronizedlyricsframe.h>

namespace {

using namespace TagLib;

String Utf8(const std::string& text) { return String(text, String::UTF8); }
std::string FromTagLib(const String& text) { return text.to8Bit(true); }

void AddText(ID3v2::Tag& tag, const char* id, const std::string& text)
{
    auto* frame = new ID3v2::TextIdentificationFrame(id, String::UTF16);
    frame->setText(Utf8(text));
    tag.addFrame(frame);
}

} // namespace

Bytes ID3v2TagValues::PictureBytes()
{
    Bytes bytes { 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A };
    for (int i = 0; i < 3000; ++i)
        bytes.push_back(static_cast<uint8_t>((i * 37) ^ (i >> 3)));
    return bytes;
}

Bytes MakeID3v2Tag(const ID3v2TagValues& values)
{
    ID3v2::Tag tag;
    AddText(tag, "TIT2", values.title);
    AddText(tag, "TPE1", values.artist);
    AddText(tag, "TALB", values.album);
    AddText(tag, "TDRC", values.year);
    AddText(tag, "TCON", values.genre);
    if (!values.track.empty())
        AddText(tag, "TRCK", values.track);
    auto* comment = new ID3v2::CommentsFrame(String::UTF16);
    comment->setLanguage("eng");
    comment->setText(Utf8(values.comment));
    tag.addFrame(comment);
    auto* picture = new ID3v2::AttachedPictureFrame;
    picture->setMimeType("image/png");
    picture->setType(ID3v2::AttachedPictureFrame::FrontCover);
    picture->setPicture(ByteVector(reinterpret_cast<const char*>(values.picture.data()), values.picture.size()));
    tag.addFrame(picture);
    auto* lyrics = new ID3v2::UnsynchronizedLyricsFrame(String::UTF16);
    lyrics->setLanguage("eng");
    lyrics->setText(Utf8(values.lyrics));
    tag.addFrame(lyrics);
    auto* gain = new ID3v2::UserTextIdentificationFrame(String::UTF16);
    gain->setDescription("replaygain_track_gain");
    gain->setText("-6.5 dB");
    tag.addFrame(gain);
    const ByteVector bytes = tag.render(values.version == 3 ? ID3v2::v3 : ID3v2::v4);
    return { bytes.begin(), bytes.end() };
}

std::optional<ID3v2ReadBack> ReadID3v2Back(const std::string& path)
{
    MPEG::File file(path.c_str(), false);
    if (!file.isValid() || !file.hasID3v2Tag())
        return std::nullopt;
    ID3v2::Tag& tag = *file.ID3v2Tag();
    ID3v2ReadBack back;
    back.version = static_cast<int>(tag.header()->majorVersion());
    back.title = FromTagLib(tag.title());
    back.artist = FromTagLib(tag.artist());
    back.album = FromTagLib(tag.album());
    back.comment = FromTagLib(tag.comment());
    back.genre = FromTagLib(tag.genre());
    const auto& map = tag.frameListMap();
    if (!map["TDRC"].isEmpty())
        back.year = FromTagLib(map["TDRC"].front()->toString());
    if (!map["TRCK"].isEmpty())
        back.track = FromTagLib(map["TRCK"].front()->toString());
    for (ID3v2::Frame* frame : map["APIC"]) {
        const ByteVector data = static_cast<ID3v2::AttachedPictureFrame*>(frame)->picture();
        back.pictures.emplace_back(data.begin(), data.end());
    }
    if (!map["USLT"].isEmpty())
        back.lyrics = FromTagLib(static_cast<ID3v2::UnsynchronizedLyricsFrame*>(map["USLT"].front())->text());
    if (auto* gain = ID3v2::UserTextIdentificationFrame::find(&tag, "replaygain_track_gain"))
        back.replayGain = FromTagLib(gain->fieldList().back());
    return back;
}
