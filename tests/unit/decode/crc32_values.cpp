// CRC-32 results: the check value of the standard, and agreement with a plain bitwise CRC on
// random data of many odd lengths, also when the data is fed in pieces; for every way of
// computing it (carry-less multiplication, 16, 32 or 64 bytes at a time where this processor
// has it, and the tables).
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "decode/crc32.h"

namespace {

// The CRC one bit at a time, straight from the polynomial: the independent reference.
uint32_t bitwiseCrc(const std::string& data, uint32_t crc = 0xFFFFFFFF) {
  for (unsigned char c : data) {
    crc ^= c;
    for (int i = 0; i < 8; ++i) crc = (crc >> 1) ^ ((crc & 1) ? 0xEDB88320u : 0);
  }
  return crc;
}

uint32_t crcOf(const std::string& data, uint32_t crc = 0xFFFFFFFF) {
  return Crc32Update(reinterpret_cast<const uint8_t*>(data.data()), data.size(), crc);
}

uint32_t tableCrcOf(const std::string& data, uint32_t crc = 0xFFFFFFFF) {
  return Crc32UpdateTable(reinterpret_cast<const uint8_t*>(data.data()), data.size(), crc);
}

}  // namespace

TEST(Crc32Values, CheckValueOf123456789) {
  EXPECT_EQ(0xCBF43926u, ~crcOf("123456789"));
}

TEST(Crc32Values, EmptyInputKeepsTheRunningValue) {
  EXPECT_EQ(0xFFFFFFFFu, crcOf(""));
  EXPECT_EQ(0x12345678u, Crc32Update(nullptr, 0, 0x12345678u));
}

TEST(Crc32Values, MatchesBitwiseCrcOnRandomOddLengths) {
  std::mt19937 rng(5);
  for (size_t len : {1u, 3u, 7u, 9u, 15u, 17u, 31u, 63u, 64u, 65u, 79u, 127u, 128u, 143u, 255u, 256u, 511u, 1001u, 4097u, 65537u}) {
    std::string data(len, '\0');
    for (char& c : data) c = static_cast<char>(rng());
    // Misaligned starts too: the eight-byte passes must not depend on alignment.
    for (size_t skew = 0; skew < 3 && skew < len; ++skew) {
      std::string part = data.substr(skew);
      EXPECT_EQ(bitwiseCrc(part), crcOf(part)) << "length " << part.size();
      EXPECT_EQ(bitwiseCrc(part), tableCrcOf(part)) << "length " << part.size();
      EXPECT_EQ(bitwiseCrc(part, 0x1234567u), crcOf(part, 0x1234567u)) << "length " << part.size();
      // Each narrower way too, where this processor would take a wider one.
      for (unsigned widest : {16u, 32u}) {
        uint32_t crc = Crc32UpdateAtMost(reinterpret_cast<const uint8_t*>(part.data()), part.size(), 0x1234567u, widest);
        EXPECT_EQ(bitwiseCrc(part, 0x1234567u), crc) << "length " << part.size() << ", at most " << widest;
      }
    }
  }
}

TEST(Crc32Values, PiecesGiveTheSameResultAsOneRun) {
  std::mt19937 rng(11);
  std::string data(20000, '\0');
  for (char& c : data) c = static_cast<char>(rng());
  uint32_t crc = 0xFFFFFFFF;
  size_t pos = 0;
  while (pos < data.size()) {
    size_t n = 1 + rng() % 230;
    crc = crcOf(data.substr(pos, n), crc);
    pos += n;
  }
  EXPECT_EQ(bitwiseCrc(data), crc);
}
