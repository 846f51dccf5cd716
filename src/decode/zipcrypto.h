// Traditional ZIP decryption: three 32-bit keys advanced by every plaintext byte, and a
// 12-byte encryption header in front of each encrypted entry's data. Decryption only; the
// system never encrypts. There is one key set for the program: one entry is decrypted at a
// time, and every entry and every password attempt starts again from InitKeys.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t ZIPCRYPTO_HEADER_SIZE = 12;

// Advances the three keys by one plaintext byte.
void UpdateKeys(uint8_t byte);
// Loads the initial keys (0x12345678, 0x23456789, 0x34567890), then feeds every byte of the
// NUL-terminated password to UpdateKeys. An empty password leaves the initial keys.
void InitKeys(const char* password);
// Decrypts `length` bytes in place, advancing the keys with each decrypted byte.
void Decrypt(uint8_t* buffer, size_t length);
// InitKeys(password), then Decrypt(header, 12). The keys stay in the state reached, ready for
// the entry data that follows. The last header byte is the password check byte.
void DecryptHeader(const char* password, uint8_t* header);

// The current keys, for tests and diagnostics.
struct ZipCryptoKeys {
  uint32_t key0, key1, key2;
};
ZipCryptoKeys CurrentKeys();
