#include "engine/stream/CountStreamSamples.h"

#include <cstring>

namespace {

constexpr size_t kID3v1Length = 128;

// Frames end where a trailing ID3v1 block begins: its text may hold bytes that look like a header.
size_t AudioEnd(const Mp3SourceFile& source, size_t audioStart)
{
    const size_t size = source.Size();
    if (size >= audioStart + kID3v1Length && size >= kID3v1Length) {
        const auto tail = source.Read(size - kID3v1Length, 3);
        if (tail.size() == 3 && std::memcmp(tail.data(), "TAG", 3) == 0)
            return size - kID3v1Length;
    }
    return size;
}

} // namespace

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
    // Right after the information frame, or the first frame the search finds after the ID3v2 block.
    const size_t audioStart
        = source.HasInfoFrame() ? source.InfoFramePosition() + source.InfoFrameLength() : source.ID3v2Length();
    const size_t audioEnd = AudioEnd(source, audioStart);
    for (auto frame = source.SearchFrame(audioStart); frame;) {
        const size_t frameEnd = frame->position + static_cast<size_t>(frame->header.frameLength);
        if (frameEnd > audioEnd)
            break;
        if (count.frameCount == 0) {
            count.sampleRate = frame->header.sampleRate;
            count.channels = frame->header.channelMode == 3 ? 1 : 2;
        }
        if (frames)
            frames->push_back({ static_cast<uint64_t>(frame->position), count.totalSamples });
        ++count.frameCount;
        count.totalSamples += frame->header.samplesPerFrame;
        frame = source.SearchFrame(frameEnd);
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
