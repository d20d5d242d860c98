#pragma once
// An output file that checks every write and never shows a partial file under its name.
//
// The bytes go to an unnamed file in the target's folder (O_TMPFILE), or, on file systems without
// unnamed files, to a hidden temporary name there. Close() puts the complete file in place in one
// rename, so an existing file is replaced only by a complete new one. A writer that fails or is
// cancelled calls Discard(): the temporary file goes away and whatever the name held before stays
// as it was. Nothing but the temporary file is ever deleted.
#include "platform/SerialWorker.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class ReadWindow;

class OutputFile {
public:
    // Where the bytes wait until Close(): an unnamed file (falling back to a hidden name where the
    // file system has none), or a hidden name from the start.
    enum class Staging { Unnamed, HiddenName };

    OutputFile() = default;
    ~OutputFile(); // discards a file that was neither closed nor discarded
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Prepares a new file for path; nothing appears under the name yet. Fails, touching nothing,
    // when path names something other than a regular file (a folder, a device, a FIFO, a socket, a
    // link that points nowhere), an existing file that may not be written, or a name that cannot
    // be made in its folder. A link to a regular file is followed: its target is replaced.
    bool Create(const std::string& path, Staging staging = Staging::Unnamed);
    // Writes all bytes; false on any error (disk full, file-size limit, I/O error).
    bool Write(const void* data, size_t length);
    // Appends bytes through buffers of a megabyte that a thread of the file's own writes
    // out while the caller goes on: reading and checking the next frames then costs no time beside
    // the writing, and the bytes are copied while they are still in the processor's cache. False
    // once a write failed. Every other call writes out what is buffered first.
    bool Append(const void* data, size_t length);
    // Room at the end of what Append buffered, of at least minimum bytes (at most a
    // megabyte), for a caller that reads its bytes straight into it: they are not copied once
    // more. CommitAppend(length) then appends the first length bytes of it, in order after
    // everything before. Empty once a write failed. Nothing else may be called in between.
    std::span<uint8_t> AppendRoom(size_t minimum);
    bool CommitAppend(size_t length);
    // Appends length bytes of source from offset through the same thread, after what was appended
    // before: the kernel copies them (as CopyFrom), so bytes the caller has only looked at are not
    // copied through the processor's cache. Ranges that follow each other in the source are copied
    // in one go. The source must stay open until the next Flush; a copy that meets its end fails
    // the file, and Flush marks the source failed.
    bool AppendFrom(const ReadWindow& source, uint64_t offset, size_t length);
    // Writes out what Append buffered and waits for it; false when a write failed.
    bool Flush();
    enum class CopyResult { Copied, ReadFailed, WriteFailed };
    // Appends length bytes of source from offset, copied inside the kernel where it can
    // (copy_file_range), else read and written through a small buffer. ReadFailed, with the source
    // marked failed, when the source ends before offset + length or cannot be read.
    CopyResult CopyFrom(const ReadWindow& source, uint64_t offset, uint64_t length);
    // Overwrites bytes already written at offset (a header patched once the rest is known); the
    // range must lie inside what was written. False on any error.
    bool WriteAt(uint64_t offset, const void* data, size_t length);
    // Closes the file and puts it in place under its name. False, with nothing put in place and
    // the temporary file removed, when the data may not all have reached the file or the name
    // could not be taken (it was made a folder, a device or a FIFO meanwhile).
    bool Close();
    // Closes and removes the temporary file. A file already put in place by Close() stays.
    void Discard();

    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }
    uint64_t BytesWritten() const { return written_; }

private:
    bool OpenStaging(Staging staging);
    // Gives the unnamed file a hidden name, so that one rename can put it in place.
    bool LinkUnnamedFile();
    bool WriteBytes(const void* data, size_t length);
    // The buffer being filled, taken from the spares or made.
    uint8_t* FillingBuffer();
    // Hands the full buffer to the writing thread and moves on to the next.
    bool PostFilledBuffer();
    // Hands the range AppendFrom gathered to the writing thread.
    bool PostPendingCopy();
    // The writing thread, taken from the spares or started.
    SerialWorker& Worker();
    // Copies a range of sourceFd to the end of the file: in the kernel where it can, else read and
    // written through a small buffer.
    CopyResult CopyRange(int sourceFd, uint64_t offset, uint64_t length);

    int fd_ = -1;
    std::string path_; // as the caller named it
    std::string target_; // the file that is replaced: path_, or where a link at path_ points
    std::string folder_; // the target's folder, where the temporary file lives
    std::string stagingPath_; // the hidden temporary name; empty while the file has none
    uint64_t written_ = 0;
    bool kernelCopy_ = true; // cleared when copy_file_range cannot copy between these files
    std::vector<uint8_t> copyBuffer_;

    // Append's buffers, used in turn: the writing thread holds at most all but the one being filled.
    static constexpr size_t kAppendBufferBytes = size_t { 1 } << 20;
    static constexpr size_t kAppendBuffers = 4;
    std::array<std::unique_ptr<uint8_t[]>, kAppendBuffers> appendBuffers_;
    size_t filling_ = 0; // the buffer being filled
    size_t filled_ = 0; // bytes in it
    bool appendFailed_ = false; // set by the writing thread, read once it is idle
    const ReadWindow* copyReadFailed_ = nullptr; // the same, when a copy met its source's end
    // AppendFrom's range not yet handed over; at most one of it and a partly filled buffer waits.
    static constexpr size_t kCopyRunBytes = size_t { 1 } << 20;
    const ReadWindow* pendingSource_ = nullptr;
    uint64_t pendingOffset_ = 0;
    uint64_t pendingLength_ = 0;
    // Taken from the spares when the first buffer is full; Discard stops its work and gives it back.
    std::unique_ptr<SerialWorker> appendWriter_;
};
