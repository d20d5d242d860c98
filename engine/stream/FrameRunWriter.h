#pragma once
// Writes an output made of byte ranges of one source file (its frames, its ID3v2 block) and bytes
// made here (information frames, ID3v1 blocks). Ranges that follow each other in the source are
// copied as one run, inside the kernel where it can (OutputFile::CopyFrom), so a frame copy costs
// about what copying the file does; a run is cut at a few megabytes so that a cancel or an error
// is met soon.
#include "platform/OutputFile.h"
#include "platform/ReadWindow.h"

#include <cstddef>
#include <cstdint>

class FrameRunWriter {
public:
    FrameRunWriter(OutputFile& output, const ReadWindow& source)
        : output_(output)
        , source_(source)
    {
    }

    // Queues bytes [offset, offset + length) of the source; false when an earlier run failed.
    bool AddRange(uint64_t offset, uint64_t length);
    // Writes the queued run, then the bytes.
    bool AddBytes(const uint8_t* data, size_t length);
    // Writes the queued run; false on a read or a write error.
    bool Flush();
    // Why the last call returned false: the source could not be read (it was truncated), or else
    // the output could not be written.
    bool ReadFailed() const { return readFailed_; }
    // Bytes queued and written so far.
    uint64_t Total() const { return output_.BytesWritten() + runLength_; }

private:
    static constexpr uint64_t kMaxRun = uint64_t { 8 } << 20;

    OutputFile& output_;
    const ReadWindow& source_;
    uint64_t runStart_ = 0;
    uint64_t runLength_ = 0;
    bool readFailed_ = false;
};
