#include "engine/stream/AudioTally.h"

#include "engine/stream/Crc16.h"

void AudioTally::AddBytes(std::span<const uint8_t> bytes)
{
    if (withCrc_)
        musicCrc_ = Crc16Update(musicCrc_, bytes);
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
