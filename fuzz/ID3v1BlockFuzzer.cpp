// Parsing arbitrary 128-byte ID3v1 blocks, building them again, and reading them from a file's end.
#include "engine/stream/ID3TagInfo.h"
#include "fuzz/FuzzSupport.h"

#include <cstring>

namespace {

bool SameTag(const ID3TagInfo& a, const ID3TagInfo& b)
{
    return std::memcmp(a.title, b.title, sizeof a.title) == 0 && std::memcmp(a.artist, b.artist, sizeof a.artist) == 0
        && std::memcmp(a.album, b.album, sizeof a.album) == 0 && std::memcmp(a.year, b.year, sizeof a.year) == 0
        && std::memcmp(a.comment, b.comment, sizeof a.comment) == 0 && a.genre == b.genre && a.hasTrack == b.hasTrack
        && a.track == b.track;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ID3v1Block block {};
    std::memcpy(block.data(), data, std::min(size, block.size()));
    std::memcpy(block.data(), "TAG", 3); // the parser is only given blocks that begin so
    ID3TagInfo parsed;
    ParseID3v1Block(block.data(), parsed);
    Require(strnlen(parsed.title, 32) <= 30 && strnlen(parsed.artist, 32) <= 30 && strnlen(parsed.album, 32) <= 30
            && strnlen(parsed.year, 5) <= 4 && strnlen(parsed.comment, 32) <= 30,
        "a text field past its limit or without its terminator");
    Require(parsed.genre >= 0 && parsed.genre <= 255 && parsed.track >= 0 && parsed.track <= 255,
        "a genre or track outside its byte");
    Require(!parsed.hasTrack || strnlen(parsed.comment, 32) <= 28, "a comment over the track byte");

    // What is parsed is built into a block that parses to the same record.
    ID3v1Block rebuilt {};
    BuildID3v1FromInfo(rebuilt.data(), parsed);
    ID3TagInfo again;
    ParseID3v1Block(rebuilt.data(), again);
    Require(SameTag(parsed, again), "a built block does not read back as its record");

    // The same bytes at the end of a file read back as the same record.
    const std::string path = WriteScratchFile("tagged.mp3", data, size);
    ID3TagInfo fromFile;
    const bool found = ReadID3v1Tag(path, fromFile);
    Require(found == (size >= 128 && std::memcmp(data + size - 128, "TAG", 3) == 0), "a tag found where none is");
    if (found) {
        ID3TagInfo fromEnd;
        ParseID3v1Block(data + size - 128, fromEnd);
        Require(SameTag(fromFile, fromEnd), "the file's tag reads differently from its bytes");
    }

    // The setters hold any text to the field limits.
    const std::string text(reinterpret_cast<const char*>(data), size);
    ID3TagInfo set;
    SetTagTitle(set, text);
    SetTagYear(set, text);
    SetTagComment(set, text);
    Require(strnlen(set.title, 32) <= 30 && strnlen(set.year, 5) <= 4 && strnlen(set.comment, 32) <= 30,
        "a setter wrote past its field's limit");
    return 0;
}
