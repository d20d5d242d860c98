#pragma once
// An MP3 file opened for reading frames, with its leading ID3v2 block, its saved VBR information
// frame ("Xing" or "Info"), the first frame's stream facts and a cursor. Positions are byte offsets
// into the file (64-bit: files over 4 GiB work).
//
// The bytes are read through a bounded window (ReadWindow), so memory stays small whatever the
// file's size. A span of bytes handed out stays valid only until the next read from this file.
// A file that was truncated or could not be read while it was walked ends every walk at the
// failure: ReadFailed() tells such an end from the end of the stream.
#include "engine/stream/InSyncHeaderCache.h"
#include "engine/stream/MainData.h"
#include "engine/stream/MpegFrameHeader.h"
#include "platform/ReadWindow.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

static_assert(sizeof(size_t) >= 8, "file offsets are kept in size_t");

class Mp3SourceFile {
public:
    static constexpr int kNoChannelMode = 4;

    // Why the last Open failed.
    enum class OpenError { None, Unreadable, NoAudio, FreeFormat };

    Mp3SourceFile() = default;
    virtual ~Mp3SourceFile() = default;
    Mp3SourceFile(const Mp3SourceFile&) = delete;
    Mp3SourceFile& operator=(const Mp3SourceFile&) = delete;

    // Maps the file, skips every leading ID3v2 tag and finds the first confirmed frame (see
    // SyncedFrame); false when there is none.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return file_.IsOpen(); }
    OpenError LastOpenError() const { return openError_; }

    // The frame search over this file's bytes; remembers the header's channel mode and
    // side-information size.
    std::optional<FoundFrame> FindNextFrame(size_t position);
    // The first header candidate at or after position that is not free format, without any check
    // of what follows it or whether it fits.
    std::optional<FoundFrame> SearchFrame(size_t position) const;
    // The one search every walk over the stream makes: the next frame at or after position that
    // lies wholly inside the audio (before the trailing tags). A frame that starts right at
    // position continues the stream in sync and is taken as it is. Anywhere else the stream is
    // being (re)synchronised, past junk, a damaged frame or a tag: a candidate counts only when
    // confirmed, that is when the next header follows right at its end with the same version,
    // layer and sample rate or the audio ends there; otherwise the search goes on from the
    // candidate's next byte. None when the stream has ended.
    std::optional<FoundFrame> SyncedFrame(size_t position) const;
    // One step of the frame walk: SyncedFrame, remembering the header's facts.
    std::optional<FoundFrame> NextCompleteFrame(size_t position);

    // The walk's quick path through a stream in sync: copies the bytes from position on into
    // room (as many as fit, fewer after a break of sync) and walks the frames among them, each
    // one's header right at the end of the frame before. A frame is taken as SyncedFrame takes
    // one in sync: its four bytes are a header, it is not free format and it lies wholly inside
    // the audio. Frames found anywhere else must be confirmed: that is left to SyncedFrame.
    // each(frame, bytes) is called for every frame in turn, bytes being the whole frame in room,
    // and returns false to stop before that frame. The result is the length of the frames taken,
    // from room's start: one run of the file's bytes for one CRC and one write. 0 where a step
    // of NextCompleteFrame must search, and when the read failed.
    template <class Each>
    size_t FramesInSync(size_t position, std::span<uint8_t> room, Each&& each);
    // The least room worth a run: smaller rooms are handed over and a fresh one is taken.
    static constexpr size_t kInSyncRoomBytes = size_t { 64 } << 10;
    // Whether FramesInSync walks at all: tests turn it off to compare its outputs with those of
    // the frame-by-frame walk.
    static void SetInSyncRuns(bool enabled) { inSyncRuns_ = enabled; }

    // The bytes of a frame found in this file; it must lie wholly inside the file. Empty once a
    // read failed.
    std::span<const uint8_t> FrameBytes(const FoundFrame& frame) const
    {
        return file_.Read(frame.position, static_cast<size_t>(frame.header.frameLength));
    }
    // Where the frame's main data lies (Layer III borrows from earlier frames).
    MainDataFacts MainDataOf(const FoundFrame& frame) const { return ReadMainData(FrameBytes(frame), frame.header); }
    // The first complete audio frame after the ID3v2 tags and the information frame.
    size_t AudioStart() const { return audioStart_; }
    // One past the last byte that may hold audio: the size less the trailing ID3v1, APE and
    // Lyrics3 blocks.
    size_t AudioEnd() const { return audioEnd_; }

    // Up to length bytes from position (fewer at the end of the file); valid until the next read.
    std::span<const uint8_t> Read(size_t position, size_t length) const { return file_.Read(position, length); }
    size_t Size() const { return static_cast<size_t>(file_.Size()); }
    // Where the cursor stands once a walk has reached the end: the end of the audio.
    size_t End() const { return audioEnd_; }
    const std::string& Path() const { return file_.Path(); }
    // Whether a read met the file shorter than when it was opened, or an I/O error.
    bool ReadFailed() const { return file_.ReadFailed(); }
    // The file itself, for copies of byte ranges (OutputFile::CopyFrom).
    const ReadWindow& File() const { return file_; }

