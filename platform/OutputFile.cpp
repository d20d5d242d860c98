#include "platform/OutputFile.h"

#include "platform/PathHelpers.h"
#include "platform/ReadWindow.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kNamingAttempts = 100;
// ".<name>.<suffix>" stays inside the 255-byte limit of a file name.
constexpr size_t kMaxNameInStagingName = 200;

// A hidden name beside the target: ".<name>.<six letters>". Renaming it within its folder puts the
// file in place in one step; a crash leaves it hidden, never under the target's name.
std::string StagingName(const std::string& folder, const std::string& target)
{
    static std::mt19937 generator { std::random_device {}() };
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    const std::string name = GetFileNamePart(target);
    size_t keep = std::min(name.size(), kMaxNameInStagingName);
    while (keep > 0 && keep < name.size() && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
        --keep; // not inside a UTF-8 sequence
    std::string staging = folder + (folder.back() == '/' ? "." : "/.") + name.substr(0, keep) + '.';
    std::uniform_int_distribution<size_t> pick(0, sizeof kLetters - 2);
    for (int i = 0; i < 6; ++i)
        staging += kLetters[pick(generator)];
    return staging;
}

// The file that path stands for: path itself, or the file a symbolic link there points to.
// False for anything but a regular file or a free name, and for a name that cannot be looked up
// (too long, or a file where a folder should be).
bool ResolveTarget(const std::string& path, std::string& target, struct stat& info, bool& exists)
{
    target = path;
    exists = false;
    if (::lstat(path.c_str(), &info) != 0)
        return errno == ENOENT;
    exists = true;
    if (S_ISLNK(info.st_mode)) {
        char* resolved = ::realpath(path.c_str(), nullptr);
        if (!resolved)
            return false; // a link that points nowhere is not followed to make a file elsewhere
        target = resolved;
        std::free(resolved);
        if (::stat(target.c_str(), &info) != 0)
            return false;
    }
    return S_ISREG(info.st_mode);
}

// What outputs that are done leave for the next: their append buffers, which the pieces of a cut
// would otherwise each fault in afresh, and one idle writing thread. A thread started for every
// piece costs its start and lands wherever the scheduler puts it at that moment, at times on the
// processor of the thread that fills its buffers. Shared by the outputs of every thread.
struct SpareParts {
    std::mutex mutex;
    std::vector<std::unique_ptr<uint8_t[]>> buffers;
    std::unique_ptr<SerialWorker> writer; // null while an output uses it
};
SpareParts& Spares()
{
    static SpareParts spares;
    return spares;
}

} // namespace

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::Create(const std::string& path, Staging staging)
{
    if (fd_ >= 0)
        Discard();
    path_ = path;
    written_ = 0;
    kernelCopy_ = true;
    struct stat existing { };
    bool exists = false;
    const std::string name = GetFileNamePart(path);
    // A file the user may not write is not replaced behind its back.
    if (name.empty() || name == "." || name == ".." || !ResolveTarget(path, target_, existing, exists)
        || (exists && ::access(target_.c_str(), W_OK) != 0)) {
        Discard();
        return false;
    }
    folder_ = GetFolderPart(target_);
    if (!OpenStaging(staging)) {
        Discard();
        return false;
    }
    if (exists)
        ::fchmod(fd_, existing.st_mode & 07777); // the new file keeps the permissions of the old one
    return true;
}

