#include "engine/cut/SpanWriter.h"

bool SpanWriter::Add(const uint8_t* data, size_t length)
{
    if (length == 0)
        return true;
    if (pending_ && data == pending_ + pendingLength_ && pendingLength_ + length <= kMaxPending) {
        pendingLength_ += length;
        return true;
    }
    if (!Flush())
        return false;
    pending_ = data;
    pendingLength_ = length;
    return true;
}

bool SpanWriter::Flush()
{
    if (pendingLength_ == 0)
        return true;
    const bool written = output_.Write(pending_, pendingLength_);
    pending_ = nullptr;
    pendingLength_ = 0;
    return written;
}
