#include "engine/join/JoinMethodText.h"

#include "engine/join/Mp3FileEncoder.h"

#include <cstdio>

namespace {

const char* ModeName(int mode)
{
    switch (mode) {
    case 1:
        return "joint";
    case 3:
        return "mono";
    default:
        return "stereo";
    }
}

} // namespace

std::string EncodingText(const JoinEncoding& encoding, int encodedBitrate)
{
    char text[80];
    std::snprintf(text, sizeof text, "%d Hz %d kbps %s", encoding.sampleRate,
        encodedBitrate > 0 ? encodedBitrate : Mp3FileEncoder::ClampBitrate(encoding.bitrate),
        ModeName(Mp3FileEncoder::NormalizeMode(encoding.channelMode)));
    return text;
}

std::string JoinMethodText(const JoinMethod& method, int encodedBitrate)
{
    return method.frameCopy ? "frame copy" : "re-encode " + EncodingText(method.encoding, encodedBitrate);
}
