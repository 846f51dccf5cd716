// The double-byte walkers over the lead-byte rule of the ANSI code page.
#include "system/dbcs.h"

#include <cstring>

#include "system/system.h"

namespace {

bool isLead(char c) { return SysIsLeadByte(static_cast<unsigned char>(c)); }

}  // namespace

const char* NextChar(const char* p) {
  if (isLead(p[0]) && p[1] != '\0') return p + 2;
  return p + 1;
}

const char* FindFirstChar(const char* text, char c) {
  for (const char* p = text; *p != '\0'; p = NextChar(p)) {
    if (*p == c) return p;
  }
  return nullptr;
}

const char* FindLastChar(const char* text, char c) {
  const char* last = nullptr;
  for (const char* p = text; *p != '\0'; p = NextChar(p)) {
    if (*p == c) last = p;
  }
  return last;
}

char LastSingleChar(const char* text) {
  const char* last = nullptr;
  for (const char* p = text; *p != '\0'; p = NextChar(p)) last = p;
  if (last == nullptr || NextChar(last) - last != 1) return '\0';
  return *last;
}

uint32_t CharBoundary(const char* text, uint32_t length, uint32_t limit) {
  if (length <= limit) return length;
  uint32_t i = 0;
  while (i < limit) {
    uint32_t step = (isLead(text[i]) && i + 1 < length) ? 2 : 1;
    if (i + step > limit) break;
    i += step;
  }
  return i;
}

void DropPartialCharacter(char* text) {
  char* last = nullptr;
  for (char* p = text; *p != '\0'; p = NextChar(p)) last = p;
  if (last != nullptr && isLead(*last) && last[1] == '\0') *last = '\0';
}

void CopyBounded(char* destination, const char* source, size_t size) {
  if (size == 0) return;
  CopyBounded(destination, source, std::strlen(source), size);
}

void CopyBounded(char* destination, const char* source, size_t length, size_t size) {
  if (size == 0) return;
  size_t n = length;
  if (n >= size) n = CharBoundary(source, static_cast<uint32_t>(n), static_cast<uint32_t>(size - 1));
  std::memmove(destination, source, n);
  destination[n] = '\0';
}

char* ShortenMiddle(char* destination, size_t size, const char* text, size_t limit) {
  if (size == 0) return destination;
  if (limit > size - 1) limit = size - 1;
  size_t length = std::strlen(text);
  if (length <= limit) {
    std::memcpy(destination, text, length + 1);
    return destination;
  }
  static const char ELLIPSIS[] = "...";
  constexpr size_t ELLIPSIS_LENGTH = sizeof ELLIPSIS - 1;
  size_t keep = limit > ELLIPSIS_LENGTH ? limit - ELLIPSIS_LENGTH : 0;
  size_t head = CharBoundary(text, static_cast<uint32_t>(length), static_cast<uint32_t>(keep / 3));
  // The tail starts at the first character boundary that leaves at most keep - head bytes.
  const char* tail = text + head;
  while (*tail && static_cast<size_t>(text + length - tail) > keep - head) tail = NextChar(tail);
  size_t tailLength = length - static_cast<size_t>(tail - text);
  size_t ellipsis = limit - head - tailLength < ELLIPSIS_LENGTH ? limit - head - tailLength : ELLIPSIS_LENGTH;
  std::memmove(destination, text, head);
  std::memcpy(destination + head, ELLIPSIS, ellipsis);
  std::memmove(destination + head + ellipsis, tail, tailLength + 1);
  return destination;
}
