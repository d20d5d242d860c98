#pragma once
// The frame walk of the level overview: frames in sync are walked in runs of bytes read at once,
// each frame's header right at the end of the one before and the frame inside the audio. A frame
// anywhere else (past junk, a damaged frame or a tag) is left to the source's frame-by-frame step,
// which confirms where the stream resumes. The frames are those the frame-by-frame walk from the
// same cursor takes.
#include "engine/stream/InSyncHeaderCache.h"
#include "engine/stream/Mp3SourceFile.h"

#include <span>
#include <memory>

// Walks the frames from the source's cursor to the end of its audio. take(frame, bytes) gets each
// frame with its whole bytes (valid only during the call), sets the cursor past it, and returns
// false to stop the walk.
template <class Take> void WalkFramesInSync(Mp3SourceFile& source, Take&& take)
{
    // The bytes walked at once, copied into a room small enough to stay in the processor's cache:
    // cheaper than mapping the file's pages, whose tables cost more than the copy.
    constexpr size_t kRunBytes = size_t { 256 } << 10;
    // Not cleared first: only the bytes a read has filled are looked at.
    const auto roomBytes = std::make_unique_for_overwrite<uint8_t[]>(kRunBytes);
    const std::span<uint8_t> room(roomBytes.get(), kRunBytes);
    InSyncHeaderCache headers;
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
