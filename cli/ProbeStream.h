#pragma once
// The stream facts a cut takes from its probe: sample rate and total samples per channel.
#include <cstdint>
#include <string>

struct StreamProbe {
    int sampleRate = 0;
    uint64_t totalSamples = 0;
};

// Total samples come from a walk over every frame of the file, so VBR files without an information
// frame are measured exactly and an information frame's own counts are never trusted.
bool ProbeStream(const std::string& path, StreamProbe& probe);
