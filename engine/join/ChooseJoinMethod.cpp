#include "engine/join/ChooseJoinMethod.h"

#include "engine/join/CanJoinByFrameCopy.h"

JoinMethod ChooseJoinMethod(const EncodingOptions& options, std::span<const JoinStreamFacts> entries)
{
    JoinMethod method;
    if (!options.AutoMP3EncodingParam) {
        method.encoding = { options.MP3SampleRate, options.MP3BitRate, options.MP3ChannelMode };
        return method;
    }
    if (CanJoinByFrameCopy(entries)) {
        method.frameCopy = true;
        return method;
    }
    method.encoding = PickAutoEncoding(entries);
    return method;
}

bool JoinWithMethod(JoinJob& job, const JoinMethod& method, const std::string& outputPath, JobProgress& progress)
{
    if (method.frameCopy)
        return job.JoinByFrameCopy(outputPath, progress);
    return job.JoinByReencoding(
        outputPath, method.encoding.sampleRate, method.encoding.bitrate, method.encoding.channelMode, progress);
}
