#pragma once
// Collects byte ranges bound for an output file and writes ranges that follow each other in memory
// with one call. Frames copied from a mapped source mostly lie back to back, so a piece is written
// in a few large writes instead of one per frame.
#include "platform/OutputFile.h"

#include <cstddef>
#include <cstdint>

class SpanWriter {
public:
    explicit SpanWriter(OutputFile& output)
        : output_(output)
    {
    }

    // Queues the bytes; false when an earlier queued range could not be written.
    bool Add(const uint8_t* data, size_t length);
    // Writes what is queued; false on a write error.
    bool Flush();
    // Bytes queued and written so far.
    uint64_t Total() const { return output_.BytesWritten() + pendingLength_; }

private:
    // Bounds a single write so a cancel or an error is met within a few megabytes.
    static constexpr size_t kMaxPending = size_t { 8 } << 20;

    OutputFile& output_;
    const uint8_t* pending_ = nullptr;
    size_t pendingLength_ = 0;
};
