// The frame search and header decoding over arbitrary bytes, walked the way every reader walks.
#include "engine/stream/MpegFrameHeader.h"
#include "fuzz/FuzzSupport.h"

#include <span>

namespace {

bool IsMpegSampleRate(int rate)
{
    for (const int valid : { 8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000 })
        if (rate == valid)
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    size_t position = 0;
    while (const auto frame = FindNextFrame(bytes, position)) {
        const MpegFrameHeader& header = frame->header;
        Require(frame->position >= position && frame->position + 4 <= size,
            "a header lies before the start or past the end");
        Require(IsFrameHeaderCandidate(data + frame->position), "a header found fails the sync tests");
        // MPEG-2 Layer III at 8 kbit/s and 24 kHz is the shortest frame, MPEG-2 Layer II at
        // 160 kbit/s and 8 kHz with padding the longest.
        Require(header.frameLength >= 24 && header.frameLength <= 2881, "a frame length outside the standard's range");
        Require(
            header.bitrate > 0 && IsMpegSampleRate(header.sampleRate), "a bitrate or sample rate outside the tables");
        Require(header.samplesPerFrame == 384 || header.samplesPerFrame == 576 || header.samplesPerFrame == 1152,
            "samples per frame outside the tables");
        Require(header.channelMode >= 0 && header.channelMode <= 3 && header.layerIndex >= 0 && header.layerIndex <= 2,
            "a channel mode or layer outside its field");
        const size_t end = frame->position + static_cast<size_t>(header.frameLength);
        // A frame cut short by the end is where a reader's walk stops; here the search goes on
        // after its header, to reach the headers behind it.
        position = end <= size ? end : frame->position + 1;
    }
    return 0;
}
