// Code page 932 on the builder's side: the stub reads every entry name and every text of its
// configuration block as Shift-JIS bytes, while the author's file system and terminal speak
// UTF-8. Conversions go through the host layer (iconv, or the Windows tables); a text counts
// as convertible only when converting it back gives the same UTF-8, so nothing is silently
// replaced by a look-alike, whichever tables did the work. The one
// exception is the well-known set of characters that Unix's Shift_JIS tables and Windows'
// code page 932 map to the same double-byte character under different code points (the
// JIS tables say U+301C WAVE DASH for 0x8160, Windows says U+FF5E FULLWIDTH TILDE): both
// forms are taken as that character, and it is shown in the Unix form, the one the engine
// writes names in on Linux too (src/system/cp932_variants.h), so show and extract agree.
#include "base/code_page.h"

#include <cstdio>
#include <cstring>

#include "host/host.h"
#include "system/cp932_variants.h"

namespace {

// Every occurrence of one form of the pairs replaced by the other (whole UTF-8 sequences).
std::string withVariants(const std::string& text, bool toWindows) {
  std::string out = text;
  for (const Cp932Variant& pair : CP932_VARIANTS) {
    std::string from = toWindows ? pair.unixForm : pair.windowsForm;
    std::string to = toWindows ? pair.windowsForm : pair.unixForm;
    for (size_t at = out.find(from); at != std::string::npos; at = out.find(from, at + to.size())) {
      out.replace(at, from.size(), to);
    }
  }
  return out;
}

// The character that `base` followed by the combining `mark` composes to, where code page
// 932 has it; 0 otherwise. Names written on macOS keep their decomposed form: "が" is "か"
// and U+3099, a mark that code page 932 does not have. These are all of code page 932's
// characters that decompose into two.
uint32_t composedCharacter(uint32_t base, uint32_t mark) {
  // Kana with the voiced mark become the next code point, with the semi-voiced mark the one
  // after it; "ウ" with the voiced mark is "ヴ".
  static const char16_t VOICED[] = u"かきくけこさしすせそたちつてとはひふへほゝカキクケコサシスセソタチツテトハヒフヘホヽ";
  static const char16_t SEMI_VOICED[] = u"はひふへほハヒフヘホ";
  auto among = [](const char16_t* set, uint32_t c) {
    for (; *set; ++set) {
      if (*set == c) return true;
    }
    return false;
  };
  switch (mark) {
    case 0x3099: return base == 0x30A6 ? 0x30F4 : among(VOICED, base) ? base + 1 : 0;
    case 0x309A: return among(SEMI_VOICED, base) ? base + 2 : 0;
    case 0x0308: return base == 0x0415 ? 0x0401 : base == 0x0435 ? 0x0451 : 0;  // Ё, ё
    case 0x0306: return base == 0x0418 ? 0x0419 : base == 0x0438 ? 0x0439 : 0;  // Й, й
    case 0x030A: return base == 'A' ? 0x212B : 0;  // code page 932 has the angstrom sign
    case 0x0338: return base == '=' ? 0x2260 : 0;  // not equal
    default: return 0;
  }
}

// The text with every base and combining mark that code page 932 has as one character put
// together; anything else (invalid bytes too) stays as it is.
std::string composedForCp932(const std::string& utf8) {
  std::string out;
  uint32_t last = 0;  // the character `out` ends with, 0 after an invalid byte
  size_t lastAt = 0;
  for (size_t i = 0; i < utf8.size();) {
    Utf8Char c = decodeUtf8(utf8, i);
    uint32_t together = c.valid && last ? composedCharacter(last, c.value) : 0;
    if (together) {
      out.resize(lastAt);
      out += utf16ToUtf8(std::u16string(1, static_cast<char16_t>(together)));
      last = 0;  // no character takes two marks
    } else {
      lastAt = out.size();
      out.append(utf8, i, c.length);
      last = c.valid ? c.value : 0;
    }
    i += c.length;
  }
  return out;
}

bool isLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool isTrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

}  // namespace

