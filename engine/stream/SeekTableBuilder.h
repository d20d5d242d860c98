#pragma once
// The 100-entry seek table of an information frame, built while frames are written: entry i is the
// position of the frame at i percent of the stream's frames, as a fraction of the byte count in
// 256ths. Memory stays bounded: up to kCapacity frame offsets are kept, every stride-th frame;
// when the table is full every other offset is dropped and the stride doubles. Entries between
// kept frames are interpolated, so the table is exact for streams up to kCapacity frames and for
// any constant-bitrate stream.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class SeekTableBuilder {
public:
    static constexpr size_t kCapacity = 4096;

    // offset: where the next frame begins, counted from the start of the information frame.
    // Called for every frame written, so the frames between kept ones cost a compare.
    void Add(uint64_t offset)
    {
        if (frames_ == nextKept_)
            Keep(offset);
        ++frames_;
    }
    uint64_t Frames() const { return frames_; }
    // byteCount: the information frame and all frames, the end of the last frame.
    std::array<uint8_t, 100> Build(uint64_t byteCount) const;

private:
    // Keeps the offset of frame frames_, a multiple of the stride, thinning the kept ones first
    // when the table is full; sets the next frame to keep.
    void Keep(uint64_t offset);

    std::vector<uint64_t> kept_;
    uint64_t stride_ = 1;
    uint64_t frames_ = 0;
    uint64_t nextKept_ = 0; // the next multiple of stride_ after the kept frames
};
