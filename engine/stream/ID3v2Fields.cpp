#include "engine/stream/ID3v2Fields.h"

#include "engine/stream/ID3TagText.h"

#include <taglib/commentsframe.h>
#include <taglib/textidentificationframe.h>

#include <cctype>

namespace {

using TagLib::ID3v2::CommentsFrame;
using TagLib::ID3v2::TextIdentificationFrame;

TagLib::String Utf8(const std::string& text) { return TagLib::String(text, TagLib::String::UTF8); }

std::string FromTagLib(const TagLib::String& text) { return text.to8Bit(true); }

void SetTextFrame(TagLib::ID3v2::Tag& tag, const char* id, const std::string& value, TagLib::String::Type encoding)
{
    const TagLib::ByteVector frameId(id);
    if (value.empty()) {
        tag.removeFrames(frameId);
        return;
    }
    const TagLib::String text = Utf8(value);
    // A fresh frame, not the source's edited: a source frame may carry flags or a text encoding
    // that its own bytes honoured but the rendered text would not. A Latin-1 frame stays Latin-1
    // while the text fits.
    const auto& frames = tag.frameListMap()[frameId];
    const auto* old = frames.isEmpty() ? nullptr : dynamic_cast<TextIdentificationFrame*>(frames.front());
    const bool keepLatin1 = old && old->textEncoding() == TagLib::String::Latin1 && text.isLatin1();
    tag.removeFrames(frameId);
    auto* frame = new TextIdentificationFrame(frameId, keepLatin1 ? TagLib::String::Latin1 : encoding);
    frame->setText(text);
    tag.addFrame(frame);
}

// The comment the ID3v1 field matches: the first COMM frame without a description (frames with
// one, such as players' own data, are left alone).
CommentsFrame* PlainComment(const TagLib::ID3v2::Tag& tag)
{
    for (TagLib::ID3v2::Frame* frame : tag.frameListMap()["COMM"])
        if (auto* comment = dynamic_cast<CommentsFrame*>(frame); comment && comment->description().isEmpty())
            return comment;
    return nullptr;
}

void SetComment(TagLib::ID3v2::Tag& tag, const std::string& value, TagLib::String::Type encoding)
{
    CommentsFrame* old = PlainComment(tag);
    const TagLib::String text = Utf8(value);
    const bool keepLatin1 = old && old->textEncoding() == TagLib::String::Latin1 && text.isLatin1();
    const TagLib::ByteVector language = old && old->language().size() == 3 ? old->language() : "eng";
    if (old)
        tag.removeFrame(old);
    if (value.empty())
        return;
    auto* comment = new CommentsFrame(keepLatin1 ? TagLib::String::Latin1 : encoding);
    comment->setLanguage(language);
    comment->setText(text);
    tag.addFrame(comment);
}

std::string FrameText(const TagLib::ID3v2::Tag& tag, const char* id)
{
    const auto& frames = tag.frameListMap()[id];
    return frames.isEmpty() ? std::string() : FromTagLib(frames.front()->toString());
}

} // namespace

int TrackNumberOf(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    long number = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && number < 1000000; ++i)
        number = number * 10 + (text[i] - '0');
    return static_cast<int>(number);
}

void WriteID3v2Fields(TagLib::ID3v2::Tag& tag, const ID3TagInfo& info, TagLib::String::Type encoding)
{
    SetTextFrame(tag, "TIT2", TagText(info, TagField::Title), encoding);
    SetTextFrame(tag, "TPE1", TagText(info, TagField::Artist), encoding);
    SetTextFrame(tag, "TALB", TagText(info, TagField::Album), encoding);
    SetTextFrame(tag, "TDRC", TagText(info, TagField::Year), encoding);
    SetComment(tag, TagText(info, TagField::Comment), encoding);
    SetTextFrame(tag, "TCON", TagGenreText(info), encoding);
    const bool hasTrack = info.hasTrack != 0 && info.track > 0;
    SetTextFrame(tag, "TRCK", hasTrack ? std::to_string(info.track) : std::string(), encoding);
}

void ReadID3v2Fields(const TagLib::ID3v2::Tag& tag, ID3TagInfo& info)
{
    const auto setIfPresent = [&](TagField field, const std::string& value) {
        if (!value.empty())
            SetTagText(info, field, value);
    };
    setIfPresent(TagField::Title, FrameText(tag, "TIT2"));
    setIfPresent(TagField::Artist, FrameText(tag, "TPE1"));
    setIfPresent(TagField::Album, FrameText(tag, "TALB"));
    setIfPresent(TagField::Year, FrameText(tag, "TDRC"));
    if (const CommentsFrame* comment = PlainComment(tag))
        setIfPresent(TagField::Comment, FromTagLib(comment->text()));
    // TagLib turns the numeric references of older tags ("(17)", "17") into names.
    if (const std::string genre = FromTagLib(tag.genre()); !genre.empty())
        SetTagGenreText(info, genre);
    if (const std::string track = FrameText(tag, "TRCK"); !track.empty()) {
        info.track = TrackNumberOf(track);
        info.hasTrack = info.track != 0;
    }
}

std::vector<uint8_t> BuildID3v2Tag(const ID3TagInfo& info)
{
    TagLib::ID3v2::Tag tag;
    WriteID3v2Fields(tag, info, TagLib::String::UTF8);
    // Every frame in UTF-8, also those whose text Latin-1 could hold.
    for (TagLib::ID3v2::Frame* frame : tag.frameList()) {
        if (auto* text = dynamic_cast<TextIdentificationFrame*>(frame))
            text->setTextEncoding(TagLib::String::UTF8);
        else if (auto* comment = dynamic_cast<CommentsFrame*>(frame))
            comment->setTextEncoding(TagLib::String::UTF8);
    }
    if (tag.frameList().isEmpty())
        return {}; // a record with no values needs no tag
    const TagLib::ByteVector bytes = tag.render(TagLib::ID3v2::v4);
    return { bytes.begin(), bytes.end() };
}
