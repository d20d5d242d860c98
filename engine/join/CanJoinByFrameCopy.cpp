#include "engine/join/CanJoinByFrameCopy.h"

bool CanJoinByFrameCopy(std::span<const JoinStreamFacts> entries)
{
    if (entries.size() < 2)
        return false;
    const JoinStreamFacts& first = entries[0];
    const bool firstIsMono = first.channelMode == 3;
    for (const JoinStreamFacts& entry : entries.subspan(1)) {
        if (entry.layer != first.layer || entry.sampleRate != first.sampleRate
            || (entry.channelMode == 3) != firstIsMono)
            return false;
    }
    return true;
}
