#include "platform/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

MappedFile::~MappedFile() { Close(); }

bool MappedFile::Open(const std::string& path)
{
    Close();
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below as not a regular file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat info { };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0
        || static_cast<uint64_t>(info.st_size) >= (uint64_t { 1 } << 32)) {
        ::close(fd);
        return false;
    }
    const size_t size = static_cast<size_t>(info.st_size);
    void* view = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd); // the view stays valid without the descriptor
    if (view == MAP_FAILED)
        return false;
    ::madvise(view, size, MADV_SEQUENTIAL);
    data_ = static_cast<const uint8_t*>(view);
    size_ = size;
    return true;
}

void MappedFile::Close()
{
    if (data_)
        ::munmap(const_cast<uint8_t*>(data_), size_);
    data_ = nullptr;
    size_ = 0;
}
