// CRC-32 of ISO 3309 / ITU-T V.42 (reflected polynomial 0xEDB88320), the checksum every
// ZIP entry carries. The tables are derived from the polynomial by the compiler: nothing is
// computed at start-up (the one processor check happens at the first long run). Which way
// Crc32Update takes is chosen by the build: crc32_x86.cpp on x86 processors (carry-less
// multiplication where the processor has it), crc32_generic.cpp elsewhere (the tables).
#pragma once

#include <cstddef>
#include <cstdint>

// Number of bytes one pass of the table loop takes ("slicing by eight").
constexpr unsigned CRC32_SLICES = 8;

// slice[k][b]: the CRC contribution of byte b with k more bytes after it in an eight-byte
// group, from a running value of 0. slice[0] is the plain byte table (entry 1 is
// 0x77073096, entry 255 is 0x2D02EF8D).
struct Crc32Tables {
  uint32_t slice[CRC32_SLICES][256];
};
extern const Crc32Tables CRC32_TABLES;

// Continues a CRC-32 over `length` bytes from the running value `crc` and returns the new
// running value. No inversion is done here: start from 0xFFFFFFFF and complement the final
// value. Length 0 returns `crc` unchanged. Uses carry-less multiplication where the
// processor has it, else the tables.
uint32_t Crc32Update(const uint8_t* buffer, size_t length, uint32_t crc);
// The same multiplying at most `widest` bytes at a time (16, 32 or 64), for the tests to take
// each way this processor has; 0 takes the tables.
uint32_t Crc32UpdateAtMost(const uint8_t* buffer, size_t length, uint32_t crc, unsigned widest);
// The same with the tables only (eight bytes a pass), whatever the processor.
uint32_t Crc32UpdateTable(const uint8_t* buffer, size_t length, uint32_t crc);
// How many bytes a register Crc32Update multiplies carry-lessly on long runs: 16 (x86 with
// PCLMULQDQ), 32 (VPCLMULQDQ with AVX2), 64 (with AVX-512), or 0 where it takes the tables.
unsigned Crc32MultiplyBytes();

// One CRC step for one byte: table[(crc ^ b) & 0xFF] ^ (crc >> 8).
inline uint32_t Crc32Byte(uint32_t crc, uint8_t b) {
  return CRC32_TABLES.slice[0][(crc ^ b) & 0xFF] ^ (crc >> 8);
}