    size_t Cursor() const { return cursor_; }
    void SetCursor(size_t position) { cursor_ = position; }

    int SampleRate() const { return sampleRate_; }
    // Averaged over the audio frames when an info frame is present: that walk over the whole file
    // is made the first time it is asked for, since frame copies never need it.
    int Bitrate() const;
    int SamplesPerFrame() const { return samplesPerFrame_; }
    int ChannelMode() const { return channelMode_; }
    int SideInfoSize() const { return sideInfoSize_; }

    // The file's first ID3v2 tag, the one pieces copy. Further tags in a row after it are passed
    // over, not copied.
    bool HasID3v2() const { return id3v2Length_ > 0; }
    size_t ID3v2Length() const { return id3v2Length_; }

    bool HasInfoFrame() const { return !infoFrame_.empty(); }
    const std::vector<uint8_t>& InfoFrame() const { return infoFrame_; }
    size_t InfoFrameLength() const { return infoFrame_.size(); }
    size_t InfoFramePosition() const { return infoFramePosition_; }
    // "Xing", "Info" or "VBRI" when an information frame was saved, else empty.
    const std::string& InfoFrameKind() const { return infoFrameKind_; }
    // The frame count the information frame announces, of any kind; none without one.
    std::optional<uint32_t> InfoFrameCount() const;

private:
    // SyncedFrame; with trustPosition false a frame right at position is confirmed too.
    std::optional<FoundFrame> SyncFrom(size_t position, bool trustPosition) const;
    bool Confirmed(const FoundFrame& frame) const;
    // Whether a free-format header at or after position repeats nearby, as in such a stream.
    bool FreeFormatStreamAt(size_t position) const;
    // Asks the processor for the bytes ahead of a walk at position (bytes: the window from there).
    void PrefetchAhead(size_t position, std::span<const uint8_t> bytes) const;

    ReadWindow file_;
    size_t cursor_ = 0;
    size_t audioStart_ = 0;
    size_t audioEnd_ = 0;
    OpenError openError_ = OpenError::None;
    int sampleRate_ = 0;
    mutable int bitrate_ = 0; // 0 until averaged, for a file with an information frame
    int firstAudioBitrate_ = 0;
    int samplesPerFrame_ = 0;
    int channelMode_ = kNoChannelMode;
    int sideInfoSize_ = 0;
    size_t id3v2Length_ = 0;
    std::vector<uint8_t> infoFrame_;
    size_t infoFramePosition_ = 0;
    std::string infoFrameKind_;
    mutable size_t prefetchedTo_ = 0; // the walk's bytes before this were asked for
    InSyncHeaderCache syncHeaders_; // FramesInSync's headers
    static constexpr size_t kFirstInSyncReadBytes = size_t { 4 } << 10;
    static constexpr size_t kMaxInSyncReadBytes = size_t { 1 } << 20;
    size_t inSyncReadBytes_ = kMaxInSyncReadBytes; // FramesInSync's next read at most
    static inline bool inSyncRuns_ = true;
};

template <class Each>
size_t Mp3SourceFile::FramesInSync(size_t position, std::span<uint8_t> room, Each&& each)
{
    if (!inSyncRuns_ || position >= End())
        return 0;
    // After a break of sync the reads start small, so that a damaged stretch, where every few
    // frames need a search, is not read a room at a time; each run that gets to its bytes' end
    // doubles them.
    const size_t wanted = std::min({ room.size(), inSyncReadBytes_, End() - position });
    const size_t reach = file_.ReadInto(position, room.first(wanted));
    size_t p = 0;
    FoundFrame found; // the frame handed to each
    int channelMode = -1; // the last taken frame's
    int sideInfoSize = 0;
    bool broken = false;
    bool bytesEnd = true; // the walk got to the end of the bytes read
    while (p + 4 <= reach) {
        const MpegFrameHeader* header = syncHeaders_.Decode(&room[p]);
        if (!header) {
            broken = true;
            bytesEnd = false;
            break;
        }
        const auto length = static_cast<size_t>(header->frameLength);
        if (p + length > reach)
            break;
        found.position = position + p;
        found.header = *header;
        if (!each(static_cast<const FoundFrame&>(found), std::span<const uint8_t>(room.data() + p, length))) {
            bytesEnd = false;
            break;
        }
        channelMode = header->channelMode;
        sideInfoSize = header->sideInfoSize;
        p += length;
    }
    if (broken)
        inSyncReadBytes_ = kFirstInSyncReadBytes;
    else if (bytesEnd && reach > 0)
        inSyncReadBytes_ = std::min(inSyncReadBytes_ * 2, kMaxInSyncReadBytes);
    if (channelMode >= 0) {
        channelMode_ = channelMode;
        sideInfoSize_ = sideInfoSize;
    }
    return p;
}

// The ID3v2 block length (10 + synchsafe size, + 10 for a flagged footer) of bytes that start
// with "ID3" and hold at least the 10-byte header; 0 otherwise.
size_t ID3v2BlockLength(std::span<const uint8_t> fileStart);
