#include "platform/OutputFile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

OutputFile::~OutputFile()
{
    if (fd_ >= 0)
        Discard();
}

bool OutputFile::Create(const std::string& path)
{
    if (fd_ >= 0)
        Discard();
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0)
        return false;
    path_ = path;
    written_ = 0;
    return true;
}

bool OutputFile::Write(const void* data, size_t length)
{
    if (fd_ < 0)
        return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (length > 0) {
        const ssize_t n = ::write(fd_, bytes, length);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return false;
        bytes += n;
        length -= static_cast<size_t>(n);
        written_ += static_cast<uint64_t>(n);
    }
    return true;
}

bool OutputFile::WriteAt(uint64_t offset, const void* data, size_t length)
{
    if (fd_ < 0 || offset + length > written_)
        return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (length > 0) {
        const ssize_t n = ::pwrite(fd_, bytes, length, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return false;
        bytes += n;
        offset += static_cast<uint64_t>(n);
        length -= static_cast<size_t>(n);
    }
    return true;
}

bool OutputFile::Close()
{
    if (fd_ < 0)
        return false;
    const int fd = fd_;
    fd_ = -1;
    // close() reports delayed write errors (for example on network file systems).
    return ::close(fd) == 0;
}

void OutputFile::Discard()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!path_.empty())
        ::unlink(path_.c_str());
}
