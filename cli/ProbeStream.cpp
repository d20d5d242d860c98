#include "cli/ProbeStream.h"

#include "engine/stream/CountStreamSamples.h"

bool ProbeStream(const std::string& path, StreamProbe& probe)
{
    StreamSampleCount count;
    if (!CountStreamSamples(path, count))
        return false;
    probe.sampleRate = count.sampleRate;
    probe.totalSamples = static_cast<uint64_t>(count.totalSamples);
    return true;
}
