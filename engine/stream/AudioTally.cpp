#include "engine/stream/AudioTally.h"

#include "engine/stream/Crc16.h"

void AudioTally::Add(std::span<const uint8_t> frame, int bitrate)
{
    if (seekTable_.Frames() == 0)
        firstBitrate_ = bitrate;
    else if (bitrate != firstBitrate_)
        bitrateVaries_ = true;
    seekTable_.Add(ByteCount());
    audioBytes_ += frame.size();
    if (withCrc_)
        musicCrc_ = Crc16Update(musicCrc_, frame);
}

InfoFrameValues AudioTally::InfoValues() const
{
    InfoFrameValues values;
    values.frameCount = Frames();
    values.byteCount = ByteCount();
    values.seekTable = SeekTable();
    values.musicCrc = MusicCrc();
    return values;
}
