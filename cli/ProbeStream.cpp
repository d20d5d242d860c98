#include "cli/ProbeStream.h"

#include "engine/stream/CountStreamSamples.h"

#include <algorithm>

bool ProbeStream(const std::string& path, StreamProbe& probe)
{
    StreamSampleCount count;
    if (!CountStreamSamples(path, count))
        return false;
    probe.sampleRate = count.sampleRate;
    probe.totalSamples = static_cast<uint32_t>(std::min<int64_t>(count.totalSamples, UINT32_MAX));
    return true;
}
