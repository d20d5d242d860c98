#include "platform/ReadWindow.h"

#include "platform/MappedRangeGuard.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Where a position's page starts: mappings and their populating begin on page boundaries.
uint64_t PageStart(uint64_t position)
{
    static const auto pageSize = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
    return position - position % pageSize;
}

} // namespace

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
    mappingStart_ = 0;
    mappingLength_ = 0;
    populatedTo_ = 0;
}

ReadWindow::MapResult ReadWindow::MapWindow(uint64_t position, size_t length) const
{
    // A file cut short since it was opened fails here, as a read that comes back short does;
    // one cut short while the window is in use faults, and the guard fails it.
    struct stat info { };
    if (::fstat(fd_, &info) != 0 || static_cast<uint64_t>(info.st_size) < position + length)
        return MapResult::Failed;
    const uint64_t start = PageStart(position);
    const uint64_t end = std::min(size_, std::max(start + kMappedRegionBytes, position + length));
    const auto mappedLength = static_cast<size_t>(end - start);
    void* mapped = ::mmap(nullptr, mappedLength, PROT_READ, MAP_SHARED, fd_, static_cast<off_t>(start));
    if (mapped == MAP_FAILED)
        return MapResult::NotMapped;
    if (!GuardMappedRange(mapped, mappedLength, &mappingFailed_)) {
        ::munmap(mapped, mappedLength);
        return MapResult::NotMapped;
    }
    mapping_ = static_cast<const uint8_t*>(mapped);
    mappingStart_ = start;
    mappingLength_ = mappedLength;
    populatedTo_ = start;
    mappingThread_ = std::this_thread::get_id();
    return UseMappedWindow(position, length) ? MapResult::Mapped : MapResult::Failed;
}

bool ReadWindow::UseMappedWindow(uint64_t position, size_t length) const
{
    const uint64_t end = position + length;
    if (end > populatedTo_) {
        if (populatedTo_ > mappingStart_) { // MapWindow has just checked the first window
            struct stat info { };
            if (::fstat(fd_, &info) != 0 || static_cast<uint64_t>(info.st_size) < end)
                return false;
        }
        // The pages the cache holds are mapped at once instead of fault by fault. Where that
        // fails (an older kernel, a file cut short just now) the reads fault them in, and the
        // guard catches the pages that are gone.
        const uint64_t from = PageStart(std::max(populatedTo_, position));
        ::madvise(const_cast<uint8_t*>(mapping_) + (from - mappingStart_), static_cast<size_t>(end - from),
            MADV_POPULATE_READ);
        populatedTo_ = end;
    }
    windowStart_ = position;
    windowLength_ = length;
    return true;
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

    // A read away from the window (a look somewhere new, not the next bytes of a scan) starts
    // small again: a search at the start of each piece of a file must not map a large window.
    if (position < windowStart_ || position > windowStart_ + windowLength_)
        nextWindowBytes_ = kFirstWindowBytes;
    const auto wanted = static_cast<size_t>(std::min<uint64_t>(std::max(length, nextWindowBytes_), size_ - position));
    nextWindowBytes_ = std::min(nextWindowBytes_ * 2, kWindowBytes);
    if (MappingHolds(position, wanted) && mappingThread_ == std::this_thread::get_id()) {
        if (UseMappedWindow(position, wanted))
            return { WindowData(), windowLength_ };
        readFailed_ = true;
        return {};
    }
    Unmap();
    windowStart_ = position;
    windowLength_ = 0;
    if (mayMap_ && wanted >= kMappedWindowBytes) {
        switch (MapWindow(position, wanted)) {
        case MapResult::Mapped:
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

size_t ReadWindow::ReadInto(uint64_t position, std::span<uint8_t> bytes) const
{
    if (fd_ < 0 || ReadFailed() || position >= size_)
        return 0;
    const auto length = static_cast<size_t>(std::min<uint64_t>(bytes.size(), size_ - position));
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd_, bytes.data() + done, length - done, static_cast<off_t>(position + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // An I/O error, or the file ends before the size it had when opened.
            readFailed_ = true;
            return 0;
        }
        done += static_cast<size_t>(n);
    }
    return length;
}
