#pragma once
// What the audio frames of an output add up to, counted while they are written: frames, bytes,
// whether the bitrate varies, the seek table and (when asked for) the music CRC of a LAME tag.
#include "engine/stream/InfoFrameWriter.h"
#include "engine/stream/SeekTableBuilder.h"

#include <array>
#include <cstdint>
#include <span>

class AudioTally {
public:
    // infoFrameLength: the bytes before the first audio frame that the seek table counts; withCrc:
    // whether the music CRC is needed (it costs a pass over every byte).
    AudioTally(uint64_t infoFrameLength, bool withCrc)
        : infoFrameLength_(infoFrameLength)
        , withCrc_(withCrc)
    {
    }

    // One audio frame, in output order.
    void Add(std::span<const uint8_t> frame, int bitrate)
    {
        AddFrame(frame.size(), bitrate);
        AddBytes(frame);
    }
    // The same in two steps, for runs of frames: each frame's length and bitrate in turn, and the
    // bytes of the frames counted so far, in order, in spans of any length.
    void AddFrame(size_t length, int bitrate)
    {
        if (seekTable_.Frames() == 0)
            firstBitrate_ = bitrate;
        else if (bitrate != firstBitrate_)
            bitrateVaries_ = true;
        seekTable_.Add(ByteCount());
        audioBytes_ += length;
    }
    void AddBytes(std::span<const uint8_t> bytes);

    uint64_t Frames() const { return seekTable_.Frames(); }
    uint64_t AudioBytes() const { return audioBytes_; }
    uint64_t ByteCount() const { return infoFrameLength_ + audioBytes_; } // the information frame's byte count
    bool BitrateVaries() const { return bitrateVaries_; }
    uint16_t MusicCrc() const { return musicCrc_; }
    std::array<uint8_t, 100> SeekTable() const { return seekTable_.Build(ByteCount()); }
    // The information frame's counts, seek table and music CRC for these frames; the caller adds
    // the rest (bitrate kind, delay, padding).
    InfoFrameValues InfoValues() const;

private:
    uint64_t infoFrameLength_ = 0;
    bool withCrc_ = false;
    uint64_t audioBytes_ = 0;
    int firstBitrate_ = 0;
    bool bitrateVaries_ = false;
    uint16_t musicCrc_ = 0;
    SeekTableBuilder seekTable_;
};
