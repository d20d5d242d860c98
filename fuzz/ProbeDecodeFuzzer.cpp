// The decoder's probe (ID3v2 and album-ID blocks, sync search, libmp3lame's header parsing, totals)
// and frame-by-frame decoding of arbitrary bytes, with the tag read in between.
#include "engine/join/Mp3StreamDecoder.h"
#include "fuzz/FuzzSupport.h"

namespace {

constexpr int kMaxFrames = 3000; // an input of at most a few hundred KB holds fewer

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = WriteScratchFile("input.mp3", data, size);
    Mp3StreamDecoder decoder;
    if (!decoder.Open(path))
        return 0;
    Require(decoder.SampleRate() >= 8000 && decoder.SampleRate() <= 48000, "a probed rate outside MPEG's");
    Require(decoder.Channels() == 1 || decoder.Channels() == 2, "a probed channel count other than 1 or 2");
    Require(decoder.Mode() >= 0 && decoder.Mode() <= 3, "a probed mode outside its field");
    Require(decoder.LeadingBytes() <= uint64_t { 10 } + 0x0FFFFFFF, "leading bytes past an ID3v2 block's reach");
    // An information frame's total is never larger than the file's frames could hold: each frame
    // takes at least 24 bytes and holds at most 1152 samples.
    Require(!decoder.IsVbr() || decoder.TotalSamples() == Mp3StreamDecoder::kUnknownTotal
            || decoder.TotalSamples() <= uint64_t { size } * 48,
        "an information-frame total the file cannot hold");

    int16_t left[Mp3StreamDecoder::kMaxSamplesPerFrame];
    int16_t right[Mp3StreamDecoder::kMaxSamplesPerFrame];
    for (int frame = 0; frame < kMaxFrames; ++frame) {
        if (frame == 2)
            decoder.ReadTagBlock(); // reading the tag must not disturb the stream
        int samples = -1;
        bool endOfStream = false;
        const bool ok = decoder.ReadPcm(left, right, samples, endOfStream);
        Require(samples >= 0 && samples <= Mp3StreamDecoder::kMaxSamplesPerFrame, "more samples than a frame holds");
        if (!ok || endOfStream)
            break;
    }
    return 0;
}
