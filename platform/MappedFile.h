#pragma once
// A whole file mapped read-only into memory.
#include <cstddef>
#include <cstdint>
#include <string>

class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Maps the whole file. Fails for a missing or unreadable file, a directory, an empty file
    // and a file of 4 GiB or more (offsets into pieces are kept in 32 bits elsewhere).
    bool Open(const std::string& path);
    void Close();

    const uint8_t* Data() const { return data_; }
    size_t Size() const { return size_; }
    bool IsOpen() const { return data_ != nullptr; }

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};
