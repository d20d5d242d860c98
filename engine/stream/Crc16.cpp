#include "engine/stream/Crc16.h"

#include <array>

namespace {

// Eight tables for reading eight bytes per step ("slicing by eight"): table 0 is the CRC of one
// byte, table k the CRC of a byte followed by k zero bytes. The music CRC covers every byte a
// piece or a join writes, so it must keep up with copying.
constexpr std::array<std::array<uint16_t, 256>, 8> MakeTables()
{
    std::array<std::array<uint16_t, 256>, 8> tables {};
    for (unsigned byte = 0; byte < 256; ++byte) {
        unsigned crc = byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001u : crc >> 1;
        tables[0][byte] = static_cast<uint16_t>(crc);
    }
    for (size_t k = 1; k < 8; ++k) {
        for (unsigned byte = 0; byte < 256; ++byte) {
            const uint16_t previous = tables[k - 1][byte];
            tables[k][byte] = static_cast<uint16_t>((previous >> 8) ^ tables[0][previous & 0xFF]);
        }
    }
    return tables;
}

constexpr auto kTables = MakeTables();

} // namespace

uint16_t Crc16Update(uint16_t crc, std::span<const uint8_t> bytes)
{
    const uint8_t* p = bytes.data();
    size_t left = bytes.size();
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
