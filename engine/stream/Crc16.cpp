#include "engine/stream/Crc16.h"

#include <array>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

constexpr uint32_t kPolynomial = 0x8005; // x^16 + x^15 + x^2 + 1, written without x^16

// Table k holds the CRC, from a zero register, of a byte followed by k zero bytes. Tables 0-7
// read eight bytes per step ("slicing by eight") where carry-less multiplication is missing; all
// 31 finish the folding below, whose last block and leftover bytes are at most 31 bytes from the end.
constexpr size_t kTableCount = 31;
constexpr std::array<std::array<uint16_t, 256>, kTableCount> MakeTables()
{
    std::array<std::array<uint16_t, 256>, kTableCount> tables {};
    for (unsigned byte = 0; byte < 256; ++byte) {
        unsigned crc = byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001u : crc >> 1;
        tables[0][byte] = static_cast<uint16_t>(crc);
    }
    for (size_t k = 1; k < kTableCount; ++k) {
        for (unsigned byte = 0; byte < 256; ++byte) {
            const uint16_t previous = tables[k - 1][byte];
            tables[k][byte] = static_cast<uint16_t>((previous >> 8) ^ tables[0][previous & 0xFF]);
        }
    }
    return tables;
}

constexpr auto kTables = MakeTables();

uint16_t TableCrc16(uint16_t crc, const uint8_t* p, size_t left)
{
    uint32_t value = crc;
    while (left >= 8) {
        // The register's 16 bits meet the first two bytes of the block.
        const uint32_t first = (uint32_t { p[0] } | (uint32_t { p[1] } << 8)) ^ value;
        value = kTables[7][first & 0xFF] ^ kTables[6][first >> 8] ^ kTables[5][p[2]] ^ kTables[4][p[3]]
            ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^ kTables[1][p[6]] ^ kTables[0][p[7]];
        p += 8;
        left -= 8;
    }
    while (left-- > 0)
        value = (value >> 8) ^ kTables[0][(value ^ *p++) & 0xFF];
    return static_cast<uint16_t>(value);
}

#if defined(__x86_64__)

// Folding with carry-less multiplication. A reflected CRC reads the first bit of the stream as the
// highest power, so 16 bytes loaded little-endian into a 128-bit register hold, from bit 0 up, the
// coefficients of x^127 down to x^0. Moving such a block n bits further from the end multiplies it
// by x^n, and modulo the polynomial that is a multiplication by (x^n mod P), a polynomial of
// degree below 16: so each 64-bit half is multiplied by a constant and the 128-bit block stays
// congruent to everything folded into it. The CRC of the whole is then the CRC of that one block.
//
// The constant for x^n is stored as a 64-bit word in the same reflected order (the coefficient of
// x^d in bit 63 - d). A carry-less product of two reflected words comes out one power of x short,
// which the constants make up by being x^(n - 1).
constexpr uint64_t ReflectedXPowerModP(unsigned n)
{
    uint32_t remainder = 1;
    for (unsigned i = 0; i < n; ++i) {
        remainder <<= 1;
        if (remainder & 0x10000)
            remainder ^= 0x10000 | kPolynomial;
    }
    uint64_t word = 0;
    for (unsigned d = 0; d < 16; ++d) {
        if (remainder & (1u << d))
            word |= uint64_t { 1 } << (63 - d);
    }
    return word;
}

// Folding a block across the other: the low half holds the powers x^127 … x^64, the high half
// x^63 … x^0; moving the block by `distance` bits.
struct FoldConstants {
    uint64_t low;
    uint64_t high;
};
constexpr FoldConstants FoldBy(unsigned distance)
{
    return { ReflectedXPowerModP(distance + 64 - 1), ReflectedXPowerModP(distance - 1) };
}

constexpr FoldConstants kFold128 = FoldBy(128);
constexpr FoldConstants kFold512 = FoldBy(512);

__attribute__((target("pclmul,sse4.1"))) inline __m128i Fold(__m128i block, __m128i constants, __m128i next)
{
    const __m128i low = _mm_clmulepi64_si128(block, constants, 0x00);
    const __m128i high = _mm_clmulepi64_si128(block, constants, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

// Folds the bytes left into block and returns the CRC of the whole.
__attribute__((target("pclmul,sse4.1"))) uint16_t FinishFolding(__m128i block, const uint8_t* p, size_t left)
{
    auto load = [&](size_t offset) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + offset)); };
    const __m128i by128 = _mm_set_epi64x(static_cast<long long>(kFold128.high), static_cast<long long>(kFold128.low));
    while (left >= 16) {
        block = Fold(block, by128, load(0));
        p += 16;
        left -= 16;
    }
    alignas(16) uint8_t folded[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(folded), block);
    // The folded block followed by the bytes left, from a zero register: the CRC is then linear in
    // the bytes, so each byte adds its own share independently of the others (one table step after
    // another would wait on each other, and that showed for every frame of a walk).
    uint32_t value = 0;
    for (size_t k = 0; k < sizeof folded; ++k)
        value ^= kTables[sizeof folded - 1 - k + left][folded[k]];
    for (size_t k = 0; k < left; ++k)
        value ^= kTables[left - 1 - k][p[k]];
    return static_cast<uint16_t>(value);
}


