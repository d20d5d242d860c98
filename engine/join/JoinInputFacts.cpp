#include "engine/join/JoinInputFacts.h"

#include "engine/stream/Mp3SourceFile.h"

#include <algorithm>

bool ScanJoinInput(const std::string& path, JoinInputFacts& facts)
{
    facts = {};
    Mp3SourceFile source;
    return source.Open(path) && ScanJoinInput(source, facts);
}

bool SameFrameFormat(const JoinInputFacts& a, const JoinInputFacts& b)
{
    return a.layerIndex == b.layerIndex && a.sampleRate == b.sampleRate && a.mono == b.mono;
}

bool ScanJoinInput(Mp3SourceFile& source, JoinInputFacts& facts)
{
    facts = {};
    const auto first = source.NextCompleteFrame(source.AudioStart());
    if (!first)
        return false;
    const auto bytes = source.FrameBytes(*first);
    if (bytes.size() < 4)
        return false;
    std::copy_n(bytes.begin(), 4, facts.firstHeader.begin());
    facts.layerIndex = first->header.layerIndex;
    facts.sampleRate = first->header.sampleRate;
    facts.mono = first->header.channelMode == 3;
    facts.firstBitrate = first->header.bitrate;
    facts.samplesPerFrame = first->header.samplesPerFrame;
    if (source.HasInfoFrame()) {
        facts.hasInfoFrame = true;
        if (const auto layout = ParseInfoFrame(source.InfoFrame())) {
            facts.isXing = layout->isXing;
            facts.lameTag = layout->lameTag;
        }
    }
    return true;
}
