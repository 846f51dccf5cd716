// Code page 932 on the builder's side: the stub reads every entry name and every text of its
// configuration block as Shift-JIS bytes, while the author's file system and terminal speak
// UTF-8. Conversions go through iconv; a text counts as convertible only when converting it
// back gives the same UTF-8, so nothing is silently replaced by a look-alike.
#include <iconv.h>

#include <cerrno>
#include <cstdio>

#include "mksfx.h"

namespace {

// One conversion of the whole text; false when iconv stops on a character it cannot map.
bool convert(const char* to, const char* from, const std::string& in, std::string& out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out.clear();
  std::string buffer(in.size() * 4 + 16, '\0');
  char* inPtr = const_cast<char*>(in.data());
  size_t inLeft = in.size();
  char* outPtr = &buffer[0];
  size_t outLeft = buffer.size();
  size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  bool ok = result != static_cast<size_t>(-1) && inLeft == 0;
  if (ok) {
    // Flush any shift state (none for these encodings, but the call is cheap).
    ok = iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<size_t>(-1);
  }
  iconv_close(cd);
  if (ok) out.assign(buffer.data(), buffer.size() - outLeft);
  return ok;
}

bool isLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool isTrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

}  // namespace

bool utf8ToCp932(const std::string& utf8, std::string& cp932) {
  std::string back;
  if (!convert("CP932", "UTF-8", utf8, cp932)) return false;
  if (!convert("UTF-8", "CP932", cp932, back)) return false;
  return back == utf8;
}

size_t cp932CharLength(const std::string& text, size_t i) {
  return isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

bool isValidCp932(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (isLeadByte(c)) {
      if (i + 1 >= text.size() || !isTrailByte(static_cast<unsigned char>(text[i + 1]))) return false;
      i += 2;
    } else {
      // 0x80, 0xA0 and 0xFD-0xFF are not characters of the code page.
      if (c == 0x80 || c == 0xA0 || c >= 0xFD) return false;
      i += 1;
    }
  }
  std::string ignored;
  return convert("UTF-8", "CP932", text, ignored);
}

bool isValidUtf8(const std::string& text) {
  std::string ignored;
  return convert("UTF-16LE", "UTF-8", text, ignored);
}

std::string escapeControls(const std::string& text, bool keepNewlines) {
  std::string out;
  for (unsigned char c : text) {
    if ((c < 0x20 && !(keepNewlines && c == '\n')) || c == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string shownName(const std::string& cp932) { return escapeControls(cp932ToUtf8(cp932), false); }

std::string cp932ToUtf8(const std::string& cp932) {
  std::string out, piece;
  if (convert("UTF-8", "CP932", cp932, out)) return escapeControls(out, true);
  out.clear();
  for (size_t i = 0; i < cp932.size();) {
    size_t n = cp932CharLength(cp932, i);
    std::string ch = cp932.substr(i, n);
    unsigned char c = static_cast<unsigned char>(ch[0]);
    if (c < 0x80) {
      out += ch;
    } else if (convert("UTF-8", "CP932", ch, piece)) {
      out += piece;
    } else {
      char hex[8];
      for (unsigned char b : ch) {
        std::snprintf(hex, sizeof hex, "\\x%02X", b);
        out += hex;
      }
    }
    i += n;
  }
  return escapeControls(out, true);
}

std::string cp932ToUtf8(const char* cp932) { return cp932ToUtf8(std::string(cp932 ? cp932 : "")); }
