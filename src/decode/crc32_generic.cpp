// CRC-32 on processors without a carry-less multiply that the build knows: every run
// takes the tables of crc32.cpp. The build compiles this file instead of crc32_x86.cpp
// for targets other than x86.
#include "decode/crc32.h"

unsigned Crc32MultiplyBytes() { return 0; }

uint32_t Crc32Update(const uint8_t* buffer, size_t length, uint32_t crc) {
  return Crc32UpdateTable(buffer, length, crc);
}

uint32_t Crc32UpdateAtMost(const uint8_t* buffer, size_t length, uint32_t crc, unsigned) {
  return Crc32UpdateTable(buffer, length, crc);
}
