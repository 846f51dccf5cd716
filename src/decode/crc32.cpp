// CRC-32 (reflected polynomial 0xEDB88320) with tables, "slicing by eight": the byte table
// is the standard one and seven further tables let the loop take eight bytes per pass
// (table k gives the contribution of a byte that still has k bytes behind it in the
// group). All eight are derived here from the polynomial at compile time. The long-run
// path with carry-less multiplication, where the build has one, is in crc32_x86.cpp.
#include "decode/crc32.h"

namespace {

constexpr uint32_t POLYNOMIAL = 0xEDB88320;  // x^32 + x^26 + ... + 1, bit-reflected

// The CRC of byte b alone from a running value of 0: eight shifts through the polynomial.
constexpr uint32_t byteCrc(uint32_t b) {
  uint32_t crc = b;
  for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ ((crc & 1) ? POLYNOMIAL : 0);
  return crc;
}

// Table k is table k - 1 followed by one zero byte: one more byte step on each entry.
constexpr Crc32Tables makeTables() {
  Crc32Tables t{};
  for (uint32_t b = 0; b < 256; ++b) t.slice[0][b] = byteCrc(b);
  for (unsigned k = 1; k < CRC32_SLICES; ++k)
    for (uint32_t b = 0; b < 256; ++b) {
      uint32_t previous = t.slice[k - 1][b];
      t.slice[k][b] = t.slice[0][previous & 0xFF] ^ (previous >> 8);
    }
  return t;
}

inline uint32_t loadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

// Constant-initialised: the compiler writes the tables into the program's data.
constexpr Crc32Tables CRC32_TABLES = makeTables();
static_assert(CRC32_TABLES.slice[0][1] == 0x77073096 && CRC32_TABLES.slice[0][255] == 0x2D02EF8D,
              "the byte table of the reflected polynomial");

uint32_t Crc32UpdateTable(const uint8_t* buffer, size_t length, uint32_t crc) {
  // Eight bytes per pass: the running value is folded into the first four, then each of
  // the eight bytes is looked up in the table for its distance from the group's end.
  const auto& t = CRC32_TABLES.slice;
  while (length >= CRC32_SLICES) {
    uint32_t lo = loadLe32(buffer) ^ crc;
    uint32_t hi = loadLe32(buffer + 4);
    crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
          t[3][hi & 0xFF] ^ t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
    buffer += CRC32_SLICES;
    length -= CRC32_SLICES;
  }
  while (length-- > 0) crc = Crc32Byte(crc, *buffer++);
  return crc;
}
