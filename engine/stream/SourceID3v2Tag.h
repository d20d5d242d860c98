#pragma once
// A file's leading ID3v2 tag, read with TagLib from the block's bytes, and rendered again with the
// values of a piece: the frames that match the ID3v1 fields (TIT2, TPE1, TALB, TDRC/TYER, COMM,
// TCON, TRCK) take the piece's values, every other frame stays as it was, and the tag keeps its
// version (a v2.2 tag, which TagLib reads but cannot write, becomes v2.4).
//
// A tag that TagLib cannot read wholly (a frame it would stop at, an encrypted or grouped frame, a
// compressed v2.2 tag, a size that disagrees with the block) is not parsed: its pieces carry the
// source's bytes unchanged.
#include "engine/stream/ID3TagInfo.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class SourceID3v2Tag {
public:
    SourceID3v2Tag();
    ~SourceID3v2Tag();
    SourceID3v2Tag(const SourceID3v2Tag&) = delete;
    SourceID3v2Tag& operator=(const SourceID3v2Tag&) = delete;

    // Reads the tag from its whole block (header, frames, padding). False when it cannot be read
    // wholly: the caller then copies the block unchanged.
    bool Parse(std::span<const uint8_t> block);
    bool Parsed() const { return state_ != nullptr; }
    // 2, 3 or 4 for a parsed tag, else 0.
    int MajorVersion() const;
    int PictureCount() const;

    // The tag with the piece's values in the fields' frames ("no track" removes TRCK); empty for a
    // tag that was not parsed.
    std::vector<uint8_t> RenderFor(const ID3TagInfo& piece);
    // Sets the record's fields from the tag's frames; a field the tag lacks keeps its value.
    // Returns whether the tag was parsed.
    bool ReadInto(ID3TagInfo& info) const;

private:
    struct State;
    std::unique_ptr<State> state_;
};
