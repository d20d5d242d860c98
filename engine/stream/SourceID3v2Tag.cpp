#include "engine/stream/SourceID3v2Tag.h"

#include "engine/stream/ID3v2Fields.h"

#include <taglib/id3v2header.h>
#include <taglib/id3v2synchdata.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/tdebuglistener.h>
#include <taglib/tfile.h>

#include <cctype>
#include <optional>

namespace {

// TagLib's reports of what it could not read go nowhere: the engine never prints.
class QuietListener : public TagLib::DebugListener {
public:
    void printMessage(const TagLib::String&) override { }
};

void SilenceTagLib()
{
    static QuietListener listener;
    static const bool once = (TagLib::setDebugListener(&listener), true);
    (void)once;
}

// The bytes of the tag as a file TagLib can read its ID3v2 tag from.
class TagBytesFile : public TagLib::File {
public:
    explicit TagBytesFile(TagLib::IOStream* stream)
        : TagLib::File(stream)
    {
    }
    TagLib::Tag* tag() const override { return nullptr; }
    TagLib::AudioProperties* audioProperties() const override { return nullptr; }
    bool save() override { return false; }
};

uint32_t BigEndian(const uint8_t* bytes, int count, int bitsPerByte)
{
    uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << bitsPerByte) | (bytes[i] & ((1u << bitsPerByte) - 1));
    return value;
}

// The number of frames in the tag when every one of them is one TagLib reads and renders back
// unharmed; none when a frame would stop TagLib's reading (it drops the frames after it) or when
// a frame is encrypted or grouped (TagLib would write it without its flags).
std::optional<size_t> CountWholeFrames(std::span<const uint8_t> block)
{
    if (block.size() < 10)
        return std::nullopt;
    const int major = block[3];
    const uint8_t flags = block[5];
    if (major < 2 || major > 4 || block[4] == 0xFF)
        return std::nullopt;
    if (major == 2 && (flags & 0x40))
        return std::nullopt; // compressed v2.2: no scheme was ever defined
    const size_t size = BigEndian(&block[6], 4, 7);
    if (10 + size > block.size())
        return std::nullopt;
    std::vector<uint8_t> data(block.begin() + 10, block.begin() + 10 + static_cast<std::ptrdiff_t>(size));
    if (major < 4 && (flags & 0x80)) {
        const TagLib::ByteVector decoded = TagLib::ID3v2::SynchData::decode(
            TagLib::ByteVector(reinterpret_cast<const char*>(data.data()), static_cast<unsigned>(data.size())));
        data.assign(decoded.begin(), decoded.end());
    }
    size_t position = 0;
    if (major >= 3 && (flags & 0x40)) {
        if (data.size() < 4)
            return std::nullopt;
        const size_t extended = major == 3 ? 4 + BigEndian(data.data(), 4, 8) : BigEndian(data.data(), 4, 7);
        position = extended;
    }
    const size_t headerSize = major == 2 ? 6 : 10;
    size_t frames = 0;
    while (position + headerSize <= data.size() && data[position] != 0) {
        const uint8_t* header = &data[position];
        for (size_t i = 0; i < (major == 2 ? 3u : 4u); ++i)
            if (!std::isupper(header[i]) && !std::isdigit(header[i]))
                return std::nullopt;
        const size_t length = major == 2 ? BigEndian(header + 3, 3, 8)
            : major == 3                 ? BigEndian(header + 4, 4, 8)
                                         : BigEndian(header + 4, 4, 7);
        if (length == 0 || length > data.size() - position - headerSize)
            return std::nullopt;
        if (major == 3 && (header[9] & 0x60))
            return std::nullopt;
        if (major == 4 && (header[9] & 0x44))
            return std::nullopt;
        position += headerSize + length;
        ++frames;
    }
    return frames;
}

} // namespace

struct SourceID3v2Tag::State {
    explicit State(const TagLib::ByteVector& bytes)
        : stream(bytes)
        , file(&stream)
        , tag(&file, 0)
    {
    }
    TagLib::ByteVectorStream stream;
    TagBytesFile file;
    TagLib::ID3v2::Tag tag;
};

SourceID3v2Tag::SourceID3v2Tag() = default;
SourceID3v2Tag::~SourceID3v2Tag() = default;

bool SourceID3v2Tag::Parse(std::span<const uint8_t> block)
{
    SilenceTagLib();
    state_.reset();
    const auto frames = CountWholeFrames(block);
    if (!frames)
        return false;
    auto state = std::make_unique<State>(
        TagLib::ByteVector(reinterpret_cast<const char*>(block.data()), static_cast<unsigned>(block.size())));
    const TagLib::ID3v2::Header& header = *state->tag.header();
    const size_t footer = header.footerPresent() ? 10 : 0;
    if (header.completeTagSize() != block.size() + footer || state->tag.frameList().size() != *frames)
        return false;
    state_ = std::move(state);
    return true;
}

int SourceID3v2Tag::MajorVersion() const { return state_ ? static_cast<int>(state_->tag.header()->majorVersion()) : 0; }

int SourceID3v2Tag::PictureCount() const
{
    return state_ ? static_cast<int>(state_->tag.frameListMap()["APIC"].size()) : 0;
}

std::vector<uint8_t> SourceID3v2Tag::RenderFor(const ID3TagInfo& piece)
{
    if (!state_)
        return {};
    const bool v23 = MajorVersion() == 3;
    WriteID3v2Fields(state_->tag, piece, v23 ? TagLib::String::UTF16 : TagLib::String::UTF8);
    const TagLib::ByteVector bytes = state_->tag.render(v23 ? TagLib::ID3v2::v3 : TagLib::ID3v2::v4);
    return { bytes.begin(), bytes.end() };
}

bool SourceID3v2Tag::ReadInto(ID3TagInfo& info) const
{
    if (!state_)
        return false;
    ReadID3v2Fields(state_->tag, info);
    return true;
}
