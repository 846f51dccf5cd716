// Looking for and leaving out records of an extra field.
#include "zip/extra_fields.h"

bool hasExtraField(const std::string& extra, uint16_t tag) {
  bool found = false;
  forEachExtraField(extra, [&](uint16_t t, size_t, size_t) { found = found || t == tag; });
  return found;
}

std::string withoutExtraField(const std::string& extra, uint16_t tag) {
  std::string kept;
  size_t end = 0;
  forEachExtraField(extra, [&](uint16_t t, size_t at, size_t length) {
    if (t != tag) kept.append(extra, at, length);
    end = at + length;
  });
  kept.append(extra, end, std::string::npos);
  return kept;
}
