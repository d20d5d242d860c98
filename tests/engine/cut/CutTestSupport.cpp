#include "tests/engine/cut/CutTestSupport.h"

#include <algorithm>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

FileSizeLimit::FileSizeLimit(uint64_t bytes)
{
    rlimit limit {};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    previous_ = limit.rlim_cur;
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    rlimit limit {};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = previous_;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previousHandler_);
}

size_t FindBytes(const Bytes& haystack, const Bytes& needle, size_t from)
{
    if (from > haystack.size())
        return std::string::npos;
    const auto found = std::search(
        haystack.begin() + static_cast<std::ptrdiff_t>(from), haystack.end(), needle.begin(), needle.end());
    return found == haystack.end() ? std::string::npos : static_cast<size_t>(found - haystack.begin());
}

uint32_t ReadBigEndian32(const Bytes& bytes, size_t at)
{
    return (uint32_t { bytes[at] } << 24) | (uint32_t { bytes[at + 1] } << 16) | (uint32_t { bytes[at + 2] } << 8)
        | bytes[at + 3];
}

bool FileIsThere(const std::string& path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0;
}

std::vector<Bytes> MarkedFrames(int count, const FrameSpec& shape)
{
    std::vector<Bytes> frames;
    for (int i = 0; i < count; ++i) {
        Bytes frame = Frame(shape);
        // Two marker bytes (below 0x80, never a sync byte) tell frames apart across 16384 frames.
        frame[frame.size() - 1] = static_cast<uint8_t>(i & 0x7F);
        frame[frame.size() - 2] = static_cast<uint8_t>((i >> 7) & 0x7F);
        frames.push_back(frame);
    }
    return frames;
}

Bytes Join(const std::vector<Bytes>& frames, size_t first, size_t count)
{
    Bytes all;
    for (size_t i = first; i < first + count && i < frames.size(); ++i)
        Append(all, frames[i]);
    return all;
}
