#include "engine/join/PickAutoEncoding.h"

#include <algorithm>

JoinEncoding PickAutoEncoding(std::span<const JoinStreamFacts> entries)
{
    JoinEncoding encoding { 0, 0, 3 };
    for (const JoinStreamFacts& entry : entries) {
        encoding.sampleRate = std::max(encoding.sampleRate, entry.sampleRate);
        encoding.bitrate = std::max(encoding.bitrate, entry.bitrate);
        if (entry.channelMode == 1)
            encoding.channelMode = 1;
        else if (entry.channelMode == 0 && encoding.channelMode == 3)
            encoding.channelMode = 0;
    }
    return encoding;
}