bool OutputFile::OpenStaging(Staging staging)
{
    if (staging == Staging::Unnamed) {
        fd_ = ::open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
        if (fd_ >= 0)
            return true;
        // Only a file system without unnamed files falls back to a hidden name; a folder that is
        // missing or may not be written fails here.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return false;
    }
    for (int attempt = 0; attempt < kNamingAttempts; ++attempt) {
        const std::string name = StagingName(folder_, target_);
        fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd_ >= 0) {
            stagingPath_ = name;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool OutputFile::LinkUnnamedFile()
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < kNamingAttempts; ++attempt) {
        const std::string name = StagingName(folder_, target_);
        int linked = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW);
        if (linked != 0 && errno == ENOENT) // no /proc: the direct way needs more privilege
            linked = ::linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);
        if (linked == 0) {
            stagingPath_ = name;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool OutputFile::Write(const void* data, size_t length) { return Flush() && WriteBytes(data, length); }

bool OutputFile::Append(const void* data, size_t length)
{
    if (fd_ < 0)
        return false;
    if (!PostPendingCopy())
        return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (length > 0) {
        const size_t n = std::min(length, kAppendBufferBytes - filled_);
        std::memcpy(FillingBuffer() + filled_, bytes, n);
        filled_ += n;
        bytes += n;
        length -= n;
        if (filled_ == kAppendBufferBytes && !PostFilledBuffer())
            return false;
    }
    return true;
}

uint8_t* OutputFile::FillingBuffer()
{
    auto& buffer = appendBuffers_[filling_];
    if (!buffer) {
        std::lock_guard lock(Spares().mutex);
        auto& spare = Spares().buffers;
        if (spare.empty()) {
            buffer = std::make_unique_for_overwrite<uint8_t[]>(kAppendBufferBytes);
        } else {
            buffer = std::move(spare.back());
            spare.pop_back();
        }
    }
    return buffer.get();
}

std::span<uint8_t> OutputFile::AppendRoom(size_t minimum)
{
    if (fd_ < 0 || !PostPendingCopy())
        return {};
    minimum = std::min(minimum, kAppendBufferBytes);
    if (kAppendBufferBytes - filled_ < minimum && !PostFilledBuffer())
        return {};
    return { FillingBuffer() + filled_, kAppendBufferBytes - filled_ };
}

bool OutputFile::CommitAppend(size_t length)
{
    if (fd_ < 0 || length > kAppendBufferBytes - filled_)
        return false;
    filled_ += length;
    return filled_ < kAppendBufferBytes || PostFilledBuffer();
}

bool OutputFile::PostFilledBuffer()
{
    const uint8_t* bytes = appendBuffers_[filling_].get();
    const size_t length = filled_;
    filling_ = (filling_ + 1) % kAppendBuffers;
    filled_ = 0;
    // Post returns once no more than kAppendBuffers - 2 tasks wait, so with the one running the
    // buffer filled next is free.
    return Worker().Post([this, bytes, length] {
        if (WriteBytes(bytes, length))
            return true;
        appendFailed_ = true;
        return false;
    });
}

SerialWorker& OutputFile::Worker()
{
    if (!appendWriter_) {
        std::lock_guard lock(Spares().mutex);
        appendWriter_ = std::move(Spares().writer);
    }
    if (!appendWriter_)
        appendWriter_ = std::make_unique<SerialWorker>(kAppendBuffers - 2);
    return *appendWriter_;
}

bool OutputFile::Flush()
{
    const bool posted = PostPendingCopy();
    const bool written = posted && (!appendWriter_ || appendWriter_->Wait()) && !appendFailed_;
    // A copy that met the source's end marks the source failed here, on the reading thread.
    if (copyReadFailed_) {
        copyReadFailed_->MarkReadFailed();
        copyReadFailed_ = nullptr;
    }
    const size_t left = filled_;
    filled_ = 0;
    if (!written)
        return false;
    // The last, partial buffer is written here: a small file never starts the thread.
    return left == 0 || WriteBytes(appendBuffers_[filling_].get(), left);
}

bool OutputFile::WriteBytes(const void* data, size_t length)
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

OutputFile::CopyResult OutputFile::CopyFrom(const ReadWindow& source, uint64_t offset, uint64_t length)
{
    if (fd_ < 0 || !Flush())
        return CopyResult::WriteFailed;
    if (source.ReadFailed() || offset + length > source.Size()) {
        source.MarkReadFailed();
        return CopyResult::ReadFailed;
    }
    const CopyResult result = CopyRange(source.Descriptor(), offset, length);
    if (result == CopyResult::ReadFailed)
        source.MarkReadFailed();
    return result;
}

OutputFile::CopyResult OutputFile::CopyRange(int sourceFd, uint64_t offset, uint64_t length)
{
    auto sourceOffset = static_cast<off_t>(offset);
    while (kernelCopy_ && length > 0) {
        const ssize_t n = ::copy_file_range(sourceFd, &sourceOffset, fd_, nullptr, length, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            // Files this kernel or file system cannot copy between: read and write instead.
            if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF) {
                kernelCopy_ = false;
                break;
            }
            return errno == EIO ? CopyResult::ReadFailed : CopyResult::WriteFailed;
        }
        if (n == 0)
            return CopyResult::ReadFailed; // the source ends before the size it had when opened
        length -= static_cast<uint64_t>(n);
        written_ += static_cast<uint64_t>(n);
    }
    if (length > 0 && copyBuffer_.empty())
        copyBuffer_.resize(size_t { 128 } << 10);
    while (length > 0) {
        const auto chunk = static_cast<size_t>(std::min<uint64_t>(length, copyBuffer_.size()));
        const ssize_t n = ::pread(sourceFd, copyBuffer_.data(), chunk, sourceOffset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return CopyResult::ReadFailed;
        if (!WriteBytes(copyBuffer_.data(), static_cast<size_t>(n)))
            return CopyResult::WriteFailed;
        sourceOffset += n;
        length -= static_cast<uint64_t>(n);
    }
    return CopyResult::Copied;
}

bool OutputFile::AppendFrom(const ReadWindow& source, uint64_t offset, size_t length)
{
    if (fd_ < 0)
        return false;
    if (filled_ > 0 && !PostFilledBuffer())
        return false;
    const bool follows = pendingSource_ == &source && pendingOffset_ + pendingLength_ == offset;
    if (!follows && !PostPendingCopy())
        return false;
    pendingSource_ = &source;
    if (!follows)
        pendingOffset_ = offset;
    pendingLength_ += length;
    return pendingLength_ < kCopyRunBytes || PostPendingCopy();
}

bool OutputFile::PostPendingCopy()
{
    if (pendingLength_ == 0)
        return true;
    const ReadWindow* source = pendingSource_;
    const uint64_t offset = pendingOffset_;
    const uint64_t length = pendingLength_;
    pendingLength_ = 0;
    return Worker().Post([this, source, offset, length] {
        const CopyResult result = CopyRange(source->Descriptor(), offset, length);
        if (result == CopyResult::Copied)
            return true;
        if (result == CopyResult::ReadFailed)
            copyReadFailed_ = source;
        appendFailed_ = true;
        return false;
    });
}

bool OutputFile::WriteAt(uint64_t offset, const void* data, size_t length)
{
    if (fd_ < 0 || !Flush() || offset + length > written_)
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
    bool placed = Flush() && (!stagingPath_.empty() || LinkUnnamedFile());
    // close() reports delayed write errors (for example on network file systems).
    placed = ::close(fd_) == 0 && placed;
    fd_ = -1;
    // A name made a folder, a device or a FIFO while the file was written is left alone.
    struct stat info { };
    if (placed && ::lstat(target_.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        placed = false;
    if (placed && ::rename(stagingPath_.c_str(), target_.c_str()) != 0)
        placed = false;
    if (placed)
        stagingPath_.clear();
    Discard();
    return placed;
}

void OutputFile::Discard()
{
    if (appendWriter_)
        appendWriter_->Cancel();
    appendFailed_ = false;
    copyReadFailed_ = nullptr;
    pendingSource_ = nullptr;
    pendingLength_ = 0;
    filling_ = 0;
    filled_ = 0;
    {
        std::lock_guard lock(Spares().mutex);
        for (auto& buffer : appendBuffers_) {
            if (buffer && Spares().buffers.size() < kAppendBuffers)
                Spares().buffers.push_back(std::move(buffer));
            buffer.reset();
        }
        if (!Spares().writer)
            Spares().writer = std::move(appendWriter_);
    }
    appendWriter_.reset(); // a second idle thread is not kept: its end is waited for here
    if (!stagingPath_.empty())
        ::unlink(stagingPath_.c_str());
    stagingPath_.clear();
    target_.clear();
    folder_.clear();
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}
