#include "platform/ReadWindow.h"

#include "platform/MappedRangeGuard.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
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
    Unmap();
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
    mappingFailed_.store(false, std::memory_order_relaxed);
    mayMap_ = true;
    nextWindowBytes_ = kFirstWindowBytes;
}

void ReadWindow::Unmap() const
{
    if (!mapping_)
        return;
    UnguardMappedRange(mapping_);
    ::munmap(const_cast<uint8_t*>(mapping_), mappingLength_);
    mapping_ = nullptr;
    mappingLength_ = 0;
}

ReadWindow::MapResult ReadWindow::MapWindow(uint64_t position, size_t length) const
{
    // A file cut short since it was opened fails here, as a read that comes back short does;
    // one cut short while the window is in use faults, and the guard fails it.
    struct stat info { };
    if (::fstat(fd_, &info) != 0 || static_cast<uint64_t>(info.st_size) < position + length)
        return MapResult::Failed;
    static const auto pageSize = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
    const uint64_t start = position - position % pageSize;
    const auto mappedLength = static_cast<size_t>(position - start) + length;
    // MAP_POPULATE maps the pages the cache holds at once instead of fault by fault.
    void* mapped = ::mmap(nullptr, mappedLength, PROT_READ, MAP_SHARED | MAP_POPULATE, fd_, static_cast<off_t>(start));
    if (mapped == MAP_FAILED)
        return MapResult::NotMapped;
    if (!GuardMappedRange(mapped, mappedLength, &mappingFailed_)) {
        ::munmap(mapped, mappedLength);
        return MapResult::NotMapped;
    }
    mapping_ = static_cast<const uint8_t*>(mapped);
    mappingLength_ = mappedLength;
    mappingOffset_ = static_cast<size_t>(position - start);
    mappingThread_ = std::this_thread::get_id();
    return MapResult::Mapped;
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
    if (fd_ < 0 || ReadFailed() || position >= size_)
        return {};
    const auto length = static_cast<size_t>(std::min<uint64_t>(atLeast, size_ - position));
    const bool inWindow = position >= windowStart_ && position + length <= windowStart_ + windowLength_;
    if (inWindow && (!mapping_ || mappingThread_ == std::this_thread::get_id()))
        return { WindowData() + (position - windowStart_), windowLength_ - (position - windowStart_) };

    const auto wanted = static_cast<size_t>(std::min<uint64_t>(std::max(length, nextWindowBytes_), size_ - position));
    nextWindowBytes_ = std::min(nextWindowBytes_ * 2, kWindowBytes);
    Unmap();
    windowStart_ = position;
    windowLength_ = 0;
    if (mayMap_ && wanted >= kMappedWindowBytes) {
        switch (MapWindow(position, wanted)) {
        case MapResult::Mapped:
            windowLength_ = wanted;
            return { WindowData(), windowLength_ };
        case MapResult::Failed:
            readFailed_ = true;
            return {};
        case MapResult::NotMapped:
            mayMap_ = false; // this file or this thread does not map: it is read from now on
            break;
        }
    }
    if (window_.size() < wanted)
        window_.resize(wanted);
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
