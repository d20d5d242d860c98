#include "app/EncodingChoices.h"

#include <algorithm>

int BitRateForSampleRate(int sampleRate, int bitRate)
{
    switch (sampleRate) {
    case 8000:
    case 11025:
    case 12000:
        return std::min(bitRate, 64);
    case 16000:
    case 22050:
    case 24000:
        return std::min(bitRate, 160);
    case 32000:
    case 44100:
    case 48000:
        return std::max(bitRate, 32);
    default:
        return bitRate;
    }
}

int SampleRateForBitRate(int bitRate, int sampleRate)
{
    switch (bitRate) {
    case 8:
    case 16:
    case 24:
        return std::min(sampleRate, 24000);
    case 80:
    case 96:
    case 112:
    case 128:
    case 144:
    case 160:
        return std::max(sampleRate, 16000);
    case 192:
    case 224:
    case 256:
    case 320:
        return std::max(sampleRate, 32000);
    default:
        return sampleRate;
    }
}
