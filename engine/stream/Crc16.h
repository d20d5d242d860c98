#pragma once
// CRC-16 with the polynomial 0x8005, reflected (0xA001), starting at 0: the checksum of the LAME
// tag, over the tag frame's first bytes and over the music that follows it.
#include <cstdint>
#include <span>

// Continues crc over bytes; Crc16Update(Crc16Update(0, a), b) is the CRC of a followed by b.
uint16_t Crc16Update(uint16_t crc, std::span<const uint8_t> bytes);
