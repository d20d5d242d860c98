#include "engine/join/JoinInputFacts.h"

#include "engine/stream/Mp3SourceFile.h"

#include <algorithm>

bool ScanJoinInput(const std::string& path, JoinInputFacts& facts)
{
    facts = {};
    Mp3SourceFile source;
    if (!source.Open(path))
        return false;
    const auto first = source.NextCompleteFrame(source.AudioStart());
    if (!first)
        return false;
    const auto header = source.FrameBytes(*first).first(4);
    std::copy(header.begin(), header.end(), facts.firstHeader.begin());
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
