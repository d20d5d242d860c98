#include "engine/cut/RewriteInfoFrame.h"

#include "engine/stream/MpegFrameHeader.h"

namespace {

void PutBigEndian32(uint8_t* at, uint32_t value)
{
    at[0] = static_cast<uint8_t>(value >> 24);
    at[1] = static_cast<uint8_t>(value >> 16);
    at[2] = static_cast<uint8_t>(value >> 8);
    at[3] = static_cast<uint8_t>(value);
}

} // namespace

bool RewriteInfoFrame(std::vector<uint8_t>& frame, uint32_t frameCount, uint32_t byteCount)
{
    if (frame.size() < 4 || !IsFrameHeaderCandidate(frame.data()))
        return false;
    const auto header = DecodeFrameHeader(frame.data());
    if (!header)
        return false;
    const size_t flagsAt = 4 + static_cast<size_t>(header->sideInfoSize) + 4;
    if (flagsAt + 4 > frame.size())
        return false;
    const uint32_t flags = (uint32_t { frame[flagsAt] } << 24) | (uint32_t { frame[flagsAt + 1] } << 16)
        | (uint32_t { frame[flagsAt + 2] } << 8) | uint32_t { frame[flagsAt + 3] };
    const size_t fieldsAt = flagsAt + 4;
    const size_t fieldsEnd = fieldsAt + ((flags & 1) ? 4 : 0) + ((flags & 2) ? 4 : 0);
    if (fieldsEnd > frame.size())
        return false;
    size_t field = fieldsAt;
    if (flags & 1) {
        PutBigEndian32(frame.data() + field, frameCount);
        field += 4;
    }
    if (flags & 2)
        PutBigEndian32(frame.data() + field, byteCount);
    return true;
}
