// The cost of reading one Layer III frame's level, without the file walk around it: the file is
// read into memory, its frames found once, and the frame reads timed over all of them, the best
// of many passes (a small file stays in the processor's cache: the figure is the reading alone).
// Usage: level_frame_bench FILE [PASSES]
#include "engine/level/FrameLevel.h"
#include "engine/stream/InSyncHeaderCache.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "Usage: level_frame_bench FILE [PASSES]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    const int passes = argc > 2 ? std::atoi(argv[2]) : 300;
    struct Frame {
        size_t position;
        MpegFrameHeader header;
    };
    std::vector<Frame> frames;
    size_t p = 0;
    while (p + 4 <= bytes.size() && !(bytes[p] == 0xFF && (bytes[p + 1] & 0xE0) == 0xE0))
        ++p; // past an ID3v2 tag or other bytes before the first frame
    InSyncHeaderCache headers;
    while (p + 4 <= bytes.size()) {
        const auto* header = headers.Decode(&bytes[p]);
        if (!header || p + static_cast<size_t>(header->frameLength) > bytes.size())
            break;
        frames.push_back({ p, *header });
        p += static_cast<size_t>(header->frameLength);
    }
    if (frames.empty()) {
        std::fprintf(stderr, "no frames in %s\n", argv[1]);
        return 1;
    }
    double best = 1e300;
    double sum = 0;
    for (int pass = 0; pass < passes; ++pass) {
        MainDataReservoir reservoir;
        const auto start = std::chrono::steady_clock::now();
        for (const Frame& frame : frames) {
            const std::span<const uint8_t> span(&bytes[frame.position], static_cast<size_t>(frame.header.frameLength));
            const FrameLevel level = ReadFrameLevel(span, frame.header, reservoir);
            sum += level.power[0] + level.power[1]; // keeps the reads from being left out
        }
        best = std::min(best, std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count());
    }
    std::printf("%zu frames: %.1f ns a frame (best of %d passes; checksum %g)\n", frames.size(),
        best / static_cast<double>(frames.size()), passes, sum);
    return 0;
}
