// CRC-32 of ISO 3309 / ITU-T V.42 (reflected polynomial 0xEDB88320), the checksum every
// ZIP entry carries. The tables are constants: nothing is computed at start-up (the one
// processor check happens at the first long run).
#pragma once

#include <cstddef>
#include <cstdint>

// The 256-entry byte table of the CRC (entry 1 is 0x77073096, entry 255 is 0x2D02EF8D).
extern const uint32_t CRC32_TABLE[256];

// Continues a CRC-32 over `length` bytes from the running value `crc` and returns the new
// running value. No inversion is done here: start from 0xFFFFFFFF and complement the final
// value. Length 0 returns `crc` unchanged. Uses carry-less multiplication where the
// processor has it, else the tables.
uint32_t Crc32Update(const uint8_t* buffer, size_t length, uint32_t crc);
// The same with the tables only (eight bytes a pass), whatever the processor.
uint32_t Crc32UpdateTable(const uint8_t* buffer, size_t length, uint32_t crc);
// Whether Crc32Update multiplies (x86 with PCLMULQDQ).
bool Crc32HasCarrylessMultiply();

// One CRC step for one byte: table[(crc ^ b) & 0xFF] ^ (crc >> 8).
inline uint32_t Crc32Byte(uint32_t crc, uint8_t b) {
  return CRC32_TABLE[(crc ^ b) & 0xFF] ^ (crc >> 8);
}
