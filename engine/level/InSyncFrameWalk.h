#pragma once
// The frame walk of the level overview: frames in sync are walked straight in the file's window,
// a run of bytes at a time, each frame's header right at the end of the one before and the frame
// inside the audio. A frame anywhere else (past junk, a damaged frame or a tag) is left to the
// source's frame-by-frame step, which confirms where the stream resumes. The frames are those
// the frame-by-frame walk from the same cursor takes.
#include "engine/stream/Mp3SourceFile.h"
#include "engine/stream/MpegFrameHeader.h"

#include <cstring>
#include <optional>
#include <span>
#include <vector>

// The header of a frame in sync: the last one decoded is kept, and one whose bytes differ from it
// only in the padding, private, mode extension, copyright and original bits is not decoded again.
class InSyncHeaders {
public:
    std::optional<MpegFrameHeader> Decode(const uint8_t* bytes)
    {
        uint8_t b[4];
        std::memcpy(b, bytes, sizeof b);
        const uint32_t key = (uint32_t { b[0] } << 24) | (uint32_t { b[1] } << 16) | (uint32_t { b[2] & 0xFCu } << 8)
            | uint32_t { b[3] & 0xC3u };
        if (!known_ || key != key_) {
            const auto header = DecodeFrameHeader(b);
            if (!header)
                return std::nullopt;
            known_ = true;
            key_ = key;
            header_ = *header;
        }
        const int padding = (b[2] >> 1) & 0x01;
        if (padding != header_.padding) {
            // A padded frame is one slot longer: 4 bytes in Layer I, 1 byte otherwise.
            header_.frameLength += (padding - header_.padding) * (header_.layerIndex == 0 ? 4 : 1);
            header_.padding = padding;
        }
        return header_;
    }

private:
    bool known_ = false; // before the first header, key_ and header_ mean nothing
    uint32_t key_ = 0;
    MpegFrameHeader header_ {};
};

// Walks the frames from the source's cursor to the end of its audio. take(frame, bytes) gets each
// frame with its whole bytes (valid only during the call), sets the cursor past it, and returns
// false to stop the walk.
template <class Take> void WalkFramesInSync(Mp3SourceFile& source, Take&& take)
{
    // The bytes walked at once, copied into a room small enough to stay in the processor's cache:
    // cheaper than mapping the file's pages, whose tables cost more than the copy.
    constexpr size_t kRunBytes = size_t { 256 } << 10;
    std::vector<uint8_t> room(kRunBytes);
    InSyncHeaders headers;
    for (;;) {
        const size_t position = source.Cursor();
        const auto bytes = std::span<const uint8_t>(room).first(source.File().ReadInto(position, room));
        size_t p = 0;
        while (p + 4 <= bytes.size()) {
            const auto header = headers.Decode(&bytes[p]);
            if (!header)
                break;
            const auto length = static_cast<size_t>(header->frameLength);
            if (p + length > bytes.size() || position + p + length > source.End())
                break;
            if (!take(FoundFrame { position + p, *header }, bytes.subspan(p, length)))
                return;
            p += length;
        }
        if (p > 0)
            continue;
        if (source.ReadFailed())
            return;
        const auto frame = source.NextCompleteFrame(source.Cursor());
        if (!frame || !take(*frame, source.FrameBytes(*frame)))
            return;
    }
}
