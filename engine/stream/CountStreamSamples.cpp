#include "engine/stream/CountStreamSamples.h"

int64_t StreamSampleCount::DurationMs() const
{
    if (sampleRate <= 0)
        return 0;
    // Split so that the product cannot overflow for any count of samples.
    return totalSamples / sampleRate * 1000 + totalSamples % sampleRate * 1000 / sampleRate;
}

bool CountStreamSamples(const Mp3SourceFile& source, StreamSampleCount& count, std::vector<StreamFrame>* frames)
{
    count = StreamSampleCount {};
    if (frames)
        frames->clear();
    if (!source.IsOpen())
        return false;
    // The walk ends before the trailing tags: their text may hold bytes that look like a header.
    for (auto frame = source.SyncedFrame(source.AudioStart()); frame;) {
        const size_t frameEnd = frame->position + static_cast<size_t>(frame->header.frameLength);
        if (count.frameCount == 0) {
            count.sampleRate = frame->header.sampleRate;
            count.channels = frame->header.channelMode == 3 ? 1 : 2;
        }
        if (frames)
            frames->push_back({ static_cast<uint64_t>(frame->position), count.totalSamples });
        ++count.frameCount;
        count.totalSamples += frame->header.samplesPerFrame;
        frame = source.SyncedFrame(frameEnd);
    }
    // A file truncated while it was walked has no count to trust.
    return count.frameCount > 0 && !source.ReadFailed();
}

bool CountStreamSamples(const std::string& path, StreamSampleCount& count, std::vector<StreamFrame>* frames)
{
    Mp3SourceFile source;
    if (!source.Open(path)) {
        count = StreamSampleCount {};
        if (frames)
            frames->clear();
        return false;
    }
    return CountStreamSamples(source, count, frames);
}
