// Base64: three bytes become four characters of a 64-letter alphabet; '=' fills the last
// group when the bytes run out.
#include "base/base64.h"

#include <cstdint>

namespace {

const char ALPHABET[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int valueOf(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::string base64Encode(const std::string& bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    size_t n = bytes.size() - i < 3 ? bytes.size() - i : 3;
    uint32_t group = 0;
    for (size_t k = 0; k < 3; ++k) group = group << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    for (size_t k = 0; k < 4; ++k) out += k <= n ? ALPHABET[group >> (18 - 6 * k) & 0x3F] : '=';
  }
  return out;
}

bool base64Decode(const std::string& text, std::string& bytes) {
  bytes.clear();
  if (text.size() % 4 != 0) return false;
  for (size_t i = 0; i < text.size(); i += 4) {
    bool last = i + 4 == text.size();
    size_t padding = last ? (text[i + 3] == '=') + (text[i + 2] == '=') : 0;
    uint32_t group = 0;
    for (size_t k = 0; k < 4; ++k) {
      int v = k < 4 - padding ? valueOf(text[i + k]) : 0;
      if (v < 0) return false;
      group = group << 6 | static_cast<uint32_t>(v);
    }
    for (size_t k = 0; k < 3 - padding; ++k) bytes += static_cast<char>(group >> (16 - 8 * k) & 0xFF);
  }
  return true;
}
