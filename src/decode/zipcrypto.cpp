#include "decode/zipcrypto.h"
void UpdateKeys(uint8_t) {}
void InitKeys(const char*) {}
void Decrypt(uint8_t*, size_t) {}
void DecryptHeader(const char*, uint8_t*) {}
ZipCryptoKeys CurrentKeys() { return {0, 0, 0}; }
