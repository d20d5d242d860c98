#include "engine/join/JoinStreamFacts.h"

#include "engine/join/Mp3StreamDecoder.h"
#include "engine/stream/AverageBitrate.h"

JoinStreamFacts StreamFactsOf(const Mp3StreamDecoder& decoder)
{
    JoinStreamFacts facts;
    facts.sampleRate = decoder.SampleRate();
    facts.bitrate = decoder.Bitrate();
    facts.channelMode = decoder.Mode();
    facts.isVbr = decoder.IsVbr();
    facts.layer = decoder.Layer();
    return facts;
}

bool ProbeJoinInput(const std::string& path, JoinStreamFacts& facts)
{
    Mp3StreamDecoder decoder;
    if (!decoder.Open(path))
        return false;
    facts = StreamFactsOf(decoder);
    // As the joiner list shows it: a variable-bitrate stream counts by its average, not by its
    // first frame, so the automatic encoding is the same wherever the join is started.
    if (const int average = AverageBitrate(decoder.Source()).bitrate; average > 0)
        facts.bitrate = average;
    return true;
}
