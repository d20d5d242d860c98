#pragma once
// An output file that checks every write. A writer that fails or is cancelled calls Discard(),
// which closes and deletes the file, so no partial output is left behind.
#include <cstddef>
#include <cstdint>
#include <string>

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile(); // discards a file that was neither committed nor discarded
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the file for writing, replacing an existing one.
    bool Create(const std::string& path);
    // Writes all bytes; false on any error (disk full, file-size limit, I/O error).
    bool Write(const void* data, size_t length);
    // Overwrites bytes already written at offset (a header patched once the rest is known); the
    // range must lie inside what was written. False on any error.
    bool WriteAt(uint64_t offset, const void* data, size_t length);
    // Flushes and closes; false when the data may not all have reached the file.
    bool Close();
    // Closes and deletes the file.
    void Discard();

    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }
    uint64_t BytesWritten() const { return written_; }

private:
    int fd_ = -1;
    std::string path_;
    uint64_t written_ = 0;
};
