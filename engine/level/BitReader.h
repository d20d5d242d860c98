#pragma once
// Big-endian bit fields from bytes. BitReader checks every read against the span's end: reads past
// it give zero bits and set Overrun(), so a damaged frame never reads outside its bytes.
// PaddedBitReader is for bytes known to be followed by at least kPadding readable bytes past the
// last field read: each field is one unaligned eight-byte load, without a check.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
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

class PaddedBitReader {
public:
    static constexpr size_t kPadding = 8;

    explicit PaddedBitReader(const uint8_t* bytes, size_t startBit = 0)
        : bytes_(bytes)
        , bit_(startBit)
    {
    }

    // count: 0 to 32 bits.
    uint32_t Read(int count)
    {
        uint64_t word;
        std::memcpy(&word, bytes_ + (bit_ >> 3), sizeof word);
        if constexpr (std::endian::native == std::endian::little)
            word = __builtin_bswap64(word);
        word <<= bit_ & 7;
        bit_ += static_cast<size_t>(count);
        // Two shifts, so that a count of 0 gives 0 (a shift by 64 would be undefined).
        return static_cast<uint32_t>((word >> 1) >> (63 - count));
    }
    void Skip(int count) { bit_ += static_cast<size_t>(count); }

private:
    const uint8_t* bytes_;
    size_t bit_;
};
