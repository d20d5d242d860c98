#include "engine/join/JoinStreamFacts.h"

#include "engine/join/Mp3StreamDecoder.h"

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
    return true;
}
