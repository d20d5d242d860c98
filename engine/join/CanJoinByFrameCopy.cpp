#include "engine/join/CanJoinByFrameCopy.h"

bool CanJoinByFrameCopy(std::span<const JoinStreamFacts> entries)
{
    if (entries.size() < 2 || entries[0].isVbr)
        return false;
    const JoinStreamFacts& first = entries[0];
    for (const JoinStreamFacts& entry : entries.subspan(1)) {
        if (entry.isVbr || entry.sampleRate != first.sampleRate || entry.bitrate != first.bitrate
            || entry.channelMode != first.channelMode)
            return false;
    }
    return true;
}
