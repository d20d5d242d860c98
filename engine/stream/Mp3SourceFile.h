#pragma once
// An MP3 file opened for reading frames: mapped read-only as a whole, with its leading ID3v2 block,
// its saved VBR information frame ("Xing" or "Info"), the first frame's stream facts and a cursor.
// Positions are byte offsets into the mapping.
#include "engine/stream/MainData.h"
#include "engine/stream/MpegFrameHeader.h"
#include "platform/MappedFile.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

class Mp3SourceFile {
public:
    static constexpr int kNoChannelMode = 4;

    Mp3SourceFile() = default;
    virtual ~Mp3SourceFile() = default;
    Mp3SourceFile(const Mp3SourceFile&) = delete;
    Mp3SourceFile& operator=(const Mp3SourceFile&) = delete;

    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return file_.IsOpen(); }

    // The frame search over this file's bytes; remembers the header's channel mode and
    // side-information size.
    std::optional<FoundFrame> FindNextFrame(size_t position);
    // One step of the frame walk: the next frame at or after position that lies wholly inside the
    // file, or none when the stream has ended there.
    std::optional<FoundFrame> NextCompleteFrame(size_t position);

    // The bytes of a frame found in this file; it must lie wholly inside the file.
    std::span<const uint8_t> FrameBytes(const FoundFrame& frame) const
    {
        return Bytes().subspan(frame.position, static_cast<size_t>(frame.header.frameLength));
    }
    // Where the frame's main data lies (Layer III borrows from earlier frames).
    MainDataFacts MainDataOf(const FoundFrame& frame) const { return ReadMainData(FrameBytes(frame), frame.header); }
    // The first complete audio frame after the ID3v2 block and the information frame.
    size_t AudioStart() const { return audioStart_; }

    const uint8_t* Data() const { return file_.Data(); }
    size_t Size() const { return file_.Size(); }
    std::span<const uint8_t> Bytes() const { return { file_.Data(), file_.Size() }; }
    // Offset one past the last byte: where the cursor stands once a walk has reached the end.
    size_t End() const { return file_.Size(); }

    size_t Cursor() const { return cursor_; }
    void SetCursor(size_t position) { cursor_ = position; }

    int SampleRate() const { return sampleRate_; }
    int Bitrate() const { return bitrate_; } // averaged over the audio frames when an info frame is present
    int SamplesPerFrame() const { return samplesPerFrame_; }
    int ChannelMode() const { return channelMode_; }
    int SideInfoSize() const { return sideInfoSize_; }

    bool HasID3v2() const { return id3v2Length_ > 0; }
    size_t ID3v2Length() const { return id3v2Length_; }
    std::span<const uint8_t> ID3v2Block() const { return { file_.Data(), id3v2Length_ }; }

    bool HasInfoFrame() const { return !infoFrame_.empty(); }
    const std::vector<uint8_t>& InfoFrame() const { return infoFrame_; }
    size_t InfoFrameLength() const { return infoFrame_.size(); }
    size_t InfoFramePosition() const { return infoFramePosition_; }
    // "Xing" or "Info" when an information frame was saved, else empty.
    const std::string& InfoFrameKind() const { return infoFrameKind_; }

private:
    MappedFile file_;
    size_t cursor_ = 0;
    size_t audioStart_ = 0;
    int sampleRate_ = 0;
    int bitrate_ = 0;
    int samplesPerFrame_ = 0;
    int channelMode_ = kNoChannelMode;
    int sideInfoSize_ = 0;
    size_t id3v2Length_ = 0;
    std::vector<uint8_t> infoFrame_;
    size_t infoFramePosition_ = 0;
    std::string infoFrameKind_;
};

// The ID3v2 block length (10 + synchsafe size) of a file that starts with "ID3" and holds at
// least the 10-byte header; 0 otherwise. A footer is not counted.
size_t ID3v2BlockLength(std::span<const uint8_t> fileStart);
