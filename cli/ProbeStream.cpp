#include "cli/ProbeStream.h"

#include "engine/stream/Mp3SourceFile.h"

namespace {

// The frame count of a VBR information frame whose flags announce one; 0 otherwise.
uint32_t InfoFrameCount(const std::vector<uint8_t>& frame)
{
    if (frame.size() < 4)
        return 0;
    const auto header = DecodeFrameHeader(frame.data());
    if (!header)
        return 0;
    const size_t flagsAt = 4 + static_cast<size_t>(header->sideInfoSize) + 4;
    if (flagsAt + 8 > frame.size() || (frame[flagsAt + 3] & 1) == 0)
        return 0;
    const uint8_t* count = frame.data() + flagsAt + 4;
    return (uint32_t { count[0] } << 24) | (uint32_t { count[1] } << 16) | (uint32_t { count[2] } << 8) | count[3];
}

} // namespace

bool ProbeStream(const std::string& path, StreamProbe& probe)
{
    Mp3SourceFile source;
    if (!source.Open(path))
        return false;
    probe.sampleRate = source.SampleRate();
    if (const uint32_t frames = source.HasInfoFrame() ? InfoFrameCount(source.InfoFrame()) : 0; frames > 0) {
        probe.totalSamples
            = static_cast<uint32_t>(uint64_t { frames } * static_cast<uint64_t>(source.SamplesPerFrame()));
        return true;
    }
    const auto first = source.FindNextFrame(source.ID3v2Length());
    const int bitrate = first ? first->header.bitrate : source.Bitrate();
    if (bitrate <= 0)
        return false;
    const uint64_t audioBytes = static_cast<uint32_t>(source.Size()) - source.ID3v2Length();
    const uint64_t seconds = audioBytes * 8 / (static_cast<uint64_t>(bitrate) * 1000);
    probe.totalSamples = static_cast<uint32_t>(seconds * static_cast<uint64_t>(probe.sampleRate));
    return true;
}
