#include "engine/stream/FrameRunWriter.h"

bool FrameRunWriter::AddRange(uint64_t offset, uint64_t length)
{
    if (length == 0)
        return true;
    if (runLength_ > 0 && offset == runStart_ + runLength_ && runLength_ + length <= kMaxRun) {
        runLength_ += length;
        return true;
    }
    if (!Flush())
        return false;
    runStart_ = offset;
    runLength_ = length;
    return true;
}

bool FrameRunWriter::AddBytes(const uint8_t* data, size_t length)
{
    if (!Flush())
        return false;
    readFailed_ = false;
    return output_.Write(data, length);
}

bool FrameRunWriter::Flush()
{
    if (runLength_ == 0)
        return true;
    const auto result = output_.CopyFrom(source_, runStart_, runLength_);
    runLength_ = 0;
    readFailed_ = result == OutputFile::CopyResult::ReadFailed;
    return result == OutputFile::CopyResult::Copied;
}
