#pragma once
// A regular file read through a bounded window of its bytes: memory stays the same whatever the
// file's size, and a file cut short while it is read gives a read error instead of a signal.
//
// The size is taken when the file is opened; a read that finds fewer bytes than that (the file
// was truncated meanwhile) or meets an I/O error marks the file failed for good, so every walk
// over it ends and its caller can report the failure.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class ReadWindow {
public:
    // Bytes read at once; a single read may ask for more (it then reads that much). The first
    // read of a file reads kFirstWindowBytes and each next one twice as much, up to kWindowBytes:
    // a look at a file's start (its tags, its first frames) reads little, a walk soon reads a lot.
    static constexpr size_t kWindowBytes = size_t { 1 } << 20;
    static constexpr size_t kFirstWindowBytes = size_t { 64 } << 10;

    ReadWindow() = default;
    ~ReadWindow();
    ReadWindow(const ReadWindow&) = delete;
    ReadWindow& operator=(const ReadWindow&) = delete;

    // Fails for a missing or unreadable file, a folder, a FIFO, a device and an empty file.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    const std::string& Path() const { return path_; }
    uint64_t Size() const { return size_; }
    int Descriptor() const { return fd_; }

    // The bytes from position on, at most length of them (fewer at the end of the file). They stay
    // valid until the next Read. Empty at or past the end, and once a read failed.
    std::span<const uint8_t> Read(uint64_t position, size_t length) const;
    // The bytes from position to the end of the window, at least atLeast of them unless the file
    // ends first: for scans that take whatever is at hand. Valid until the next Read.
    std::span<const uint8_t> ReadAhead(uint64_t position, size_t atLeast) const;
    bool ReadFailed() const { return readFailed_; }
    // Where the next bytes that are not a hole of a sparse file start, at or after position (the
    // size when only a hole is left); position itself where the file system cannot tell.
    uint64_t NextDataAt(uint64_t position) const;
    // Marks the file failed: a copy that went past the window found the file shorter than it was.
    void MarkReadFailed() const { readFailed_ = true; }

private:
    int fd_ = -1;
    std::string path_;
    uint64_t size_ = 0;
    // The window is refilled by reads, which do not change the file: kept mutable so that
    // readers of a const file can look at its bytes.
    mutable std::vector<uint8_t> window_;
    mutable uint64_t windowStart_ = 0;
    mutable size_t windowLength_ = 0;
    mutable bool readFailed_ = false;
    mutable size_t nextWindowBytes_ = kFirstWindowBytes;
};