bool utf8ToCp932(const std::string& utf8, std::string& cp932) {
  std::string windows = withVariants(composedForCp932(utf8), true), back;
  if (!hostUtf8ToCp932(windows, cp932)) return false;
  if (!hostCp932ToUtf8(cp932, back)) return false;
  return back == windows;
}

namespace {

// The path with its deepest existing part in short form (a folder to be made keeps its
// name); empty where the host has no short names.
std::string shortFormOf(const std::string& path) {
  std::string head = path, rest;
  for (;;) {
    std::string shortHead = hostShortPath(head);
    if (!shortHead.empty()) return shortHead + rest;
    size_t cut = head.find_last_of(HOST_SEPARATORS);
    if (cut == std::string::npos || cut == 0) return std::string();
    rest = head.substr(cut) + rest;
    head.resize(cut);
  }
}

// An absolute POSIX path relative to the current directory ("../out" from /home/josé/src
// for /home/josé/out), which leaves out the components the two share; empty when either
// is not absolute. The current directory is the physical one, so ".." steps out of it as
// the system does.
std::string relativeToCurrent(const std::string& path) {
  std::string current = hostCurrentDirectory();
  if (path.empty() || path[0] != '/' || current.empty() || current[0] != '/') return std::string();
  auto components = [](const std::string& p) {
    std::vector<std::string> parts;
    for (size_t i = 0; i < p.size();) {
      size_t end = p.find('/', i);
      if (end == std::string::npos) end = p.size();
      if (end > i) parts.push_back(p.substr(i, end - i));
      i = end + 1;
    }
    return parts;
  };
  std::vector<std::string> from = components(current), to = components(path);
  size_t common = 0;
  while (common < from.size() && common < to.size() && from[common] == to[common]) ++common;
  std::string relative;
  for (size_t i = common; i < from.size(); ++i) relative += "../";
  for (size_t i = common; i < to.size(); ++i) relative += to[i] + "/";
  if (relative.empty()) return ".";
  if (path.back() != '/') relative.pop_back();
  return relative;
}

}  // namespace

std::string toEnginePath(const std::string& utf8, std::string& cp932, EnginePath kind) {
  // Where '\' separates too (Windows), "C:name" is a drive's folder and means what it says.
  bool windows = std::strchr(HOST_SEPARATORS, '\\') != nullptr;
  if (!windows && utf8.find('\\') != std::string::npos) {
    return "the path holds '\\', which the stub's engine takes for a separator between folders";
  }
  bool converted = utf8ToCp932(utf8, cp932);
  // A path with a character that code page 932 lacks (a user "José"), or one too long, may
  // fit in its short form on Windows, or elsewhere, for a file, taken from the current
  // directory (a home "/home/josé" left out).
  if (!converted || cp932.size() >= 260) {
    std::string other = windows ? shortFormOf(utf8) : kind == EnginePath::File ? relativeToCurrent(utf8) : "";
    if (!other.empty()) converted = utf8ToCp932(other, cp932);
  }
  if (!windows && cp932.find('/') == std::string::npos && cp932.find(':') != std::string::npos) cp932.insert(0, "./");
  return converted && cp932.size() < 260 ? std::string() : "the path has no code page 932 form of at most 259 bytes";
}

bool utf8ToUtf16(const std::string& in, std::u16string& out) {
  out.clear();
  for (size_t i = 0; i < in.size();) {
    Utf8Char c = decodeUtf8(in, i);
    if (!c.valid) return false;
    if (c.value >= 0x10000) {
      out += char16_t(0xD800 + ((c.value - 0x10000) >> 10));
      out += char16_t(0xDC00 + ((c.value - 0x10000) & 0x3FF));
    } else {
      out += char16_t(c.value);
    }
    i += c.length;
  }
  return true;
}

