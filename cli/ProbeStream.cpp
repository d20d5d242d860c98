#include "cli/ProbeStream.h"

#include "engine/stream/CountStreamSamples.h"

bool ProbeStream(const std::string& path, StreamProbe& probe)
{
    StreamSampleCount count;
    if (!CountStreamSamples(path, count))
        return false;
    probe.sampleRate = count.sampleRate;
    // A stream that changes its rate is planned in samples of its first rate, each frame timed at its own.
    probe.totalSamples = static_cast<uint64_t>(count.SamplesAtFirstRate());
    return true;
}
