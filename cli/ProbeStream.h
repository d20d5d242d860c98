#pragma once
// The stream facts a batch cut takes from its probe: sample rate and total samples per channel.
#include <cstdint>
#include <string>

struct StreamProbe {
    int sampleRate = 0;
    uint32_t totalSamples = 0;
};

// Total samples come from the VBR information frame's frame count when it has one; otherwise they
// are estimated from the file size and the first frame's bitrate in whole seconds.
bool ProbeStream(const std::string& path, StreamProbe& probe);
