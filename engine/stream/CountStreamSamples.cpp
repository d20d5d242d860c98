#include "engine/stream/CountStreamSamples.h"

#include "engine/stream/StreamTime.h"

int64_t StreamSampleCount::DurationMs() const { return TicksToMs(durationTicks); }

int64_t StreamSampleCount::SamplesAtFirstRate() const
{
    const int64_t perSample = TicksPerSample(sampleRate);
    return perSample > 0 ? durationTicks / perSample : 0;
}

bool CountStreamSamples(const Mp3SourceFile& source, StreamSampleCount& count, std::vector<StreamFrame>* frames)
{
    count = StreamSampleCount {};
    if (frames)
        frames->clear();
    if (!source.IsOpen())
        return false;
    // The walk ends before the trailing tags: their text may hold bytes that look like a header.
    MpegFrameHeader first {};
    for (auto frame = source.SyncedFrame(source.AudioStart()); frame;) {
        const size_t frameEnd = frame->position + static_cast<size_t>(frame->header.frameLength);
        if (count.frameCount == 0) {
            first = frame->header;
            count.sampleRate = frame->header.sampleRate;
            count.channels = frame->header.channelMode == 3 ? 1 : 2;
        } else if (!count.formatChangeAtFrame && !SameStreamFormat(first, frame->header)) {
            count.formatChangeAtFrame = count.frameCount;
            count.formatChangeHeader = frame->header;
        }
        count.durationTicks += FrameTicks(frame->header);
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