__attribute__((target("pclmul,sse4.1"))) uint16_t FoldingCrc16(uint16_t crc, const uint8_t* p, size_t left)
{
    auto load = [&](size_t offset) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + offset)); };
    const __m128i by128 = _mm_set_epi64x(static_cast<long long>(kFold128.high), static_cast<long long>(kFold128.low));
    const __m128i by512 = _mm_set_epi64x(static_cast<long long>(kFold512.high), static_cast<long long>(kFold512.low));

    // The register's starting value enters as the first 16 bits of the stream. Four independent
    // blocks, each moved 64 bytes on per step, so the multiplications overlap; named one by one so
    // they stay in registers (an array of them was kept in memory, each step waiting on a store).
    __m128i lane0 = _mm_xor_si128(load(0), _mm_cvtsi32_si128(crc));
    __m128i lane1 = load(16);
    __m128i lane2 = load(32);
    __m128i lane3 = load(48);
    p += 64;
    left -= 64;
    while (left >= 64) {
        // Page-cache pages lie anywhere in memory and the processor's own prefetch stops at each
        // page's end: asking for the bytes 2 KB ahead keeps the next page coming. A prefetch
        // never faults, past the end of the bytes neither.
        _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(p) + 2048), _MM_HINT_T0);
        lane0 = Fold(lane0, by512, load(0));
        lane1 = Fold(lane1, by512, load(16));
        lane2 = Fold(lane2, by512, load(32));
        lane3 = Fold(lane3, by512, load(48));
        p += 64;
        left -= 64;
    }
    __m128i block = Fold(Fold(Fold(lane0, by128, lane1), by128, lane2), by128, lane3);
    return FinishFolding(block, p, left);
}

constexpr FoldConstants kFold2048 = FoldBy(2048);

__attribute__((target("avx512f"))) inline __m512i WideLoad(const uint8_t* p, size_t offset)
{
    return _mm512_loadu_si512(p + offset);
}

__attribute__((target("avx512f,vpclmulqdq"))) inline __m512i WideFold(__m512i block, __m512i constants, __m512i next)
{
    const __m512i low = _mm512_clmulepi64_epi128(block, constants, 0x00);
    const __m512i high = _mm512_clmulepi64_epi128(block, constants, 0x11);
    return _mm512_ternarylogic_epi64(low, high, next, 0x96); // low ^ high ^ next
}

// The same folding, sixteen blocks at a time where the processor multiplies four pairs in one
// instruction: four 512-bit registers of four blocks each, moved 256 bytes on per step, about
// four times the bytes per second of the four single blocks. The sixteen are then folded into one
// in stream order.
__attribute__((target("avx512f,vpclmulqdq,pclmul,sse4.1"))) uint16_t WideFoldingCrc16(uint16_t crc, const uint8_t* p, size_t left)
{
    const auto high = static_cast<long long>(kFold2048.high);
    const auto low = static_cast<long long>(kFold2048.low);
    const __m512i by2048 = _mm512_set_epi64(high, low, high, low, high, low, high, low);
    __m512i wide[4] = { _mm512_xor_si512(WideLoad(p, 0), _mm512_set_epi64(0, 0, 0, 0, 0, 0, 0, crc)),
        WideLoad(p, 64), WideLoad(p, 128), WideLoad(p, 192) };
    p += 256;
    left -= 256;
    while (left >= 256) {
        _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(p) + 2048), _MM_HINT_T0);
        _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(p) + 2048 + 64), _MM_HINT_T0);
        _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(p) + 2048 + 128), _MM_HINT_T0);
        _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(p) + 2048 + 192), _MM_HINT_T0);
        wide[0] = WideFold(wide[0], by2048, WideLoad(p, 0));
        wide[1] = WideFold(wide[1], by2048, WideLoad(p, 64));
        wide[2] = WideFold(wide[2], by2048, WideLoad(p, 128));
        wide[3] = WideFold(wide[3], by2048, WideLoad(p, 192));
        p += 256;
        left -= 256;
    }
    alignas(64) __m128i blocks[16];
    for (int k = 0; k < 4; ++k)
        _mm512_store_si512(&blocks[4 * k], wide[k]);
    const __m128i by128 = _mm_set_epi64x(static_cast<long long>(kFold128.high), static_cast<long long>(kFold128.low));
    __m128i block = blocks[0];
    for (int k = 1; k < 16; ++k)
        block = Fold(block, by128, blocks[k]);
    return FinishFolding(block, p, left);
}

bool HasWideCarrylessMultiply()
{
    static const bool has = __builtin_cpu_supports("vpclmulqdq") && __builtin_cpu_supports("avx512f")
        && __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return has;
}

bool HasCarrylessMultiply()
{
    static const bool has = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return has;
}

#endif

} // namespace

uint16_t Crc16Update(uint16_t crc, std::span<const uint8_t> bytes)
{
#if defined(__x86_64__)
    // Below one four-lane block the tables are as quick; the wide folding pays from a few of its
    // steps on.
    if (bytes.size() >= 512 && HasWideCarrylessMultiply())
        return WideFoldingCrc16(crc, bytes.data(), bytes.size());
    if (bytes.size() >= 64 && HasCarrylessMultiply())
        return FoldingCrc16(crc, bytes.data(), bytes.size());
#endif
    return TableCrc16(crc, bytes.data(), bytes.size());
}
