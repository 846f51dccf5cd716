// Traditional ZIP decryption with the one key set of the program. Each key update runs the
// plaintext byte through the CRC-32 step (key0), a linear congruential step (key1, multiplier
// 134,775,813) and the CRC-32 step again with key1's top byte (key2); the keystream byte is
// derived from key2.
#include "decode/zipcrypto.h"


#include "decode/crc32.h"

namespace {

// The initial keys as one constant 12-byte record (three little-endian u32).
const uint8_t INITIAL_KEYS[12] = {0x78, 0x56, 0x34, 0x12, 0x89, 0x67, 0x45, 0x23,
                                  0x90, 0x78, 0x56, 0x34};
constexpr uint32_t KEY1_MULTIPLIER = 0x08088405;  // 134,775,813

ZipCryptoKeys keys = {0x12345678, 0x23456789, 0x34567890};

uint32_t le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

void UpdateKeys(uint8_t byte) {
  keys.key0 = Crc32Byte(keys.key0, byte);
  keys.key1 = (keys.key1 + (keys.key0 & 0xFF)) * KEY1_MULTIPLIER + 1;
  keys.key2 = Crc32Byte(keys.key2, static_cast<uint8_t>(keys.key1 >> 24));
}

void InitKeys(const char* password) {
  keys.key0 = le32(INITIAL_KEYS);
  keys.key1 = le32(INITIAL_KEYS + 4);
  keys.key2 = le32(INITIAL_KEYS + 8);
  if (password == nullptr) return;
  for (const char* p = password; *p != '\0'; ++p) UpdateKeys(static_cast<uint8_t>(*p));
}

void Decrypt(uint8_t* buffer, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    // The keystream byte: t = (key2 | 2) & 0xFFFF, byte = (t * (t ^ 1)) >> 8.
    uint32_t t = (keys.key2 | 2) & 0xFFFF;
    uint8_t plain = static_cast<uint8_t>(buffer[i] ^ (((t * (t ^ 1)) >> 8) & 0xFF));
    buffer[i] = plain;
    UpdateKeys(plain);
  }
}

void DecryptHeader(const char* password, uint8_t* header) {
  InitKeys(password);
  Decrypt(header, ZIPCRYPTO_HEADER_SIZE);
}

ZipCryptoKeys CurrentKeys() { return keys; }