std::string utf16ToUtf8(const std::u16string& in) {
  std::string out;
  for (size_t i = 0; i < in.size(); ++i) {
    uint32_t cp = in[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (in[++i] - 0xDC00);
    }
    if (cp < 0x80) out += char(cp);
    else if (cp < 0x800) out += char(0xC0 | cp >> 6), out += char(0x80 | (cp & 0x3F));
    else if (cp < 0x10000) out += char(0xE0 | cp >> 12), out += char(0x80 | (cp >> 6 & 0x3F)), out += char(0x80 | (cp & 0x3F));
    else out += char(0xF0 | cp >> 18), out += char(0x80 | (cp >> 12 & 0x3F)), out += char(0x80 | (cp >> 6 & 0x3F)), out += char(0x80 | (cp & 0x3F));
  }
  return out;
}

std::string characterWithoutCp932Form(const std::string& given) {
  std::string utf8 = composedForCp932(given), ignored;
  for (size_t i = 0; i < utf8.size();) {
    Utf8Char c = decodeUtf8(utf8, i);
    char text[48];
    if (!c.valid) {
      std::snprintf(text, sizeof text, "the byte 0x%02X (not UTF-8)", static_cast<unsigned>(c.value));
      return text;
    }
    std::string sequence = utf8.substr(i, c.length);
    if (!utf8ToCp932(sequence, ignored)) {
      std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c.value));
      bool control = c.value < 0x20 || c.value == 0x7F || (c.value >= 0x80 && c.value < 0xA0);
      return control ? std::string(text) : std::string(text) + " '" + sequence + "'";
    }
    i += c.length;
  }
  return std::string();
}

std::string noCp932FormText(const std::string& utf8, const std::string& where) {
  std::string character = characterWithoutCp932Form(utf8);
  return (character.empty() ? std::string("the text") : character) + " in " + where + " has no code page 932 form";
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
  return hostCp932ToUtf8(text, ignored);
}

Utf8Char decodeUtf8(const std::string& text, size_t i) {
  unsigned char lead = static_cast<unsigned char>(text[i]);
  Utf8Char single = {1, lead, lead < 0x80};
  // The sequence length its lead byte announces; 0xC0, 0xC1 and 0xF5 up start none.
  size_t n = lead >= 0xF0 ? (lead <= 0xF4 ? 4 : 0) : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (n == 0 || i + n > text.size()) return single;
  uint32_t value = lead & (0x7Fu >> n);
  for (size_t k = 1; k < n; ++k) {
    unsigned char c = static_cast<unsigned char>(text[i + k]);
    if ((c & 0xC0) != 0x80) return single;
    value = value << 6 | (c & 0x3Fu);
  }
  // Overlong forms, surrogates and values beyond U+10FFFF are no characters.
  bool overlong = (n == 3 && value < 0x800) || (n == 4 && value < 0x10000);
  if (overlong || (value >= 0xD800 && value < 0xE000) || value > 0x10FFFF) return single;
  return {n, value, true};
}

bool isValidUtf8(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    Utf8Char c = decodeUtf8(text, i);
    if (!c.valid) return false;
    i += c.length;
  }
  return true;
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
  if (hostCp932ToUtf8(cp932, out)) return escapeControls(withVariants(out, false), true);
  out.clear();
  for (size_t i = 0; i < cp932.size();) {
    size_t n = cp932CharLength(cp932, i);
    std::string ch = cp932.substr(i, n);
    unsigned char c = static_cast<unsigned char>(ch[0]);
    if (c < 0x80) {
      out += ch;
    } else if (hostCp932ToUtf8(ch, piece)) {
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
  return escapeControls(withVariants(out, false), true);
}

std::string cp932ToUtf8(const char* cp932) { return cp932ToUtf8(std::string(cp932 ? cp932 : "")); }

std::vector<std::string> splitBarList(const std::string& text, TextCode code) {
  std::vector<std::string> pieces(1);
  for (size_t i = 0; i < text.size();) {
    size_t n = code == TextCode::Cp932 ? cp932CharLength(text, i) : 1;
    if (n == 1 && text[i] == '|') pieces.emplace_back(); else pieces.back().append(text, i, n);
    i += n;
  }
  return pieces;
}
