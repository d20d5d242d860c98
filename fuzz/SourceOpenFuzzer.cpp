// Opening arbitrary bytes as an MP3 source (ID3v2 block, information frame, average bitrate) and
// walking its frames, with the exact sample count of the whole stream.
#include "engine/stream/CountStreamSamples.h"
#include "engine/stream/Mp3SourceFile.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = WriteScratchFile("source.mp3", data, size);
    Mp3SourceFile source;
    if (!source.Open(path)) {
        Require(!source.IsOpen() && source.ChannelMode() == Mp3SourceFile::kNoChannelMode && source.Cursor() == 0,
            "a failed open left the source half open");
        return 0;
    }
    Require(source.Size() == size && source.Cursor() < size, "the cursor lies outside the file");
    Require(source.SampleRate() > 0 && source.Bitrate() > 0 && source.SamplesPerFrame() > 0, "stream facts missing");
    if (source.HasInfoFrame()) {
        Require(source.InfoFramePosition() + source.InfoFrameLength() <= size, "an information frame past the end");
        Require(source.InfoFrameKind() == "Xing" || source.InfoFrameKind() == "Info"
                || source.InfoFrameKind() == "VBRI", "an unknown information frame");
        Require(source.Cursor() == source.InfoFramePosition() + source.InfoFrameLength(),
            "the audio does not start right after the information frame");
    }

    int64_t frames = 0;
    size_t position = source.Cursor();
    while (const auto frame = source.NextCompleteFrame(position)) {
        const size_t end = frame->position + static_cast<size_t>(frame->header.frameLength);
        Require(frame->position >= position && end <= size, "the walk went back or past the end");
        position = end;
        ++frames;
    }
    StreamSampleCount count;
    if (CountStreamSamples(source, count)) {
        // The count stops at a trailing ID3v1 block, the walk may take frames from inside it.
        Require(count.frameCount >= 1 && count.frameCount <= frames, "the count found frames the walk did not");
        Require(count.totalSamples <= count.frameCount * 1152, "more samples than its frames can hold");
    }
    return 0;
}
