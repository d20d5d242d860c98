#include "platform/ReadWindow.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

ReadWindow::~ReadWindow() { Close(); }

bool ReadWindow::Open(const std::string& path)
{
    Close();
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below as not a regular file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat info { };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
        ::close(fd);
        return false;
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    fd_ = fd;
    path_ = path;
    size_ = static_cast<uint64_t>(info.st_size);
    return true;
}

void ReadWindow::Close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    path_.clear();
    size_ = 0;
    window_.clear();
    window_.shrink_to_fit();
    windowStart_ = 0;
    windowLength_ = 0;
    readFailed_ = false;
    nextWindowBytes_ = kFirstWindowBytes;
}

uint64_t ReadWindow::NextDataAt(uint64_t position) const
{
    if (fd_ < 0 || position >= size_)
        return position;
    const off_t data = ::lseek(fd_, static_cast<off_t>(position), SEEK_DATA);
    if (data < 0)
        return errno == ENXIO ? size_ : position;
    return std::min<uint64_t>(static_cast<uint64_t>(data), size_);
}

std::span<const uint8_t> ReadWindow::Read(uint64_t position, size_t length) const
{
    const auto ahead = ReadAhead(position, length);
    return ahead.first(std::min(ahead.size(), length));
}

std::span<const uint8_t> ReadWindow::ReadAhead(uint64_t position, size_t atLeast) const
{
    if (fd_ < 0 || readFailed_ || position >= size_)
        return {};
    const auto length = static_cast<size_t>(std::min<uint64_t>(atLeast, size_ - position));
    if (position >= windowStart_ && position + length <= windowStart_ + windowLength_)
        return { window_.data() + (position - windowStart_), windowLength_ - (position - windowStart_) };

    const auto wanted = static_cast<size_t>(std::min<uint64_t>(std::max(length, nextWindowBytes_), size_ - position));
    nextWindowBytes_ = std::min(nextWindowBytes_ * 2, kWindowBytes);
    if (window_.size() < wanted)
        window_.resize(wanted);
    windowStart_ = position;
    windowLength_ = 0;
    while (windowLength_ < wanted) {
        const ssize_t n = ::pread(
            fd_, window_.data() + windowLength_, wanted - windowLength_, static_cast<off_t>(position + windowLength_));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // An I/O error, or the file ends before the size it had when opened.
            readFailed_ = true;
            windowLength_ = 0;
            return {};
        }
        windowLength_ += static_cast<size_t>(n);
    }
    return { window_.data(), windowLength_ };
}
