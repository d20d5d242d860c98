#pragma once
// A regular file read through a bounded window of its bytes: memory stays the same whatever the
// file's size, and a file cut short while it is read gives a read error instead of a signal.
//
// Small windows (a look at a file's tags and first frames) are read into a buffer. Once a walk
// reads large windows they are mapped instead, so the bytes are not copied out of the page cache
// first; a guard turns the faults of a file cut short under a mapping into a failed read (see
// MappedRangeGuard), and a file that cannot be mapped is read.
//
// The size is taken when the file is opened; a read that finds fewer bytes than that (the file
// was truncated meanwhile) or meets an I/O error marks the file failed for good, so every walk
// over it ends and its caller can report the failure.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <thread>
#include <vector>

class ReadWindow {
public:
    // Bytes read at once; a single read may ask for more (it then reads that much). The first
    // read of a file reads kFirstWindowBytes and each next one twice as much, up to kWindowBytes:
    // a look at a file's start (its tags, its first frames) reads little, a walk soon reads a lot.
    static constexpr size_t kWindowBytes = size_t { 1 } << 20;
    static constexpr size_t kFirstWindowBytes = size_t { 64 } << 10;
    // Windows of at least this many bytes are mapped.
    static constexpr size_t kMappedWindowBytes = size_t { 256 } << 10;
    // A mapping spans this much of the file (or one window, when that is larger), and its windows
    // are made readable one after another as the reads move on: unmapping is costly, as every
    // processor that runs one of the process's threads must drop the pages from its cache of
    // addresses, so a walk unmaps once per region instead of once per window.
    static constexpr size_t kMappedRegionBytes = size_t { 8 } << 20;

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
    // valid until the next Read. Empty at or past the end, and once a read failed. Mapped bytes
    // of a file that is written meanwhile may change while they are looked at: a reader that
    // checks a byte and then relies on it copies it first.
    std::span<const uint8_t> Read(uint64_t position, size_t length) const;
    // The bytes from position to the end of the window, at least atLeast of them unless the file
    // ends first: for scans that take whatever is at hand. Valid until the next Read.
    std::span<const uint8_t> ReadAhead(uint64_t position, size_t atLeast) const;
    // Copies the bytes from position on into bytes, as many as fit (fewer at the end of the file),
    // past the window: for a walk that keeps the bytes it reads. The count copied; 0 at or past
    // the end, and once a read failed (a short copy marks the file failed, as Read does).
    size_t ReadInto(uint64_t position, std::span<uint8_t> bytes) const;
    bool ReadFailed() const { return readFailed_ || mappingFailed_.load(std::memory_order_relaxed); }
    // Where the next bytes that are not a hole of a sparse file start, at or after position (the
    // size when only a hole is left); position itself where the file system cannot tell.
    uint64_t NextDataAt(uint64_t position) const;
    // Marks the file failed: a copy that went past the window found the file shorter than it was.
    void MarkReadFailed() const { readFailed_ = true; }

private:
    enum class MapResult { Mapped, NotMapped, Failed };
    MapResult MapWindow(uint64_t position, size_t length) const;
    // Makes [position, position + length) of the mapping the window; false when the file has
    // become shorter than that.
    bool UseMappedWindow(uint64_t position, size_t length) const;
    bool MappingHolds(uint64_t position, size_t length) const
    {
        return mapping_ && position >= mappingStart_ && position + length <= mappingStart_ + mappingLength_;
    }
    void Unmap() const;
    const uint8_t* WindowData() const
    {
        return mapping_ ? mapping_ + (windowStart_ - mappingStart_) : window_.data();
    }

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
    // The mapped region, from a page boundary at or before windowStart_, holding the window;
    // null while the window is the buffer. Its pages up to populatedTo_ have been asked for.
    mutable const uint8_t* mapping_ = nullptr;
    mutable uint64_t mappingStart_ = 0; // in the file
    mutable size_t mappingLength_ = 0;
    mutable uint64_t populatedTo_ = 0; // in the file
    mutable std::atomic<bool> mappingFailed_ { false }; // set by the fault guard
    // Only the thread that mapped the window is guarded when it reads it: another thread that
    // reads this file maps a window of its own.
    mutable std::thread::id mappingThread_;
    mutable bool mayMap_ = true;
};
