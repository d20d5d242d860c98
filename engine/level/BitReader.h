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

    // count: 0 to 32 bits.
    uint32_t Read(int count)
    {
        // Five bytes hold any 32 bits, whatever the bit the field starts at.
        const size_t byte = bit_ >> 3;
        uint64_t window = 0;
        if (byte + 5 <= bytes_.size()) {
            const uint8_t* b = bytes_.data() + byte;
            window = (uint64_t { b[0] } << 32) | (uint64_t { b[1] } << 24) | (uint64_t { b[2] } << 16)
                | (uint64_t { b[3] } << 8) | b[4];
        } else {
            for (size_t i = 0; i < 5; ++i)
                window = (window << 8) | (byte + i < bytes_.size() ? bytes_[byte + i] : 0u);
        }
        const int shift = 40 - static_cast<int>(bit_ & 7) - count;
        bit_ += static_cast<size_t>(count);
        if (bit_ > bytes_.size() * 8)
            overrun_ = true;
        return static_cast<uint32_t>((window >> shift) & ((uint64_t { 1 } << count) - 1));
    }
    void Skip(int count) { bit_ += static_cast<size_t>(count); }
    bool Overrun() const { return overrun_ || bit_ > bytes_.size() * 8; }

private:
    std::span<const uint8_t> bytes_;
    size_t bit_ = 0;
    bool overrun_ = false;
};
