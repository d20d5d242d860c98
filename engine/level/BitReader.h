#pragma once
// Reads big-endian bit fields from a byte span; reads past the end give zero bits and set
// Overrun(), so a damaged frame never reads outside its bytes.
#include <cstddef>
#include <cstdint>
#include <span>

class BitReader {
public:
    explicit BitReader(std::span<const uint8_t> bytes, size_t startByte = 0)
        : bytes_(bytes)
        , bit_(startByte * 8)
    {
    }

    uint32_t Read(int count)
    {
        uint32_t value = 0;
        for (int i = 0; i < count; ++i, ++bit_) {
            const size_t byte = bit_ >> 3;
            int bitValue = 0;
            if (byte < bytes_.size())
                bitValue = (bytes_[byte] >> (7 - (bit_ & 7))) & 1;
            else
                overrun_ = true;
            value = (value << 1) | static_cast<uint32_t>(bitValue);
        }
        return value;
    }
    void Skip(int count) { bit_ += static_cast<size_t>(count); }
    bool Overrun() const { return overrun_ || (bit_ + 7) / 8 > bytes_.size(); }

private:
    std::span<const uint8_t> bytes_;
    size_t bit_ = 0;
    bool overrun_ = false;
};
